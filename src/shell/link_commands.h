#pragma once

#include "link/download.h"
#include "shell_services.h"

#include <QObject>
#include <memory>

class QMenuBar;
class QWidget;

namespace kovo {

class AudioOutput;
class BuiltInEmulator;
class ControllerActionRunner;
class DownloadWindow;
class LinkWorker;
class ManualSendWindow;
class TarsisEmulator;
class TouchTonePad;
class UploadWindow;

// Everything that talks to the controller: the link thread, the built-in emulator, the DTMF
// test pad, Manual Data Send, and the Tarsis menu's upload and download, with their windows.
class LinkCommands : public QObject {
    Q_OBJECT

public:
    // `databaseFile` names the file in use (a code change is written into it).
    LinkCommands(const ShellServices& services, std::function<QString()> databaseFile,
                 QWidget* window);
    ~LinkCommands() override;

    // The menu bar items "&DTMF Test Pad", "&Manual Data Send" and "&Tarsis".
    void addMenus(QMenuBar* bar);

    LinkWorker& linkWorker() const { return *m_link; }
    ControllerActionRunner* actionRunner() const;
    UploadWindow* uploadWindow();
    DownloadWindow* downloadWindow() const { return m_download; }
    ManualSendWindow* manualSendWindow();
    TouchTonePad* touchTonePad();
    void setPadAudioOutput(std::shared_ptr<AudioOutput> output) { m_padAudio = std::move(output); }
    const std::shared_ptr<TarsisEmulator>& builtInEmulator() const;
    DownloadResult lastDownload() const { return m_lastDownload; }

    void openUploadWindow();
    void downloadFromTarsis();
    // The program ends: Manual Send keeps its placement, the port closes.
    void shutDown();

signals:
    // An upload is about to send the configuration (complete or changes only).
    void uploadStarting(bool complete);
    // A download has ended; `result` says how.
    void downloadEnded(const DownloadResult& result);

private:
    ShellServices m_services;
    QWidget* m_window;
    std::unique_ptr<BuiltInEmulator> m_emulator;
    LinkWorker* m_link = nullptr;
    std::unique_ptr<ControllerActionRunner> m_actionRunner;
    UploadWindow* m_upload = nullptr;
    DownloadWindow* m_download = nullptr;
    ManualSendWindow* m_manualSend = nullptr;
    TouchTonePad* m_pad = nullptr;
    std::shared_ptr<AudioOutput> m_padAudio;
    DownloadResult m_lastDownload;
};

} // namespace kovo
