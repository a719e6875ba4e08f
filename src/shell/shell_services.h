#pragma once

#include "database/database.h"
#include "database/error_log.h"
#include "database/program_settings.h"
#include "editors/message_service.h"
#include "file_dialogs.h"

#include <QString>
#include <QVector>
#include <functional>

namespace kovo {

// A serial port this machine has: the caption its menu item shows and the ComPort value that
// choosing it stores.
struct SystemPort {
    QString caption;
    QString comPort;
};

// What the main window works with, handed in by whoever starts it (the program or a test).
struct ShellServices {
    Database& db;
    ProgramSettings& settings;
    ErrorLog& errorLog;
    MessageService& messages;
    FileDialogs& dialogs;
    QString programFolder;
    // Opens the port and closes it again at once; false (with the reason) when it cannot be
    // opened. Empty: the ports are opened through the link's channel factory.
    std::function<bool(const QString& port, QString* reason)> portTester;
    // The serial ports this machine has. Empty: asked of the system.
    std::function<QVector<SystemPort>()> systemPorts;
};

} // namespace kovo
