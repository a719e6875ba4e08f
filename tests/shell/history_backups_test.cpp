#include "database/backup_store.h"
#include "shell/backups_window.h"
#include "shell/file_commands.h"
#include "shell_fixture.h"

#include <QAccessible>
#include <QTreeWidget>

namespace kovo::testing {
namespace {

class HistoryBackupsTest : public ShellTest {
protected:
    // The hang timer of port 2 set in its editor and applied, so that it goes out as a change.
    void applyHangTime(const QString& value) {
        EditorWindow* timers = window->editor(TimersTab);
        timers->control<QLineEdit>(u"HangTimer(2)"_s)->setText(value);
        timers->control<QPushButton>(u"Apply"_s)->click();
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
    const QByteArray before = readFile(u"sample.dat"_s);
    const QString port = ChannelFactory::builtInEmulatorName();

    applyHangTime(u"30"_s);
    main.fileSave();
    openUploadWindow();
    clickAndWait(u"Update"_s);
    TarsisMemory controller = emulator->memory();
    ASSERT_TRUE(controller.applySerialLine(u"2*100045"_s).accepted);
    emulator->setMemory(controller);
    messages.answers = {Answer::Yes, Answer::No}; // download: yes; Ostrik board: no
    ASSERT_TRUE(runDownload());
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
    EXPECT_EQ(save.file, path(u"sample.dat"_s));

    const struct {
        BackupKind kind;
        QString note;
        QString hangTime;
    } expected[] = {{BackupKind::Upload, u"changes only"_s, u"30"_s},
                    {BackupKind::DownloadConfiguration, QString(), u"45"_s}};
    for (const auto& e : expected) {
        const BackupEntry entry = find(e.kind);
        EXPECT_EQ(entry.port, port);
        EXPECT_EQ(entry.note, e.note);
        EXPECT_EQ(hangTimeIn(entry.path), e.hangTime) << qPrintable(entry.path);
    }
    EXPECT_EQ(find(BackupKind::DownloadImage).port, port);

    // The Backups window lists them newest first and opens the upload as an unsaved configuration.
    messages.clear();
    trigger("mnuBackups");
    BackupsWindow* list = main.history().backupsWindow();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->windowTitle(), u"Backups"_s);
    QTreeWidget* rows = list->list();
    ASSERT_EQ(rows->topLevelItemCount(), 4);
    EXPECT_EQ(rows->topLevelItem(3)->text(1), u"before save"_s);
    EXPECT_EQ(rows->topLevelItem(2)->text(1), u"upload (changes only)"_s);
    EXPECT_EQ(rows->topLevelItem(2)->text(2), port);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(rows)->text(QAccessible::Name),
              u"Backups, newest first"_s);
    rows->setCurrentItem(rows->topLevelItem(2));
    messages.answers = {Answer::No}; // the download is not saved first
    list->findChild<QPushButton*>(u"cmdOpen"_s)->click();
    EXPECT_EQ(shownTitle(main), u"Veltrane Kovo Programmer    Untitled*"_s);
    EXPECT_EQ(db.value(u"HangTime", 2), u"30"_s);
    EXPECT_EQ(messages.messageTexts(), QStringList{FileCommands::saveQuestion()});
    dialogs.answers = {std::nullopt};
    main.fileSave();
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].title, u"Save Controller Database File"_s);
}

TEST_F(HistoryBackupsTest, AnUnwritableBackupFolderIsReportedOnceAndUploadsGoOn) {
    startOnEmulator();
    writeFile(u"backups"_s, "a file where the folder should be");
    for (const char* value : {"30", "40"}) {
        applyHangTime(QLatin1String(value));
        openUploadWindow();
        clickAndWait(u"Update"_s);
    }
    EXPECT_EQ(emulator->acceptedLines(), QStringList{u"2*100040"_s});
    const QString refusal = u"The backup folder %1 cannot be created.\n\nThe work "
                            "goes on without this backup."_s.arg(path(u"backups"_s));
    EXPECT_EQ(messages.messageTexts(),
              (QStringList{refusal, u"Update Complete"_s, u"Update Complete"_s}));
    EXPECT_EQ(messages.calls[0].title, u"Backups"_s);
    EXPECT_FALSE(db.anyPending());
}

} // namespace
} // namespace kovo::testing
