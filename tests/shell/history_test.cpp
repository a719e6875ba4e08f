#include "database/backup_store.h"
#include "link/link_trace.h"
#include "shell/backups_window.h"
#include "shell/compare_window.h"
#include "shell/file_commands.h"
#include "shell_fixture.h"

#include <QAccessible>
#include <QTableView>
#include <QTreeWidget>

namespace kovo::testing {
namespace {

class HistoryTest : public ShellTest {
protected:
    // The hang timer of port 2 set in its editor and applied, so that it goes out as a change.
    void applyHangTime(const QString& value) {
        EditorWindow* timers = window->editor(TimersTab);
        timers->control<QLineEdit>(u"HangTimer(2)"_s)->setText(value);
        timers->control<QPushButton>(u"Apply"_s)->click();
    }
    static QString hangTimeIn(const QString& path) {
        Database loaded;
        ErrorLog log;
        readDatabase(loaded, path, log, PreAccessWriteBack::No);
        return loaded.value(u"HangTime", 2);
    }
};

TEST_F(HistoryTest, SaveUploadAndDownloadLeaveTheirBackups) {
    KovoMain& main = startOnEmulator();
    const QByteArray before = readFile(u"sample.dat"_s);
    const QString port = ChannelFactory::builtInEmulatorName();

    applyHangTime(u"30"_s);
    main.fileSave();
    openUploadWindow();
    clickAndWait(u"Update"_s);
    controllerHangTime(2, 45);
    messages.answers = {Answer::Yes, Answer::No}; // download: yes; Ostrik board: no
    ASSERT_TRUE(runDownload());
    ASSERT_EQ(main.lastDownload().outcome, DownloadOutcome::Done);

    // The Backups window lists them newest first, with their kind and port; each holds what it
    // says: the file as it was before the save, the upload sent, the configuration downloaded.
    messages.clear();
    trigger("mnuBackups");
    BackupsWindow* list = main.history().backupsWindow();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->windowTitle(), u"Backups"_s);
    QTreeWidget* rows = list->list();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(rows)->text(QAccessible::Name),
              u"Backups, newest first"_s);
    const QList<BackupEntry> entries = BackupStore(folder).list();
    auto* open = list->findChild<QPushButton*>(u"cmdOpen"_s);
    QStringList shown;
    for (int r = 0; r < rows->topLevelItemCount(); ++r) {
        const bool image = entries.value(r).kind == BackupKind::DownloadImage;
        rows->setCurrentItem(rows->topLevelItem(r));
        EXPECT_EQ(open->isEnabled(), !image) << r; // an image is no configuration to open
        shown << rows->topLevelItem(r)->text(1) + u'|' + rows->topLevelItem(r)->text(2) + u'|' +
                     (image ? QString() : hangTimeIn(entries.value(r).path));
    }
    std::sort(shown.begin(), shown.begin() + 2); // the two downloads may share a millisecond
    EXPECT_EQ(
        shown,
        (QStringList{u"download (memory image)|"_s + port + u'|', u"download|"_s + port + u"|45"_s,
                     u"upload (changes only)|"_s + port + u"|30"_s, u"before save||50"_s}));
    QFile saved(entries.value(3).path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    saved.readLine(); // the backup's comment line
    EXPECT_EQ(saved.readAll(), before);
    EXPECT_EQ(entries.value(3).file, path(u"sample.dat"_s));
    rows->setCurrentItem(rows->topLevelItem(2));
    messages.answers = {Answer::No}; // the download is not saved first
    open->click();
    EXPECT_EQ(shownTitle(main), u"Veltrane Kovo Programmer    Untitled*"_s);
    EXPECT_EQ(db.value(u"HangTime", 2), u"30"_s);
    EXPECT_EQ(messages.messageTexts(), QStringList{FileCommands::saveQuestion()});
    dialogs.answers = {std::nullopt};
    main.fileSave();
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].title, u"Save Controller Database File"_s);
}

TEST_F(HistoryTest, AnUnwritableBackupFolderIsReportedOnceAndUploadsGoOn) {
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
    EXPECT_EQ(boxes(),
              (QStringList{u"Backups|"_s + refusal, u"|Update Complete"_s, u"|Update Complete"_s}));
    EXPECT_FALSE(db.anyPending());
}

TEST_F(HistoryTest, DifferencesShowTheirEditorFilterAndLeadToTheControl) {
    KovoMain& main = startWithSample();
    const struct {
        const char* field;
        int index;
        const char* value;
        int tab;             // whose editor the double-click brings to the front
        const char* control; // and whose control it focuses
    } rows[] = {
        {"HangTime", 2, "77", TimersTab, "HangTimer(2)"},
        {"VoiceID1", 3, "HELLO", IdTab, "VoiceID1Set(3)"},
        {"DTMFDur", 0, "120", DtmfTab, "DTMFDurSet"},
    };
    Database other = db;
    for (const auto& row : rows)
        other.setValue(QLatin1String(row.field), row.index, QLatin1String(row.value));
    const QString otherFile = writeSampleDat(u"other.dat"_s, other);

    dialogs.answers = {otherFile};
    trigger("mnuCompareWith");
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].title, u"Compare With"_s);
    CompareWindow* compare = main.history().compareWindow();
    ASSERT_NE(compare, nullptr);
    EXPECT_EQ(compare->windowTitle(), u"Compare With other.dat"_s);
    EXPECT_EQ(compare->summary()->text(), u"3 field(s) differ from other.dat."_s);
    QTableView* table = compare->table();
    QAbstractItemModel* model = table->model();
    QStringList shown;
    for (int r = 0; r < 3; ++r) {
        for (int column = 0; column < 4; ++column)
            shown << model->index(r, column).data().toString();
    }
    EXPECT_EQ(shown.join(u'|'),
              u"Timers|HangTime(2)|%1|77|Identification|VoiceID1(3)|%2|HELLO|DTMF "
              "Memories|DTMFDur|%3|120"_s.arg(db.value(u"HangTime", 2), db.value(u"VoiceID1", 3),
                                              db.value(u"DTMFDur")));
    for (QWidget* box : {static_cast<QWidget*>(compare->filterBox()), static_cast<QWidget*>(table)})
        EXPECT_EQ(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name),
                  box == table ? u"Differences"_s : u"Filter:"_s);

    compare->filterBox()->setText(u"dtmf"_s);
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, 1).data().toString(), u"DTMFDur"_s);
    EXPECT_EQ(compare->summary()->text(), u"3 field(s) differ from other.dat. 1 shown."_s);
    compare->filterBox()->clear();

    for (int r = 0; r < 3; ++r) {
        const auto& row = rows[r];
        const QRect cell = table->visualRect(model->index(r, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        EditorWindow* editor = main.frontEditor();
        ASSERT_NE(editor, nullptr) << row.field;
        EXPECT_EQ(editor, main.editor(row.tab)) << row.field;
        ASSERT_NE(editor->focusWidget(), nullptr) << row.field;
        EXPECT_EQ(editor->focusWidget()->objectName(), QLatin1String(row.control));
    }
}

TEST_F(HistoryTest, SaveLinkTraceWritesTheLastJobsLinesAndAnswersInOrder) {
    KovoMain& main = startOnEmulator();
    applyHangTime(u"33"_s);
    openUploadWindow();
    clickAndWait(u"Update"_s);
    // Closing the port is a job of its own that says nothing: the upload stays the last trace.
    clickAndWait(u"Close"_s);

    const QString file = path(u"trace.txt"_s);
    dialogs.answers = {file};
    trigger("mnuSaveLinkTrace");
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].title, u"Save Link Trace"_s);
    QStringList exchanges;
    for (const QString& line : QString::fromUtf8(readFile(u"trace.txt"_s)).split(u'\n')) {
        const QStringList parts = line.split(u"  "_s, Qt::SkipEmptyParts);
        if (parts.size() == 4 && (parts[2] == u"out" || parts[2] == u"in"))
            exchanges << parts[2] + u' ' + parts[3];
    }
    EXPECT_EQ(exchanges, (QStringList{u"out 2*100033<CR>"_s, u"in +"_s}));

    // Over the air: the keying line and every digit played reach the trace too.
    main.linkWorker().setAudioFactory([] { return std::make_shared<RecordingAudioOutput>(); });
    settings->setComPort(u"0"_s);
    settings->setDtmfComPort(ChannelFactory::builtInEmulatorName());
    settings->setWhichSend(u"2"_s);
    applyHangTime(u"44"_s);
    openUploadWindow();
    clickAndWait(u"Update"_s);
    QStringList events;
    QString digits;
    for (const LinkTrace::Entry& entry : main.history().linkTrace()->entries()) {
        if (entry.event == LinkTrace::Event::Digit)
            digits += QString::fromLatin1(entry.data);
        else if (entry.event == LinkTrace::Event::Keying)
            events << QString::fromLatin1(entry.data);
    }
    EXPECT_EQ(events, (QStringList{u"RTS on"_s, u"DTR off"_s, u"RTS off"_s}));
    EXPECT_TRUE(digits.contains(u"*100044"_s)) << qPrintable(digits);
}

} // namespace
} // namespace kovo::testing
