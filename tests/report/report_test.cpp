// kovo-cli report as a script uses it: every editor's section and a macro's function names in the
// PDF's text, and the exit statuses of inputs it must refuse; File > Export Report's choices.
#include "database/database.h"
#include "editors/recording_message_service.h"
#include "file_bytes.h"
#include "shell/report_exporter.h"
#include "shell/scripted_file_dialogs.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using kovo::test::fileBytes;

const QString Sample = QStringLiteral(KOVO_EXAMPLES_DIR "/sample.dat");

// Exit status and standard output of a program; -1 when it did not end by itself.
std::pair<int, QString> run(const QString& program, const QStringList& arguments) {
    QProcess process; // killed when it goes, if still running
    process.start(program, arguments);
    const bool ended = // a hang guard only
        process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput())};
}

std::pair<int, QString> report(const QStringList& arguments) {
    return run(QStringLiteral(KOVO_CLI_PATH), QStringList{u"report"_s} + arguments);
}

} // namespace

TEST(CliReport, PdfAndHtmlHoldEverySectionAndTheFunctionNamesOfAMacro) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"sample.pdf"_s);
    const QString html = dir.filePath(u"sample.html"_s);
    const QByteArray before = fileBytes(Sample);
    ASSERT_EQ(report({Sample, u"-o"_s, pdf}).first, 0);
    ASSERT_EQ(report({Sample, u"-o"_s, html}).first, 0);
    EXPECT_EQ(fileBytes(Sample), before);

    const auto [code, raw] = run(u"pdftotext"_s, {pdf, u"-"_s});
    ASSERT_EQ(code, 0) << "pdftotext (poppler-utils) reads the PDF's text";
    // Ligatures ("fi") come back as one character; compatibility form splits them again.
    const QStringList lines = raw.normalized(QString::NormalizationForm_KC).split(u'\n');
    // Macro 1 of the sample is "001 002 003".
    for (const char* text :
         {"Timers", "Courtesy Tones", "Macros", "Scheduler/Clock", "Analog Meters",
          "Identification", "Message Macros", "DTMF Memories", "Alarms/Remote Base",
          "Special Codes/Autopatch", "Port Switches", "001 Port 1 CTCSS Access",
          "002 Port 2 CTCSS Access", "003 Port 3 CTCSS Access"})
        EXPECT_TRUE(lines.contains(QString::fromLatin1(text))) << text;

    // The HTML is one file with the pictures inside: a timeline for each of the 3 x 10 tones.
    const QString text = QString::fromUtf8(fileBytes(html));
    EXPECT_TRUE(text.contains(u"<h2>Port Switches</h2>"_s));
    EXPECT_EQ(text.count(u"<img src=\"data:image/png;base64,"_s), 30);
    EXPECT_EQ(text.count(u"<td>"_s), 1117); // every row and column of every table
}

TEST(CliReport, RefusesWhatItCannotDo) {
    QTemporaryDir dir;
    const QString copy = dir.filePath(u"copy.dat"_s);
    ASSERT_TRUE(QFile::copy(Sample, copy));
    const QByteArray before = fileBytes(copy);
    const std::pair<QStringList, int> cases[] = {
        {{dir.filePath(u"missing.dat"_s), u"-o"_s, dir.filePath(u"out.pdf"_s)}, 1},
        {{copy, u"-o"_s, copy}, 1},
        {{copy, u"-o"_s, dir.path() + u"/../"_s + dir.path().section(u'/', -1) + u"/copy.dat"_s},
         1},
        {{copy}, 2},
        {{u"--help"_s}, 0},
    };
    for (const auto& [arguments, exitCode] : cases)
        EXPECT_EQ(report(arguments).first, exitCode) << arguments.join(u' ').toStdString();
    EXPECT_EQ(fileBytes(copy), before);
    EXPECT_FALSE(QFile::exists(dir.filePath(u"out.pdf"_s)));
}

TEST(ExportReport, WritesWhereAskedAndNeverOverTheDatabase) {
    QTemporaryDir dir;
    const QString database = dir.filePath(u"site.dat"_s);
    const struct {
        std::optional<QString> answer;
        QString file; // the file written; empty for none
        QStringList messages;
    } cases[] = {
        {dir.filePath(u"site"_s), dir.filePath(u"site.pdf"_s), {}},
        {dir.filePath(u"site.html"_s), dir.filePath(u"site.html"_s), {}},
        {database, {}, {u"The report cannot replace the database file it describes."_s}},
        {std::nullopt, {}, {}},
    };
    kovo::Database db;
    db.setValue(u"FreqString", 10, u"1465203"_s);
    for (const auto& c : cases) {
        kovo::ScriptedFileDialogs dialogs;
        dialogs.answers << c.answer;
        kovo::RecordingMessageService messages;
        EXPECT_EQ(kovo::ReportExporter(db, dialogs, messages).exportReport(dir.path(), database),
                  !c.file.isEmpty());
        ASSERT_EQ(dialogs.calls.size(), 1);
        EXPECT_EQ(dialogs.calls.first().presetPath, dir.filePath(u"site.pdf"_s));
        EXPECT_EQ(messages.messageTexts(), c.messages);
        EXPECT_TRUE(c.file.isEmpty() || QFile::exists(c.file)) << c.file.toStdString();
    }
    EXPECT_FALSE(QFile::exists(database));
    EXPECT_TRUE(QString::fromUtf8(fileBytes(dir.filePath(u"site.html"_s)))
                    .contains(u"<td>10</td><td>146.520 MHz +</td>"_s));
}
