// kovo-cli diff as a script uses it: what it prints, its exit status, and inputs left as they
// were.
#include "database/database.h"
#include "database/database_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kovo;

namespace {

struct DiffRun {
    int exitCode = -1;
    QString out;
};

DiffRun runDiff(const QStringList& arguments) {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "cli-tests";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
    QProcess cli;
    cli.start(QStringLiteral(KOVO_CLI_PATH), QStringList{u"diff"_s} + arguments);
    DiffRun run;
    if (!cli.waitForFinished(60000)) { // a hang guard only
        cli.kill();
        cli.waitForFinished();
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    return run;
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

    const DiffRun different = runDiff({a, b});
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
