#pragma once

#include <QString>

namespace kovo {

class Database;
class FileDialogs;
class MessageService;

// File > Export Report: asks where to write the configuration report and writes it, as PDF or
// as HTML by the name's extension. A report that cannot be written is reported in a box.
class ReportExporter {
public:
    ReportExporter(const Database& db, FileDialogs& dialogs, MessageService& messages);

    // `currentFile` names the configuration in the report and presets the file name.
    // False when cancelled or not written.
    bool exportReport(const QString& folder, const QString& currentFile);

private:
    const Database& m_db;
    FileDialogs& m_dialogs;
    MessageService& m_messages;
};

} // namespace kovo
