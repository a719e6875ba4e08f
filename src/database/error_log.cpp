#include "error_log.h"

namespace kovo {

bool ErrorLog::create(const QString& path) {
    m_file.close();
    m_file.setFileName(path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void ErrorLog::append(const QString& line) {
    m_lines.append(line);
    if (m_file.isOpen()) {
        m_file.write(line.toLatin1() + "\r\n");
        m_file.flush(); // a crash or a killed run still leaves every line written so far
    }
}

} // namespace kovo
