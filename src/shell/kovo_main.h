#pragma once

#include "editor_factory.h"
#include "link/download.h"
#include "shell_services.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>

class QAction;
class QActionGroup;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTabBar;
class QTimer;

namespace kovo {

class AudioOutput;
class BuiltInEmulator;
class DownloadWindow;
class ManualSendWindow;
class TouchTonePad;
class EditorWindow;
class LinkActionRunner;
class LinkWorker;
class PortTimerCoupling;
class SavingWindow;
class TarsisEmulator;
class UploadWindow;

// The main window: menus, toolbar, the eleven-tab strip SSTab1 over the editor windows, the
// start-up sequence, the File and Configure commands and Exit.
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

    QString currentDatabaseFile() const { return m_currentFile; }
    // The editor shown by tab `tab` (nullptr while the editors are closed).
    EditorWindow* editor(int tab) const;
    EditorWindow* frontEditor() const;
    QTabBar* tabStrip() const { return m_tabs; }
    QAction* menuAction(const QString& name) const;
    SavingWindow* savingWindow() const { return m_saving; }
    bool programEnded() const { return m_ended; }
    int serialTimerTicks(int timer) const { return m_serialTicks[timer == 2 ? 1 : 0]; }
    void resetSerialTimer(int timer) { m_serialTicks[timer == 2 ? 1 : 0] = 0; }

    // The link thread, the upload window and the download's progress window.
    LinkWorker& linkWorker() const { return *m_link; }
    UploadWindow* uploadWindow();
    DownloadWindow* downloadWindow() const { return m_download; }
    // The manual send window and the touch-tone pad, made when first asked for.
    ManualSendWindow* manualSendWindow();
    TouchTonePad* touchTonePad();
    // The sound output of the touch-tone pad (the sound card unless set before the pad is made).
    void setPadAudioOutput(std::shared_ptr<AudioOutput> output) { m_padAudio = std::move(output); }
    // The emulated controller behind the port "Built-in Tarsis emulator".
    const std::shared_ptr<TarsisEmulator>& builtInEmulator() const;
    // On a first start (no kovo.ini yet) the link goes to the built-in emulator, so that every
    // link feature works at once. The program asks for this; tests start as on a bare machine.
    void setBuiltInEmulatorOnFirstStart(bool on) { m_builtInOnFirstStart = on; }
    // How the last download ended.
    DownloadResult lastDownload() const { return m_lastDownload; }

    static QString editorCaption(int tab);

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
    // Runs the download on the link thread with its progress window.
    void downloadFromTarsis();

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
    void buildCentre();
    void refreshSystemPorts();

    void openEditors();
    void closeEditors();
    void reopenEditors();
    void linkBusy(bool busy);
    EditorWindow* ensureEditor(int tab);
    void bringToFront(int tab);
    void onTabChanged(int tab);
    void selectTab(int tab);

    void setCurrentFile(const QString& path);
    void loadDatabase();
    void reportLoadErrors();
    bool openFromDialog(const QString& filter);
    bool writeDatabase();
    QString dialogFolder() const;
    void rememberFolder(const QString& path);
    void endProgram();

    void applyPlacement();
    void writePlacement();
    void setLinkCheckMarks();

    void chooseSerialPort(const QString& port, QAction* item);
    void choosePttPort(int port);
    void choosePttLine(int line);
    void chooseOtherPort();
    void portTest();
    void askToneDelay(bool keyUp);
    void askSerialDelay();
    void showAbout();
    void showCompany();

    ShellServices m_services;
    Database& m_db;
    ProgramSettings& m_settings;
    MessageService& m_messages;

    QString m_currentFile;
    QString m_lastFolder;
    bool m_ended = false;
    bool m_editorsOpen = false;
    int m_currentTab = -1;
    bool m_switchingTabs = false;
    int m_initialState = 0;

    QTabBar* m_tabs = nullptr;
    QMdiArea* m_mdi = nullptr;
    std::array<QPointer<EditorWindow>, EditorCount> m_editors{};
    std::array<QPointer<QMdiSubWindow>, EditorCount> m_windows{};
    PortTimerCoupling* m_portTimers = nullptr;
    SavingWindow* m_saving = nullptr;

    QMenu* m_serialMenu = nullptr;
    std::array<QAction*, 8> m_com{};
    std::array<QAction*, 8> m_pttCom{};
    QAction* m_dtr = nullptr;
    QAction* m_rts = nullptr;
    QAction* m_otherPort = nullptr;
    QAction* m_systemPortsSeparator = nullptr;
    QList<QAction*> m_systemPortItems;

    QAction* m_builtIn = nullptr;

    std::unique_ptr<BuiltInEmulator> m_emulator;
    LinkWorker* m_link = nullptr;
    std::unique_ptr<LinkActionRunner> m_actionRunner; // every editor's controller actions
    UploadWindow* m_upload = nullptr;
    DownloadWindow* m_download = nullptr;
    ManualSendWindow* m_manualSend = nullptr;
    TouchTonePad* m_pad = nullptr;
    std::shared_ptr<AudioOutput> m_padAudio;
    bool m_builtInOnFirstStart = false;
    DownloadResult m_lastDownload;

    QTimer* m_serialTimer = nullptr;
    QTimer* m_serialTimer2 = nullptr;
    std::array<int, 2> m_serialTicks{};
};

} // namespace kovo
