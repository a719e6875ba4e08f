#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QString>
#include <memory>

namespace kovo {

// The conversation with the controller during the last link job, for support: every byte
// written and read, every DTMF digit played and every change of a keying line, each with the
// milliseconds since the job began. Recording costs one lock and an append; nothing is written
// anywhere until the person saves it.
//
// The program installs one trace; every channel the channel factory makes then reports to it,
// and so does the DTMF player. Jobs call beginJob() so the trace holds only the last one.
class LinkTrace {
public:
    enum class Event { Sent, Received, Digit, Keying, Note };

    struct Entry {
        qint64 microseconds = 0;
        Event event = Event::Note;
        QString port;
        QByteArray data; // bytes, or the digit / line text
    };

    // The trace every link object reports to; null when none is installed.
    static std::shared_ptr<LinkTrace> installed();
    static void install(std::shared_ptr<LinkTrace> trace);

    // Forgets the previous job and starts the clock again; `title` heads the saved trace.
    void beginJob(const QString& title);
    // A job begins whose trace replaces the previous one at its first entry, so a job that
    // never talks to the controller (closing a port) keeps the last conversation; its clock
    // runs from now.
    void armJob(const QString& title);
    // Whether any job has recorded anything since the trace was made.
    bool hasEntries() const;
    void record(Event event, const QString& port, const QByteArray& data);

    QList<Entry> entries() const;
    // One line per entry: "  1234.567 ms  COM5  out  1*1000500<CR>".
    QString text() const;
    // Writes text() to `path` atomically; false with *error naming the file and the reason.
    bool save(const QString& path, QString* error = nullptr) const;

private:
    mutable QMutex m_mutex;
    QElapsedTimer m_clock;
    QString m_title;
    QElapsedTimer m_armedClock;
    QString m_armedTitle;
    bool m_armed = false;
    QList<Entry> m_entries;
};

// Reports to the installed trace, when there is one.
void traceLink(LinkTrace::Event event, const QString& port, const QByteArray& data);

} // namespace kovo
