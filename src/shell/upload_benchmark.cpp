#include "upload_benchmark.h"

#include "built_in_emulator.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "database/program_settings.h"
#include "editors/recording_message_service.h"
#include "emulator/tarsis_emulator.h"
#include "gui_operator.h"
#include "kovo_main.h"
#include "link/emulator_channel.h"
#include "link/line_sink.h"
#include "link/recording_operator.h"
#include "link/serial_link.h"
#include "link/upload.h"
#include "link_worker.h"
#include "scripted_file_dialogs.h"
#include "upload_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>
#include <cstdio>

namespace kovo {

namespace {

EmulatorFaults paced() {
    EmulatorFaults faults;
    faults.paced = true;
    return faults;
}

// The upload as kovo-cli runs it: engine, serial link and channel on this thread.
double cliUploadMs(const QString& databaseFile, int* commands) {
    Database db;
    ErrorLog log;
    readDatabase(db, databaseFile, log);
    auto emulator = std::make_shared<TarsisEmulator>(paced());
    RecordingOperator person;
    LinkFlags flags;
    SerialLink::Settings settings;
    settings.comPort = BuiltInEmulator::portName();
    SerialLink link(std::make_unique<EmulatorChannel>(settings.comPort, emulator), person, flags,
                    settings);
    SerialLinkLineSink lines(link);
    Upload upload(db, flags, person, lines);
    QElapsedTimer clock;
    clock.start();
    const UploadResult result = upload.sendCompleteData();
    const double ms = clock.nsecsElapsed() / 1e6;
    link.close();
    *commands = emulator->exchangeCount();
    return result.outcome == UploadOutcome::Completed ? ms : -1;
}

struct GuiFigures {
    double ms = -1;
    double maxGapMs = 0;
    int ticks = 0;
    int progress = 0;
};

GuiFigures guiUpload(const QString& programFolder, const QString& databaseFile) {
    GuiFigures figures;
    Database db;
    ProgramSettings settings(programFolder);
    ErrorLog errorLog;
    RecordingMessageService messages;
    ScriptedFileDialogs dialogs;
    ShellServices services{db, settings, errorLog, messages, dialogs, programFolder, {}, {}};
    services.portTester = [](const QString&, QString*) { return true; };
    KovoMain window(services);
    if (!window.startUp(databaseFile))
        return figures;
    settings.setComPort(BuiltInEmulator::portName());
    window.show();
    window.builtInEmulator()->setFaults(paced());

    UploadWindow* upload = window.uploadWindow();
    LinkWorker& link = window.linkWorker();
    upload->prepare();
    while (link.busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QObject::connect(upload->progressBar(), &QProgressBar::valueChanged, upload,
                     [&](int value) { figures.progress = qMax(figures.progress, value); });

    QElapsedTimer tickClock;
    qint64 lastTick = -1;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = tickClock.nsecsElapsed();
        if (lastTick >= 0)
            figures.maxGapMs = qMax(figures.maxGapMs, (now - lastTick) / 1e6);
        lastTick = now;
        ++figures.ticks;
    });

    bool finished = false;
    QObject::connect(upload, &UploadWindow::uploadFinished, [&] {
        finished = true;
        ticker.stop();
    });
    messages.answers = {Answer::Yes};
    QElapsedTimer clock;
    tickClock.start();
    ticker.start();
    clock.start();
    upload->uploadComplete();
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double ms = clock.nsecsElapsed() / 1e6;
    if (upload->lastResult().outcome == UploadOutcome::Completed)
        figures.ms = ms;
    window.linkWorker().shutDown();
    return figures;
}

} // namespace

int measureUpload(const QString& programFolder, const QString& databaseFile) {
    QString file = databaseFile;
    if (file.isEmpty()) {
        file = QDir(programFolder).filePath(QStringLiteral("measure-upload.dat"));
        Database defaults;
        if (!saveWholeDatabase(defaults, file).ok) {
            std::fprintf(stderr, "kovo: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const GuiFigures gui = guiUpload(programFolder, file);
    int commands = 0;
    const double cliMs = cliUploadMs(file, &commands);
    std::printf("upload_gui_ms=%.1f upload_cli_ms=%.1f ratio=%.3f max_tick_gap_ms=%.1f ticks=%d "
                "progress=%d commands=%d\n",
                gui.ms, cliMs, cliMs > 0 ? gui.ms / cliMs : 0.0, gui.maxGapMs, gui.ticks,
                gui.progress, commands);
    return gui.ms > 0 && cliMs > 0 ? 0 : 1;
}

} // namespace kovo
