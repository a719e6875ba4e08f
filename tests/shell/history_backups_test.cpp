#include "database/backup_store.h"
#include "editors/editor_window.h"
#include "link_fixture.h"
#include "shell/backups_window.h"
#include "shell/file_commands.h"
#include "shell/history_commands.h"

#include <QAccessible>
#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTreeWidget>

namespace kovo::testing {
namespace {

class HistoryBackupsTest : public LinkWindowTest {
protected:
    // The hang timer of port 2 set in its editor and applied, so that it goes out as a change.
    void applyHangTime(const QString& value) {
        EditorWindow* timers = window->editor(TimersTab);
        timers->control<QLineEdit>(QStringLiteral("HangTimer(2)"))->setText(value);
        timers->control<QPushButton>(QStringLiteral("Apply"))->click();
    }
    QList<BackupEntry> backups() const { return BackupStore(folder).list(); }
    static QString hangTimeIn(const QString& path) {
        Database loaded;
        ErrorLog log;
        readDatabase(loaded, path, log, PreAccessWriteBack::No);
        return loaded.value(u"HangTime", 2);
    }
};

TEST_F(HistoryBackupsTest, SaveUploadAndDownloadLeaveTheirBackups) {
    KovoMain& main = startOnEmulator();
    const QByteArray before = readFile(QStringLiteral("sample.dat"));
    const QString port = ChannelFactory::builtInEmulatorName();

    applyHangTime(QStringLiteral("30"));
    main.fileSave();
    openUploadWindow();
    clickAndWait(QStringLiteral("Update"));
    TarsisMemory controller = emulator->memory();
    ASSERT_TRUE(controller.applySerialLine(QStringLiteral("2*100045")).accepted);
    emulator->setMemory(controller);
    messages.answers = {Answer::Yes, Answer::No}; // download: yes; Ostrik board: no
    QSignalSpy downloaded(&main, &KovoMain::downloadFinished);
    main.menuAction(QStringLiteral("mnuTarsisDownload"))->trigger();
    ASSERT_TRUE(downloaded.wait(60000) || downloaded.count() > 0);
    ASSERT_EQ(main.lastDownload().outcome, DownloadOutcome::Done);

    const QList<BackupEntry> entries = backups();
    ASSERT_EQ(entries.size(), 4);
    const auto find = [&](BackupKind kind) {
        for (const BackupEntry& entry : entries)
            if (entry.kind == kind)
                return entry;
        ADD_FAILURE() << "no backup of kind " << qPrintable(BackupStore::kindName(kind));
        return BackupEntry{};
    };
    const BackupEntry save = find(BackupKind::BeforeSave);
    QFile saved(save.path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    saved.readLine(); // the backup's comment line
    EXPECT_EQ(saved.readAll(), before);
    EXPECT_EQ(save.file, path(QStringLiteral("sample.dat")));

    const struct {
        BackupKind kind;
        QString note;
        QString hangTime;
    } expected[] = {{BackupKind::Upload, QStringLiteral("changes only"), QStringLiteral("30")},
                    {BackupKind::DownloadConfiguration, QString(), QStringLiteral("45")}};
    for (const auto& e : expected) {
        const BackupEntry entry = find(e.kind);
        EXPECT_EQ(entry.port, port);
        EXPECT_EQ(entry.note, e.note);
        EXPECT_EQ(hangTimeIn(entry.path), e.hangTime) << qPrintable(entry.path);
    }
    EXPECT_EQ(find(BackupKind::DownloadImage).port, port);

    // The Backups window lists them newest first and opens the upload as an unsaved configuration.
    messages.clear();
    main.menuAction(QStringLiteral("mnuBackups"))->trigger();
    BackupsWindow* list = main.history().backupsWindow();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Backups"));
    QTreeWidget* rows = list->list();
    ASSERT_EQ(rows->topLevelItemCount(), 4);
    EXPECT_EQ(rows->topLevelItem(3)->text(1), QStringLiteral("before save"));
    EXPECT_EQ(rows->topLevelItem(2)->text(1), QStringLiteral("upload (changes only)"));
    EXPECT_EQ(rows->topLevelItem(2)->text(2), port);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(rows)->text(QAccessible::Name),
              QStringLiteral("Backups, newest first"));
    rows->setCurrentItem(rows->topLevelItem(2));
    messages.answers = {Answer::No}; // the download is not saved first
    list->findChild<QPushButton*>(QStringLiteral("cmdOpen"))->click();
    EXPECT_EQ(shownTitle(main), QStringLiteral("Veltrane Kovo Programmer    Untitled*"));
    EXPECT_EQ(db.value(u"HangTime", 2), QStringLiteral("30"));
    EXPECT_EQ(messages.messageTexts(), QStringList{FileCommands::saveQuestion()});
    dialogs.answers = {std::nullopt};
    main.fileSave();
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].title, QStringLiteral("Save Controller Database File"));
}

TEST_F(HistoryBackupsTest, AnUnwritableBackupFolderIsReportedOnceAndUploadsGoOn) {
    startOnEmulator();
    writeFile(QStringLiteral("backups"), "a file where the folder should be");
    for (const char* value : {"30", "40"}) {
        applyHangTime(QLatin1String(value));
        openUploadWindow();
        clickAndWait(QStringLiteral("Update"));
    }
    EXPECT_EQ(emulator->acceptedLines(), QStringList{QStringLiteral("2*100040")});
    const QString refusal = QStringLiteral("The backup folder %1 cannot be created.\n\nThe work "
                                           "goes on without this backup.")
                                .arg(path(QStringLiteral("backups")));
    EXPECT_EQ(messages.messageTexts(), (QStringList{refusal, QStringLiteral("Update Complete"),
                                                    QStringLiteral("Update Complete")}));
    EXPECT_EQ(messages.calls[0].title, QStringLiteral("Backups"));
    EXPECT_FALSE(db.anyPending());
}

} // namespace
} // namespace kovo::testing
