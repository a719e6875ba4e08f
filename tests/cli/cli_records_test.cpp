// What kovo-cli keeps besides the transfer itself: the trace of the conversation with the
// controller, and backups of what was sent.
#include "database/backup_store.h"
#include "database/database.h"
#include "database/database_file.h"
#include "link/cli_runner.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kovo;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
                             old,         u"--port"_s, u"Built-in Tarsis emulator"_s};

    ASSERT_EQ(test::runCli(upload + QStringList{u"--trace"_s, trace}, dir.path()).exitCode, 0);
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
    const QList<BackupEntry> listed = BackupStore(dir.path()).list();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed.first().note, u"changes only"_s);
    EXPECT_EQ(listed.first().file, site);
    ASSERT_EQ(test::runCli(upload + QStringList{u"--no-backup"_s}, dir.path()).exitCode, 0);
    EXPECT_EQ(QDir(backups).entryList(QDir::Files).size(), 1);
}

} // namespace
