// What kovo-cli keeps besides the transfer itself: the differences between two configurations,
// the trace of the conversation with the controller, and backups of what was sent.
#include "database/database.h"
#include "database/database_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kovo;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
};

CliRun runCli(const QStringList& arguments) {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "cli-tests";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
    QProcess cli;
    cli.start(QStringLiteral(KOVO_CLI_PATH), arguments);
    CliRun run;
    if (!cli.waitForFinished(60000)) { // a hang guard only
        cli.kill();
        cli.waitForFinished();
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    return run;
}

CliRun runDiff(const QStringList& arguments) {
    return runCli(QStringList{u"diff"_s} + arguments);
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(CliDiff, PrintsEachDifferenceByEditorAndAnswersByExitStatus) {
    QTemporaryDir dir;
    const QString a = dir.filePath(u"a.dat"_s);
    const QString b = dir.filePath(u"b.dat"_s);
    Database db;
    ASSERT_TRUE(saveWholeDatabase(db, a).ok);
    db.setValue("HangTime", 2, u"30"_s);
    db.setValue("DTMFDur", u"50"_s);
    ASSERT_TRUE(saveWholeDatabase(db, b).ok);
    const QByteArray before = bytesOf(a) + bytesOf(b);

    const CliRun different = runDiff({a, b});
    EXPECT_EQ(different.exitCode, 1);
    const QString defaultHang = Database().value("HangTime", 2);
    EXPECT_EQ(different.out,
              u"Timers\n  [Timers] HangTime(2): \"%1\" -> \"30\"\n"
              u"DTMF Memories\n  [DTMF] DTMFDur: \"100\" -> \"50\"\n"_s.arg(defaultHang));
    EXPECT_EQ(runDiff({a, a}).exitCode, 0);
    EXPECT_EQ(runDiff({a, dir.filePath(u"typo.dat"_s)}).exitCode, 2);
    EXPECT_EQ(runDiff({a}).exitCode, 2);
    EXPECT_EQ(bytesOf(a) + bytesOf(b), before); // comparing never writes its inputs
}

TEST(CliRecords, AnUploadIsTracedLineByLineAndBackedUpUnlessAskedNot) {
    QTemporaryDir dir;
    const QString old = dir.filePath(u"old.dat"_s);
    const QString site = dir.filePath(u"site.dat"_s);
    Database db;
    ASSERT_TRUE(saveWholeDatabase(db, old).ok);
    db.setValue("HangTime", 2, u"30"_s);
    db.setValue("HangTime", 3, u"40"_s);
    ASSERT_TRUE(saveWholeDatabase(db, site).ok);
    const QString trace = dir.filePath(u"trace.txt"_s);
    const QStringList upload{u"upload"_s, site,        u"--since"_s,
                             old,         u"--port"_s, u"Built-in Tarsis emulator"_s,
                             u"--home"_s, dir.path()};

    ASSERT_EQ(runCli(upload + QStringList{u"--trace"_s, trace}).exitCode, 0);
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList exchanges; // "out LINE" / "in ANSWER", in the order they crossed the line
    static const QRegularExpression exchange(u"  (out|in)  (.*)$"_s);
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QRegularExpressionMatch match = exchange.match(line);
        if (match.hasMatch())
            exchanges << match.captured(1) + u' ' + match.captured(2);
    }
    EXPECT_EQ(exchanges,
              (QStringList{u"out 2*100030<CR>"_s, u"in +"_s, u"out 3*100040<CR>"_s, u"in +"_s}));

    const QString backups = dir.filePath(u"backups"_s);
    const QStringList kept = QDir(backups).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(bytesOf(backups + u'/' + kept.first()).endsWith(bytesOf(site)));
    ASSERT_EQ(runCli(upload + QStringList{u"--no-backup"_s}).exitCode, 0);
    EXPECT_EQ(QDir(backups).entryList(QDir::Files).size(), 1);
}
