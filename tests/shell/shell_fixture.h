#pragma once

#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "database/program_settings.h"
#include "editors/editor_window.h"
#include "editors/program_info.h"
#include "editors/recording_message_service.h"
#include "emulator/tarsis_emulator.h"
#include "link/channel_factory.h"
#include "link/cli_runner.h" // readable QString values in failure messages
#include "link/dtmf_digits.h"
#include "link/recording_audio_output.h"
#include "shell/editor_area.h"
#include "shell/gui_operator.h"
#include "shell/history_commands.h"
#include "shell/kovo_main.h"
#include "shell/link_worker.h"
#include "shell/scripted_file_dialogs.h"
#include "shell/title_bar.h"
#include "shell/upload_window.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace kovo::testing {

using namespace Qt::StringLiterals;

// The title as the window shows it: "[*]" is the unsaved-changes mark.
inline QString shownTitle(const QWidget& window) {
    QString title = window.windowTitle();
    return title.replace(u"[*]"_s, window.isWindowModified() ? u"*"_s : QString());
}

// The keypad characters of the tone pairs an output played.
inline QString playedDigits(const RecordingAudioOutput& audio) {
    QString out;
    for (const auto& event : audio.events()) {
        if (event.kind == RecordingAudioOutput::Event::Kind::TonePair)
            out += QLatin1Char(dtmfCharacterForTones(event.frequency1, event.frequency2));
    }
    return out;
}

// What the person is told when the controller refuses a line, and when the line that keys the
// transmitter cannot be driven.
inline QString refusedText(const QString& answer) {
    return u"There has been an error. The Tarsis returned "_s + answer + u"    "_s;
}
inline QString keyingFailureText(const QString& port) {
    return u"The transmitter cannot be keyed: %1 cannot drive RTS. Choose a serial port whose RTS "
           "line keys the transmitter (DTMFComPort and WhichSend in kovo.ini), or set "
           "DTMFComPort to 0 and key the transmitter by hand."_s.arg(port);
}

// A recording output that fails from its `failFrom`th tone pair on, and runs `duringFirstTone`
// while its first tone sounds, as the sound card's waits run window events.
class ScriptedOutput : public RecordingAudioOutput {
public:
    bool playTonePair(int frequency1, int frequency2, double seconds) override {
        if (++tones >= failFrom)
            setFailPlay(true);
        const bool ok = RecordingAudioOutput::playTonePair(frequency1, frequency2, seconds);
        if (duringFirstTone)
            std::exchange(duringFirstTone, nullptr)();
        return ok;
    }
    int failFrom = 1 << 30;
    int tones = 0;
    std::function<void()> duringFirstTone;
};

// A main window over a temporary program folder, with recorded message boxes, scripted file
// dialogs and a port test that opens nothing; its link may run on the built-in emulator.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        folder = home.path();
    }

    QString path(const QString& name) const { return QDir(folder).filePath(name); }

    void writeFile(const QString& name, const QByteArray& text) const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    QByteArray readFile(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeIni(const QByteArray& mainSection) const {
        writeFile(u"kovo.ini"_s, "[Main]\r\n" + mainSection);
    }
    // A complete database file, as the program itself writes one.
    QString writeSampleDat(const QString& name, Database content = {}) {
        const QString file = path(name);
        EXPECT_TRUE(saveWholeDatabase(content, file).ok);
        return file;
    }

    KovoMain& makeWindow() {
        settings = std::make_unique<ProgramSettings>(folder);
        ShellServices services{db, *settings, errorLog, messages, dialogs, folder, {}, {}};
        services.portTester = [this](const QString& port, QString* reason) {
            testedPorts.append(port);
            if (!portExists && reason)
                *reason = u"no such port"_s;
            return portExists;
        };
        services.systemPorts = [] {
            return QVector<SystemPort>{{u"ttyUSB0"_s, u"/dev/ttyUSB0"_s}};
        };
        window = std::make_unique<KovoMain>(services);
        return *window;
    }
    // Starts the window on a complete database file named in the settings file.
    KovoMain& startWithSample() {
        const QString dat = writeSampleDat(u"sample.dat"_s);
        writeIni("LastRCFile=" + dat.toUtf8() + "\r\n");
        KovoMain& started = makeWindow();
        EXPECT_TRUE(started.startUp());
        messages.clear();
        return started;
    }
    // The same, its link on the built-in emulator with a short answer time-out.
    KovoMain& startOnEmulator() {
        KovoMain& main = startWithSample();
        settings->setComPort(ChannelFactory::builtInEmulatorName());
        main.linkWorker().setAnswerTimeoutMs(250);
        emulator = main.builtInEmulator();
        return main;
    }

    QAction* item(const char* name) const { return window->menuAction(QLatin1String(name)); }
    void trigger(const char* name) const { item(name)->trigger(); }
    // The names of the ticked menu items, sorted.
    QString checkedItems() const {
        QStringList names;
        for (const QAction* action : window->findChildren<QAction*>()) {
            if (action->isChecked())
                names << action->objectName();
        }
        names.sort();
        return names.join(u' ');
    }

    // Waits (letting events run) until the link thread has no job; false on the hang guard.
    bool waitIdle() {
        return QTest::qWaitFor([&] { return !window->linkWorker().busy(); }, 60000);
    }

    // Opens the upload window as its menu item does and waits for the port to be open.
    UploadWindow& openUploadWindow() {
        trigger("mnuTarsisUpload");
        EXPECT_TRUE(waitIdle());
        UploadWindow* upload = window->uploadWindow();
        EXPECT_TRUE(upload->isVisible());
        emulator->clearRecords();
        return *upload;
    }

    QPushButton* button(const QString& name) {
        return window->uploadWindow()->findChild<QPushButton*>(name);
    }

    void clickAndWait(const QString& name) {
        QPushButton* target = button(name);
        ASSERT_NE(target, nullptr) << qPrintable(name);
        ASSERT_TRUE(target->isEnabled()) << qPrintable(name);
        target->click();
        ASSERT_TRUE(waitIdle());
    }

    // Every box shown, as "title|text".
    QStringList boxes() const {
        QStringList out;
        for (const auto& call : messages.calls)
            out << call.title + u'|' + call.text;
        return out;
    }

    // Puts `value` into the emulated controller's hang timer of `port`.
    void controllerHangTime(int port, int value) {
        TarsisMemory memory = emulator->memory();
        ASSERT_TRUE(memory.applySerialLine(u"%1*1000%2"_s.arg(port).arg(value)).accepted);
        emulator->setMemory(memory);
    }

    // Runs a download from its menu item; false on the hang guard.
    bool runDownload() {
        QSignalSpy finished(window.get(), &KovoMain::downloadFinished);
        trigger("mnuTarsisDownload");
        return finished.wait(60000) || finished.count() > 0;
    }

    QTemporaryDir home;
    QString folder;
    Database db;
    ErrorLog errorLog;
    RecordingMessageService messages;
    ScriptedFileDialogs dialogs;
    std::unique_ptr<ProgramSettings> settings;
    std::unique_ptr<KovoMain> window;
    std::shared_ptr<TarsisEmulator> emulator;
    QStringList testedPorts;
    bool portExists = true;
};

} // namespace kovo::testing
