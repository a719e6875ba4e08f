#pragma once

#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "database/program_settings.h"
#include "editors/recording_message_service.h"
#include "shell/kovo_main.h"
#include "shell/scripted_file_dialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace kovo::testing {

// The title as the window shows it: "[*]" is the unsaved-changes mark.
inline QString shownTitle(const QWidget& window) {
    QString title = window.windowTitle();
    return title.replace(QStringLiteral("[*]"),
                         window.isWindowModified() ? QStringLiteral("*") : QString());
}

// A main window over a temporary program folder, with recorded message boxes, scripted file
// dialogs and a port test that opens nothing.
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
        writeFile(QStringLiteral("kovo.ini"), "[Main]\r\n" + mainSection);
    }
    // A complete database file, as the program itself writes one.
    QString writeSampleDat(const QString& name) {
        Database fresh;
        const QString file = path(name);
        EXPECT_TRUE(saveWholeDatabase(fresh, file).ok);
        return file;
    }

    KovoMain& makeWindow() {
        settings = std::make_unique<ProgramSettings>(folder);
        ShellServices services{db, *settings, errorLog, messages, dialogs, folder, {}, {}};
        services.portTester = [this](const QString& port, QString* reason) {
            testedPorts.append(port);
            if (!portExists && reason)
                *reason = QStringLiteral("no such port");
            return portExists;
        };
        services.systemPorts = [] {
            return QVector<SystemPort>{{QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0")}};
        };
        window = std::make_unique<KovoMain>(services);
        return *window;
    }
    // Starts the window on a complete database file named in the settings file.
    KovoMain& startWithSample() {
        const QString dat = writeSampleDat(QStringLiteral("sample.dat"));
        writeIni("LastRCFile=" + dat.toUtf8() + "\r\n");
        KovoMain& started = makeWindow();
        EXPECT_TRUE(started.startUp());
        messages.clear();
        return started;
    }

    QTemporaryDir home;
    QString folder;
    Database db;
    ErrorLog errorLog;
    RecordingMessageService messages;
    ScriptedFileDialogs dialogs;
    std::unique_ptr<ProgramSettings> settings;
    std::unique_ptr<KovoMain> window;
    QStringList testedPorts;
    bool portExists = true;
};

} // namespace kovo::testing
