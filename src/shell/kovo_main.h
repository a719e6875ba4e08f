#pragma once

#include "editor_factory.h"
#include "link/download.h"
#include "shell_services.h"

#include <QMainWindow>
#include <array>
#include <memory>

class QAction;
class QLabel;
class QTabBar;
class QTimer;

namespace kovo {

class AudioOutput;
class ConfigureMenu;
class DownloadWindow;
class EditorArea;
class EditorWindow;
class FileCommands;
class HistoryCommands;
class LinkCommands;
class LinkWorker;
class PortTimerCoupling;
class ManualSendWindow;
class SavingWindow;
class TarsisEmulator;
class TouchTonePad;
class UploadWindow;

// The main window: it wires the menus, the toolbar, the editor area under the tab strip SSTab1,
// the file commands, the Configure menu and the link commands together, runs the start-up
// sequence and ends the program.
class KovoMain : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int EditorCount = EditorTabCount;

    explicit KovoMain(const ShellServices& services, QWidget* parent = nullptr);
    ~KovoMain() override;

    // Start-up after the splash: error log, database file (`databaseFile` when given, else
    // LastRCFile, else the Open dialog), title, editors, placement, link settings, check marks,
    // SettingsSaved, the lock-code jump and the load-errors message. False when the person
    // cancelled the Open dialog: the program ends without showing the main window.
    bool startUp(const QString& databaseFile = QString());
    // Shows the window as the settings file placed it (normal, minimised or maximised).
    void showAsPlaced();

    QString currentDatabaseFile() const;
    // The editor of tab `tab`, built when first asked for (nullptr while the editors are closed).
    EditorWindow* editor(int tab) const;
    EditorWindow* frontEditor() const;
    EditorArea& editorArea() const { return *m_editors; }
    // Backups, Compare With and the link trace.
    HistoryCommands& history() const { return *m_history; }
    QTabBar* tabStrip() const;
    QAction* menuAction(const QString& name) const;
    SavingWindow* savingWindow() const;
    bool programEnded() const { return m_ended; }
    int serialTimerTicks(int timer) const { return m_serialTicks[timer == 2 ? 1 : 0]; }
    void resetSerialTimer(int timer) { m_serialTicks[timer == 2 ? 1 : 0] = 0; }
    // The link in force, as the status bar names it.
    QString linkStatus() const;

    // The link thread, the upload window and the download's progress window.
    LinkWorker& linkWorker() const;
    UploadWindow* uploadWindow();
    DownloadWindow* downloadWindow() const;
    // The manual send window and the touch-tone pad, made when first asked for.
    ManualSendWindow* manualSendWindow();
    TouchTonePad* touchTonePad();
    // The sound output of the touch-tone pad (the sound card unless set before the pad is made).
    void setPadAudioOutput(std::shared_ptr<AudioOutput> output);
    // The emulated controller behind the port "Built-in Tarsis emulator".
    const std::shared_ptr<TarsisEmulator>& builtInEmulator() const;
    // On a first start (no kovo.ini yet) the link goes to the built-in emulator, so that every
    // link feature works at once. The program asks for this; tests start as on a bare machine.
    void setBuiltInEmulatorOnFirstStart(bool on) { m_builtInOnFirstStart = on; }
    // How the last download ended.
    DownloadResult lastDownload() const;

    static QString saveQuestion();

public slots:
    void fileNew();
    void fileOpen();
    void fileSave();
    void fileSaveAs();
    // Exit: true when the program ends.
    bool fileExit();
    // Opens the upload window.
    void openUploadWindow();

signals:
    // The program ends (Exit, or the Open dialog cancelled).
    void programFinished();
    // A download started from the menu has ended, its editors reopened.
    void downloadFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void startSerialTimers();
    void onDownloadEnded(const DownloadResult& result);
    void setLinkBusy(bool busy);
    void showSavedState();
    void endProgram();
    void applyPlacement();
    void writePlacement();

    ShellServices m_services;
    EditorArea* m_editors = nullptr;
    LinkCommands* m_link = nullptr;
    FileCommands* m_files = nullptr;
    HistoryCommands* m_history = nullptr;
    ConfigureMenu* m_configure = nullptr;
    PortTimerCoupling* m_portTimers = nullptr;
    QLabel* m_linkStatus = nullptr;
    bool m_ended = false;
    bool m_builtInOnFirstStart = false;
    int m_initialState = 0;
    std::array<int, 2> m_serialTicks{};
};

} // namespace kovo
