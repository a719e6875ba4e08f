#pragma once

#include "shell_services.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QMenu;
class QWidget;

namespace kovo {

class BackupKeeper;
class BackupsWindow;
class CompareWindow;
class EditorArea;
class FileCommands;
class LinkCommands;
class LinkTrace;

// What the program keeps of its past work and shows of it: the backups taken around Save,
// uploads and downloads (File > Backups), the comparison of the configuration in use with another
// (File > Compare With) and the trace of the last link job (Help > Save Link Trace).
class HistoryCommands : public QObject {
    Q_OBJECT

public:
    HistoryCommands(const ShellServices& services, EditorArea& editors, FileCommands& files,
                    LinkCommands& link, QWidget* window);
    ~HistoryCommands() override;

    // "Backups…" and "Compare With…".
    void addFileItems(QMenu* file);
    // "Save Link Trace…".
    void addHelpItems(QMenu* help);

    BackupKeeper& backups() const { return *m_backups; }
    const std::shared_ptr<LinkTrace>& linkTrace() const { return m_trace; }
    // Made when first shown; nullptr before.
    BackupsWindow* backupsWindow() const;
    CompareWindow* compareWindow() const;

    void showBackups();
    // Asks for a database file and compares the configuration in use with it.
    void compareWithFile();
    // False (after saying why) when `path` holds no configuration.
    bool compareWith(const QString& path, const QString& otherName);
    void saveLinkTrace();
    // Brings the editor of tab `editorIndex` to the front with the control of the field focused.
    void showField(int editorIndex, const QString& field, int index);

    static QString noTraceText();

private:
    void openBackup(const QString& path);

    ShellServices m_services;
    EditorArea& m_editors;
    FileCommands& m_files;
    LinkCommands& m_link;
    QWidget* m_window;
    BackupKeeper* m_backups = nullptr;
    std::shared_ptr<LinkTrace> m_trace;
    QPointer<BackupsWindow> m_backupsWindow;
    QPointer<CompareWindow> m_compareWindow;
};

} // namespace kovo
