#include "history_commands.h"

#include "backup_keeper.h"
#include "backups_window.h"
#include "compare_window.h"
#include "database/database_file.h"
#include "editor_area.h"
#include "editors/editor_window.h"
#include "editors/program_info.h"
#include "file_commands.h"
#include "link/link_trace.h"
#include "link_commands.h"
#include "link_worker.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace kovo {

namespace {

const QString CompareTitle = QStringLiteral("Compare With");
const QString TraceTitle = QStringLiteral("Save Link Trace");

QAction* addItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

HistoryCommands::HistoryCommands(const ShellServices& services, EditorArea& editors,
                                 FileCommands& files, LinkCommands& link, QWidget* window)
    : QObject(window), m_services(services), m_editors(editors), m_files(files), m_link(link),
      m_window(window) {
    m_backups = new BackupKeeper(m_services.programFolder, m_services.messages, this);
    // Every channel the link makes from now on reports to this trace; each link job starts it
    // afresh when it first talks to the controller.
    m_trace = std::make_shared<LinkTrace>();
    LinkTrace::install(m_trace);

    connect(&m_files, &FileCommands::aboutToOverwrite, m_backups, &BackupKeeper::backUpBeforeSave);
    connect(&m_link, &LinkCommands::uploadStarting, this, [this](bool complete) {
        m_backups->backUpUpload(m_services.db, complete, m_services.settings.comPort(),
                                m_files.currentFile());
    });
    connect(&m_link, &LinkCommands::downloadEnded, this, [this](const DownloadResult& result) {
        if (result.outcome != DownloadOutcome::Done)
            return;
        m_backups->backUpDownload(
            m_services.db, m_services.settings.comPort(),
            QDir(m_services.programFolder).filePath(QStringLiteral("download.mem")));
        if (m_backupsWindow)
            m_backupsWindow->refresh();
    });
}

HistoryCommands::~HistoryCommands() {
    if (LinkTrace::installed() == m_trace)
        LinkTrace::install(nullptr);
}

BackupsWindow* HistoryCommands::backupsWindow() const {
    return m_backupsWindow;
}

CompareWindow* HistoryCommands::compareWindow() const {
    return m_compareWindow;
}

QString HistoryCommands::noTraceText() {
    return QStringLiteral("No link job has talked to the controller yet, so there is no link "
                          "trace to save.");
}

void HistoryCommands::addFileItems(QMenu* file) {
    connect(addItem(file, "mnuBackups", QStringLiteral("&Backups…")), &QAction::triggered, this,
            &HistoryCommands::showBackups);
    connect(addItem(file, "mnuCompareWith", QStringLiteral("&Compare With…")), &QAction::triggered,
            this, &HistoryCommands::compareWithFile);
}

void HistoryCommands::addHelpItems(QMenu* help) {
    connect(addItem(help, "mnuSaveLinkTrace", QStringLiteral("Save Link &Trace…")),
            &QAction::triggered, this, &HistoryCommands::saveLinkTrace);
}

void HistoryCommands::showBackups() {
    if (!m_backupsWindow) {
        m_backupsWindow = new BackupsWindow(m_backups->store(), m_window);
        connect(m_backupsWindow, &BackupsWindow::openRequested, this, &HistoryCommands::openBackup);
        connect(m_backupsWindow, &BackupsWindow::compareRequested, this,
                &HistoryCommands::compareWith);
    }
    m_backupsWindow->refresh();
    m_backupsWindow->show();
    m_backupsWindow->raise();
    m_backupsWindow->activateWindow();
}

// Nothing may change the configuration under a running transfer.
void HistoryCommands::openBackup(const QString& path) {
    if (m_link.linkWorker().busy()) {
        m_services.messages.message(LinkWorker::busyText(), programTitle());
        return;
    }
    if (m_files.openAsUnsaved(path) && m_backupsWindow)
        m_backupsWindow->hide();
}

void HistoryCommands::compareWithFile() {
    const std::optional<QString> chosen = m_services.dialogs.openFile(
        CompareTitle, m_files.dialogFolder(), QStringLiteral("Tarsis Database Files (*.dat)"));
    if (chosen)
        compareWith(*chosen, QFileInfo(*chosen).fileName());
}

bool HistoryCommands::compareWith(const QString& path, const QString& otherName) {
    Database other;
    ErrorLog quiet; // the other file's refused values are not this configuration's errors
    const LoadReport report = readDatabase(other, path, quiet, PreAccessWriteBack::No);
    if (!QFileInfo::exists(path) || !report.fileReadable || !report.configuration) {
        m_services.messages.message(QStringLiteral("%1 holds no configuration to compare with.")
                                        .arg(QDir::toNativeSeparators(path)),
                                    CompareTitle, MessageIcon::Warning);
        return false;
    }
    if (!m_compareWindow) {
        m_compareWindow = new CompareWindow(m_window);
        connect(m_compareWindow, &CompareWindow::fieldChosen, this, &HistoryCommands::showField);
    }
    m_compareWindow->compare(m_services.db, other, otherName);
    m_compareWindow->show();
    m_compareWindow->raise();
    m_compareWindow->activateWindow();
    return true;
}

void HistoryCommands::showField(int editorIndex, const QString& field, int index) {
    if (editorIndex < 0 || editorIndex >= EditorTabCount)
        return;
    if (!m_editors.editorsOpen())
        m_editors.openEditors(editorIndex);
    m_editors.selectTab(editorIndex);
    EditorWindow* editor = m_editors.editor(editorIndex);
    if (!editor)
        return;
    m_window->raise();
    m_window->activateWindow();
    if (QWidget* control = editor->controlFor(field, index))
        control->setFocus(Qt::OtherFocusReason);
    else
        editor->setFocus(Qt::OtherFocusReason);
}

void HistoryCommands::saveLinkTrace() {
    if (!m_trace->hasEntries()) {
        m_services.messages.message(noTraceText(), TraceTitle);
        return;
    }
    const QString folder = m_files.dialogFolder();
    const std::optional<QString> chosen = m_services.dialogs.saveFile(
        TraceTitle, folder, QDir(folder).filePath(QStringLiteral("kovo-link-trace.txt")),
        QStringLiteral("Text Files (*.txt)"));
    if (!chosen || chosen->isEmpty())
        return;
    QString error;
    if (!m_trace->save(*chosen, &error))
        m_services.messages.message(error, TraceTitle, MessageIcon::Critical);
}

} // namespace kovo
