#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

namespace kovo {

// error.log: created empty when the program starts, one line (CRLF) per refused value, the
// lines of every load of a run following each other. Without a file it only collects lines.
class ErrorLog {
public:
    ErrorLog() = default;
    // Creates (or empties) the file; false when it cannot be created, the log then only collects.
    bool create(const QString& path);
    void append(const QString& line);

    const QStringList& lines() const { return m_lines; }
    QString path() const { return m_file.fileName(); }

private:
    QFile m_file;
    QStringList m_lines;
};

} // namespace kovo
