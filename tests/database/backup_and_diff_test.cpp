// Backups kept per kind and readable as configurations; the differences between two
// configurations, grouped by the editor that shows them.
#include "database/backup_store.h"
#include "database/configuration_diff.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kovo;
using namespace Qt::StringLiterals;

TEST(BackupStore, KeepsTheNewestFiftyOfEachKindAndReadsBackAsTheConfiguration) {
    QTemporaryDir home;
    BackupStore store(home.path());
    QDateTime now(QDate(2026, 12, 5), QTime(22, 0));
    store.setClock([&now] { return now; });

    Database db;
    db.setValue("HangTime", 2, u"30"_s);
    const QString source = home.filePath(u"site.dat"_s);
    const QByteArray sent = wholeDatabaseBytes(db);

    QString first;
    for (int i = 0; i < BackupStore::KeepPerKind + 1; ++i) {
        const BackupResult result = store.save(BackupKind::Upload, sent, u"/dev/ttyUSB0"_s, source);
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        if (i == 0)
            first = result.path;
        now = now.addSecs(60);
    }
    ASSERT_TRUE(store.save(BackupKind::DownloadImage, "0\r\n", u"COM5"_s).ok);

    const QList<BackupEntry> entries = store.list();
    ASSERT_EQ(entries.size(), BackupStore::KeepPerKind + 1);
    EXPECT_FALSE(QFile::exists(first)); // the oldest upload backup went at the 51st
    EXPECT_EQ(entries.first().kind, BackupKind::DownloadImage);
    EXPECT_EQ(entries.first().port, u"COM5"_s);
    const BackupEntry& upload = entries.at(1);
    EXPECT_EQ(upload.kind, BackupKind::Upload);
    EXPECT_EQ(upload.port, u"/dev/ttyUSB0"_s); // as its comment line names it
    EXPECT_EQ(upload.file, source);
    EXPECT_EQ(upload.when, QDateTime(QDate(2026, 12, 5), QTime(22, 50)));

    Database restored;
    ErrorLog log;
    const LoadReport report = readDatabase(restored, upload.path, log);
    EXPECT_TRUE(report.errorLines.isEmpty());
    EXPECT_TRUE(restored.sameValues(db)) << restored.differences(db).join(u'\n').toStdString();
}

TEST(BackupStore, AFolderThatCannotBeMadeIsReportedByName) {
    QTemporaryDir home;
    QFile blocker(home.filePath(u"backups"_s)); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const BackupResult result = BackupStore(home.path()).save(BackupKind::BeforeSave, "x");
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(home.filePath(u"backups"_s))) << result.error.toStdString();
}

TEST(ConfigurationDiff, OneChangePerEditorComesOutInTabOrder) {
    Database a;
    Database b;
    // Set in an order unlike the tabs', so the grouping is what orders them.
    b.setValue("APPrefix", u"9"_s);
    b.setValue("HangTime", 3, u"77"_s);
    b.setValue("MessageMacro", 40, u"HELLO"_s);
    b.setValue("MacroCode", 1, u"1234"_s);
    const QList<FieldDifference> differences = compareConfigurations(a, b);
    QStringList seen;
    for (const FieldDifference& d : differences)
        seen << d.editor + u'|' + d.section + u'|' + d.key + u'|' + d.theirs;
    EXPECT_EQ(seen,
              (QStringList{u"Timers|Timers|HangTime(3)|77"_s, u"Macros|Macros|MacroCode(1)|1234"_s,
                           u"Message Macros|MessageMacros|MessageMacro(40)|HELLO"_s,
                           u"Special Codes/Autopatch|Autopatch|APPrefix|9"_s}));
    EXPECT_TRUE(compareConfigurations(a, a).isEmpty());
}
