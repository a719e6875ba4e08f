#pragma once

#include <QImage>
#include <QMap>
#include <QString>
#include <QStringList>

class QTextDocument;

namespace kovo {

class Database;

// The whole configuration as a document a person reads: one section per editor, in tables.
// Written as PDF (by Qt's own text document and PDF writer) or as one self-contained HTML file.
class ConfigurationReport {
public:
    struct WriteResult {
        bool ok = false;
        QString error; // a sentence naming the file, when not ok
    };

    // `source` names the configuration in the title (usually its file name).
    ConfigurationReport(const Database& db, const QString& source);

    // The section titles, in the order the report shows them.
    static const QStringList& sectionTitles();

    // The HTML: pictures as data URLs when `embedPictures`, else as the document resource names
    // that fillDocument() registers.
    QString html(bool embedPictures) const;
    void fillDocument(QTextDocument& document) const;

    // PDF when the name ends in ".pdf", HTML otherwise. Written to a temporary name and renamed,
    // so an existing file is replaced only by a complete report.
    WriteResult write(const QString& path) const;
    WriteResult writePdf(const QString& path) const;
    WriteResult writeHtml(const QString& path) const;

private:
    const Database& m_db;
    QString m_source;
    QMap<QString, QImage> m_pictures; // resource name -> picture
};

} // namespace kovo
