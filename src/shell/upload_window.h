#pragma once

#include "link/upload.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kovo {

class Database;
class LinkWorker;
class MessageService;
class ProgramSettings;

// The upload window `Update` ("Send To Tarsis"): sends the whole configuration or only what
// changed, over the serial link or as touch tones according to ComPort. The transfer runs on the
// link thread; this window asks its questions, follows the progress and hides when the upload
// has ended. It names the link in use (`LinkInUse`), so an upload to the emulator is never taken
// for one to the radio, and "Interrupt Upload" is enabled exactly while an upload it started
// runs.
class UploadWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int ProgressMaximum = Upload::ProgressMaximum;

    UploadWindow(Database& db, ProgramSettings& settings, MessageService& messages,
                 LinkWorker& link, QWidget* parent = nullptr);

    // The window loads (the menu item and the toolbar button): progress controls hidden, the
    // serial port opened unless opening it failed before, geometry restored; shown modal.
    void prepare();

    // True while an upload started here runs.
    bool uploading() const { return m_uploading; }
    // How the last upload started here ended.
    UploadResult lastResult() const { return m_lastResult; }

    QProgressBar* progressBar() const { return m_progressBar; }
    QLabel* percentLabel() const { return m_percent; }
    // "Link: " and the link the settings put in force.
    QString linkText() const;

public slots:
    void uploadComplete();
    void updateChangesOnly();
    void interruptUpload();
    void closeWindow();

signals:
    // An upload is about to start here: the configuration is as it will be sent.
    void uploadStarting(bool complete);
    // An upload started here has ended (on the GUI thread).
    void uploadFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void runUpload(bool complete);
    void uploadEnded(bool complete, const UploadResult& result, bool linkGaveUp);
    void progressed(int value, int maximum, const QString& label);
    void linkBusy(bool busy);
    void setUploading(bool uploading);
    void showProgress(bool visible);
    void restoreGeometry();
    void writeGeometry();

    Database& m_db;
    ProgramSettings& m_settings;
    MessageService& m_messages;
    LinkWorker& m_link;

    QPushButton* m_complete = nullptr;
    QPushButton* m_update = nullptr;
    QPushButton* m_interrupt = nullptr;
    QPushButton* m_close = nullptr;
    QLabel* m_linkInUse = nullptr;
    QLabel* m_progressLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_percent = nullptr;

    bool m_uploading = false;
    bool m_geometryRestored = false;
    UploadResult m_lastResult;
};

} // namespace kovo
