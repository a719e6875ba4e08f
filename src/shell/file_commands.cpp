#include "file_commands.h"

#include "database/database_file.h"
#include "editor_area.h"
#include "editors/program_info.h"
#include "saving_window.h"
#include "title_bar.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kovo {

namespace {

const QString OpenTitle = QStringLiteral("Open Controller Database File");
const QString SaveAsTitle = QStringLiteral("Save Controller Database File");
const QString StartUpFilter = QStringLiteral("Tarsis Memory Files (*.dat)");
const QString DatabaseFilter = QStringLiteral("Tarsis Database Files (*.dat)");

} // namespace

FileCommands::FileCommands(const ShellServices& services, EditorArea& editors, QWidget* window)
    : QObject(window), m_services(services), m_editors(editors), m_window(window) {
    m_saving = new SavingWindow(window);
}

QString FileCommands::saveQuestion() {
    return QStringLiteral("You have not saved your new settings. All changes will be lost unless "
                          "you do. Do you want to save the database file before exiting?");
}

QString FileCommands::saveTitle() {
    return QStringLiteral("Save Database");
}

bool FileCommands::loadAtStartUp(const QString& databaseFile) {
    m_currentFile = databaseFile.isEmpty() ? m_services.settings.lastRCFile()
                                           : QFileInfo(databaseFile).absoluteFilePath();
    if (m_currentFile.isEmpty()) {
        const std::optional<QString> chosen =
            m_services.dialogs.openFile(OpenTitle, dialogFolder(), StartUpFilter);
        if (!chosen)
            return false;
        m_currentFile = *chosen;
    }
    rememberFolder(m_currentFile);
    loadDatabase();
    setCurrentFile(m_currentFile);
    return true;
}

void FileCommands::showSavedState() {
    m_window->setWindowModified(!m_services.db.settingsSaved());
}

void FileCommands::setCurrentFile(const QString& path) {
    m_currentFile = path;
    m_window->setWindowTitle(titleBarText(path.isEmpty() ? untitledName() : path) +
                             QLatin1String("[*]"));
    showSavedState();
}

void FileCommands::loadDatabase() {
    const LoadReport report = readDatabase(m_services.db, m_currentFile, m_services.errorLog);
    if (report.clash)
        m_services.messages.message(LockTerminatorClashMessage, programTitle());
}

void FileCommands::reportLoadErrors() {
    if (!m_services.db.loadErrors())
        return;
    m_services.messages.message(LoadErrorsMessage, QStringLiteral("Error!"));
    m_services.db.setLoadErrors(false);
}

QString FileCommands::dialogFolder() const {
    if (!m_lastFolder.isEmpty())
        return m_lastFolder;
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Veltrane\\Kovo");
#else
    return QDir::homePath();
#endif
}

void FileCommands::rememberFolder(const QString& path) {
    const QFileInfo info(path);
    if (info.absoluteDir().exists())
        m_lastFolder = info.absolutePath();
}

// False when the person cancelled; Yes saves under a name first.
bool FileCommands::askToSaveFirst() {
    if (m_services.db.settingsSaved())
        return true;
    const Answer answer =
        m_services.messages.ask(saveQuestion(), saveTitle(), Buttons::YesNoCancel);
    if (answer == Answer::Cancel)
        return false;
    if (answer == Answer::Yes)
        fileSaveAs();
    return true;
}

// Asks for a file and loads it in place of the configuration in use. A cancelled dialog keeps
// the configuration, its editors and their unapplied changes as they were.
bool FileCommands::openFromDialog() {
    const std::optional<QString> chosen =
        m_services.dialogs.openFile(OpenTitle, dialogFolder(), DatabaseFilter);
    if (!chosen)
        return false;
    m_editors.closeEditors();
    rememberFolder(*chosen);
    m_currentFile = *chosen;
    loadDatabase();
    setCurrentFile(*chosen);
    reportLoadErrors();
    m_editors.openEditors(TimersTab);
    return true;
}

void FileCommands::fileOpen() {
    if (askToSaveFirst())
        openFromDialog();
}

void FileCommands::fileNew() {
    if (askToSaveFirst())
        openFromDialog();
}

bool FileCommands::writeDatabase() {
    m_saving->adjustSize();
    m_saving->move(m_window->geometry().center() - m_saving->rect().center());
    m_saving->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (QFileInfo::exists(m_currentFile))
        emit aboutToOverwrite(m_currentFile);
    const SaveResult result = saveWholeDatabase(m_services.db, m_currentFile);
    m_saving->hide();
    if (result.ok) {
        showSavedState();
        return true;
    }
    m_services.db.setSettingsSaved(false);
    showSavedState();
    m_services.messages.message(QStringLiteral("The database file %1 could not be saved.\n\n%2")
                                    .arg(QDir::toNativeSeparators(m_currentFile), result.error),
                                saveTitle(), MessageIcon::Critical);
    return false;
}

bool FileCommands::openAsUnsaved(const QString& path) {
    Database loaded;
    const LoadReport report =
        readDatabase(loaded, path, m_services.errorLog, PreAccessWriteBack::No);
    if (!QFileInfo::exists(path) || !report.fileReadable || !report.configuration) {
        m_services.messages.message(QStringLiteral("%1 holds no configuration to open.")
                                        .arg(QDir::toNativeSeparators(path)),
                                    programTitle(), MessageIcon::Warning);
        return false;
    }
    if (!askToSaveFirst())
        return false;
    m_editors.closeEditors();
    m_services.db = loaded;
    if (report.clash)
        m_services.messages.message(LockTerminatorClashMessage, programTitle());
    m_services.db.setSettingsSaved(false);
    setCurrentFile(QString());
    reportLoadErrors();
    m_editors.openEditors(TimersTab);
    // Bringing an editor to the front resets the window's unsaved mark.
    showSavedState();
    return true;
}

void FileCommands::fileSave() {
    // A configuration that no file holds yet is saved under a name.
    if (m_currentFile.isEmpty()) {
        fileSaveAs();
        return;
    }
    m_services.settings.setLastRCFile(m_currentFile);
    writeDatabase();
}

void FileCommands::fileSaveAs() {
    const std::optional<QString> chosen =
        m_services.dialogs.saveFile(SaveAsTitle, dialogFolder(), m_currentFile, DatabaseFilter);
    if (!chosen) {
        m_editors.selectTab(TimersTab);
        return;
    }
    // Declining to overwrite keeps the file in use as it was; No is the safe answer and the
    // default one.
    if (QFileInfo::exists(*chosen) &&
        m_services.messages.askDefaultNo(
            QStringLiteral("File Already Exists! Are you sure you want to overwrite?"),
            saveTitle()) != Answer::Yes)
        return;
    rememberFolder(*chosen);
    m_services.settings.setLastRCFile(*chosen);
    m_services.db.setSettingsSaved(true);
    setCurrentFile(*chosen);
    writeDatabase();
    if (!m_editors.editorsOpen())
        m_editors.openEditors(TimersTab);
    else
        m_editors.selectTab(TimersTab);
}

} // namespace kovo
