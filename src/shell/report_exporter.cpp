#include "report_exporter.h"

#include "database/database.h"
#include "editors/message_service.h"
#include "file_dialogs.h"
#include "report/configuration_report.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kovo {

ReportExporter::ReportExporter(const Database& db, FileDialogs& dialogs, MessageService& messages)
    : m_db(db), m_dialogs(dialogs), m_messages(messages) {}

bool ReportExporter::exportReport(const QString& folder, const QString& currentFile) {
    const QFileInfo current(currentFile);
    const QString name = currentFile.isEmpty() ? u"Untitled"_s : current.completeBaseName();
    const QString preset = QDir(folder).filePath(name + u".pdf"_s);
    const std::optional<QString> chosen =
        m_dialogs.saveFile(u"Export Report"_s, folder, preset,
                           u"PDF Documents (*.pdf);;HTML Documents (*.html *.htm)"_s);
    if (!chosen || chosen->isEmpty())
        return false;
    QString path = *chosen;
    if (QFileInfo(path).suffix().isEmpty())
        path += u".pdf"_s;
    if (!currentFile.isEmpty() &&
        QFileInfo(path).absoluteFilePath() == current.absoluteFilePath()) {
        m_messages.message(u"The report cannot replace the database file it describes."_s,
                           u"Export Report"_s, MessageIcon::Critical);
        return false;
    }
    const ConfigurationReport::WriteResult written =
        ConfigurationReport(m_db, currentFile.isEmpty() ? name : current.fileName()).write(path);
    if (!written.ok) {
        m_messages.message(written.error, u"Export Report"_s, MessageIcon::Critical);
        return false;
    }
    return true;
}

} // namespace kovo
