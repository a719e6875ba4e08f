#pragma once

#include "shell_services.h"

#include <QObject>
#include <QString>

class QWidget;

namespace kovo {

class EditorArea;
class SavingWindow;

// The database file in use and the File commands on it: New, Open, Save, Save As, and the
// first load at start-up. The window title names the file and marks unsaved changes.
class FileCommands : public QObject {
    Q_OBJECT

public:
    FileCommands(const ShellServices& services, EditorArea& editors, QWidget* window);

    QString currentFile() const { return m_currentFile; }
    SavingWindow* savingWindow() const { return m_saving; }

    // Start-up: `databaseFile` when given, else LastRCFile, else the Open dialog. False when the
    // person cancelled that dialog.
    bool loadAtStartUp(const QString& databaseFile);
    // The load-errors message, when the last load had errors.
    void reportLoadErrors();

    void fileNew();
    void fileOpen();
    void fileSave();
    void fileSaveAs();
    // Loads `path` (a backup) as a new configuration that no file holds yet: the title marks it
    // unsaved and Save asks for a name. `path` itself is never written. False when the person
    // cancelled or the file holds no configuration.
    bool openAsUnsaved(const QString& path);

    // Where the file dialogs open: the folder of the last file chosen.
    QString dialogFolder() const;

    // Marks the title when the configuration holds changes not saved to the file.
    void showSavedState();

    static QString saveQuestion();
    static QString saveTitle();
    // The title bar's name for a configuration that no file holds.
    static QString untitledName() { return QStringLiteral("Untitled"); }

signals:
    // Save is about to overwrite the existing file `path`.
    void aboutToOverwrite(const QString& path);

private:
    void setCurrentFile(const QString& path);
    void loadDatabase();
    bool openFromDialog();
    bool askToSaveFirst();
    bool writeDatabase();
    void rememberFolder(const QString& path);

    ShellServices m_services;
    EditorArea& m_editors;
    QWidget* m_window;
    SavingWindow* m_saving = nullptr;
    QString m_currentFile;
    QString m_lastFolder;
};

} // namespace kovo
