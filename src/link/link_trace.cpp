#include "link_trace.h"

#include <QLoggingCategory>
#include <QMutexLocker>
#include <QSaveFile>
#include <QTextStream>
#include <atomic>

namespace kovo {
namespace {

Q_LOGGING_CATEGORY(lcTrace, "kovo.link.trace", QtWarningMsg)

std::shared_ptr<LinkTrace>& slot() {
    static std::shared_ptr<LinkTrace> trace;
    return trace;
}

QMutex& slotMutex() {
    static QMutex mutex;
    return mutex;
}

const char* eventName(LinkTrace::Event event) {
    switch (event) {
    case LinkTrace::Event::Sent:
        return "out";
    case LinkTrace::Event::Received:
        return "in";
    case LinkTrace::Event::Digit:
        return "dtmf";
    case LinkTrace::Event::Keying:
        return "key";
    case LinkTrace::Event::Note:
        break;
    }
    return "note";
}

// Bytes as a person reads them: printable ASCII as it is, CR and LF by name, the rest in hex.
QString readable(const QByteArray& bytes) {
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r')
            text += QStringLiteral("<CR>");
        else if (byte == '\n')
            text += QStringLiteral("<LF>");
        else if (byte >= 0x20 && byte < 0x7f)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("<%1>").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return text;
}

} // namespace

std::shared_ptr<LinkTrace> LinkTrace::installed() {
    QMutexLocker lock(&slotMutex());
    return slot();
}

void LinkTrace::install(std::shared_ptr<LinkTrace> trace) {
    QMutexLocker lock(&slotMutex());
    slot() = std::move(trace);
}

void LinkTrace::beginJob(const QString& title) {
    QMutexLocker lock(&m_mutex);
    m_title = title;
    m_entries.clear();
    m_clock.start();
    m_armed = false;
}

void LinkTrace::armJob(const QString& title) {
    QMutexLocker lock(&m_mutex);
    m_armedTitle = title;
    m_armedClock.start();
    m_armed = true;
}

bool LinkTrace::hasEntries() const {
    QMutexLocker lock(&m_mutex);
    return !m_entries.isEmpty();
}

void LinkTrace::record(Event event, const QString& port, const QByteArray& data) {
    QMutexLocker lock(&m_mutex);
    if (m_armed) {
        m_armed = false;
        m_title = m_armedTitle;
        m_entries.clear();
        m_clock = m_armedClock;
    }
    if (!m_clock.isValid())
        m_clock.start();
    m_entries.append({m_clock.nsecsElapsed() / 1000, event, port, data});
    qCDebug(lcTrace).noquote() << port << eventName(event) << readable(data);
}

QList<LinkTrace::Entry> LinkTrace::entries() const {
    QMutexLocker lock(&m_mutex);
    return m_entries;
}

QString LinkTrace::text() const {
    QMutexLocker lock(&m_mutex);
    QString text;
    QTextStream out(&text);
    if (!m_title.isEmpty())
        out << "# " << m_title << "\n";
    for (const Entry& entry : m_entries) {
        out << QStringLiteral("%1 ms").arg(static_cast<double>(entry.microseconds) / 1000.0, 12,
                                           'f', 3)
            << "  " << entry.port << "  " << eventName(entry.event) << "  " << readable(entry.data)
            << "\n";
    }
    return text;
}

bool LinkTrace::save(const QString& path, QString* error) const {
    const QByteArray bytes = text().toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("The link trace could not be written to %1: %2")
                         .arg(path, file.errorString());
        return false;
    }
    return true;
}

void traceLink(LinkTrace::Event event, const QString& port, const QByteArray& data) {
    if (const std::shared_ptr<LinkTrace> trace = LinkTrace::installed())
        trace->record(event, port, data);
}

} // namespace kovo
