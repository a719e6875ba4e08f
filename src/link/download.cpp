#include "download.h"

#include "channel.h"
#include "database/database.h"
#include "database/program_settings.h"
#include "memory_image.h"
#include "operator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QThread>
#include <deque>
#include <optional>

using namespace Qt::StringLiterals;

namespace kovo {

namespace {

Q_LOGGING_CATEGORY(lcDownload, "kovo.link.download")

// The silence counter reaches 5 after five ticks without a chunk.
constexpr int SilenceTicks = 5;
// How often the receive loops look at the cancel flag and the silence counter.
constexpr int PollMs = 50;
constexpr int MemoryProgressMaximum = 4700;
constexpr int OstrikProgressMaximum = 10;

// A chunk that cannot go on: an end marker, or "position,value" whose value has three digits or
// is too large to take another one. other chunks without a line end wait for a quiet gap.
bool looksComplete(const QByteArray& partial) {
    if (partial == "Complete" || partial == "+SendE" || partial == "RIComplete")
        return true;
    const qsizetype comma = partial.indexOf(',');
    if (comma <= 0 || comma + 1 >= partial.size())
        return false;
    for (qsizetype i = 0; i < partial.size(); ++i)
        if (i != comma && (partial[i] < '0' || partial[i] > '9'))
            return false;
    // A number is written without leading zeros, so "0" is complete as well.
    const QByteArray value = partial.mid(comma + 1);
    return value.size() >= 3 || value == "0" || value.toInt() >= 26;
}

// Cuts what the controller sends into chunks: one per line (CR and/or LF end a line), or the
// bytes that came before a quiet gap when the controller ends its chunks with nothing.
class ChunkReader {
public:
    ChunkReader(Channel& channel, int gapMs) : m_channel(channel), m_gapMs(gapMs) {}

    // The next chunk, waiting at most `waitMs` for it.
    std::optional<QString> next(int waitMs) {
        QElapsedTimer waited;
        waited.start();
        while (m_ready.empty()) {
            const qint64 left = waitMs - waited.elapsed();
            if (left <= 0 && !quietPartial())
                return std::nullopt;
            int timeout = static_cast<int>(qMax<qint64>(left, 0));
            if (!m_partial.isEmpty())
                timeout = qMin(timeout, qMax(1, m_gapMs - static_cast<int>(m_sinceByte.elapsed())));
            const QByteArray bytes = m_channel.isOpen() ? m_channel.read(timeout) : QByteArray();
            if (!bytes.isEmpty()) {
                take(bytes);
                if (m_ready.empty() && looksComplete(m_partial)) {
                    m_ready.push_back(QString::fromLatin1(m_partial).trimmed());
                    m_partial.clear();
                }
            } else if (quietPartial()) {
                m_ready.push_back(QString::fromLatin1(m_partial).trimmed());
                m_partial.clear();
            } else if (!m_channel.isOpen() || !m_channel.healthy()) {
                // A closed or dropped line answers at once; wait as a read would have.
                QThread::msleep(static_cast<unsigned long>(qMax(timeout, 1)));
            }
        }
        const QString chunk = m_ready.front();
        m_ready.pop_front();
        return chunk;
    }

private:
    bool quietPartial() const {
        return !m_partial.isEmpty() && m_sinceByte.isValid() && m_sinceByte.elapsed() >= m_gapMs;
    }

    void take(const QByteArray& bytes) {
        m_sinceByte.start();
        for (char c : bytes) {
            if (c == '\r' || c == '\n') {
                const QString line = QString::fromLatin1(m_partial).trimmed();
                if (!line.isEmpty())
                    m_ready.push_back(line);
                m_partial.clear();
            } else {
                m_partial.append(c);
            }
        }
    }

    Channel& m_channel;
    int m_gapMs;
    QByteArray m_partial;
    QElapsedTimer m_sinceByte;
    std::deque<QString> m_ready;
};

// Throws away what the port holds before a download starts: a late answer to the last command
// (the "+" to an upload's closing reset) would otherwise read as the end of the stream.
void discardWaiting(Channel& channel, int quietMs) {
    for (int i = 0; i < 64 && !channel.read(quietMs).isEmpty(); ++i) {
    }
}

void pause(int ms) {
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

// Opens the channel unless it is open; tells the person when it cannot be opened.
bool openPort(Channel& channel, Operator& person, const DownloadSettings& settings) {
    if (channel.isOpen())
        return true;
    QString reason;
    if (channel.open(&reason))
        return true;
    qCWarning(lcDownload) << "cannot open" << channel.portName() << reason;
    bool numeric = false;
    settings.comPort.toInt(&numeric);
    const QString port = numeric ? u"COM"_s + settings.comPort : channel.portName();
    person.message(port +
                   u" is in use by another program. Close the other program and try again"_s);
    return false;
}

// The end markers of the memory stream. A chunk that holds the last data and "Complete"
// together begins with a digit and is written as data.
bool endsMemory(const QString& chunk) {
    return chunk == u"Complete" || chunk == u"+SendE" || chunk.startsWith(u'+') ||
           chunk.startsWith(u'C') || chunk.startsWith(u"-K");
}

} // namespace

DownloadResult runDownload(Database& db, Channel& channel, Operator& person,
                           const DownloadSettings& settings) {
    DownloadResult result;
    if (settings.comPort == u"0") {
        person.message(DownloadText::DtmfMode, DownloadText::ErrorTitle, MessageIcon::Critical);
        result.outcome = DownloadOutcome::Refused;
        return result;
    }
    if (person.ask(DownloadText::Confirm, DownloadText::ConfirmTitle, Buttons::YesNo) !=
        Answer::Yes) {
        result.outcome = DownloadOutcome::Declined;
        return result;
    }

    result.memFile = QDir(settings.programFolder).filePath(u"download.mem"_s);
    ProgramSettings(settings.programFolder).setMemFile(QDir::toNativeSeparators(result.memFile));
    // The new image goes into a file beside the last one, which it replaces only once the
    // stream has ended with its end marker.
    QSaveFile memory(result.memFile);
    if (!memory.open(QIODevice::WriteOnly)) {
        person.message(u"The memory image file "_s + QDir::toNativeSeparators(result.memFile) +
                           u" cannot be written: "_s + memory.errorString(),
                       DownloadText::ErrorTitle, MessageIcon::Critical);
        result.outcome = DownloadOutcome::PortFailed;
        return result;
    }
    if (!openPort(channel, person, settings)) {
        result.outcome = DownloadOutcome::PortFailed;
        return result;
    }

    person.progress(0, MemoryProgressMaximum, DownloadText::Receiving);
    ChunkReader reader(channel, settings.chunkGapMs);
    discardWaiting(channel, settings.drainMs);
    channel.write(QByteArrayLiteral("1SendEram\r"));
    QElapsedTimer silence;
    silence.start();
    const qint64 silenceLimit = static_cast<qint64>(SilenceTicks) * settings.silenceTickMs;

    for (;;) {
        const std::optional<QString> chunk = reader.next(PollMs);
        if (chunk && endsMemory(*chunk)) {
            pause(settings.settleMs);
            channel.close();
            if (!memory.commit()) {
                result.outcome = DownloadOutcome::Broken;
                result.error = u"The memory image file "_s +
                               QDir::toNativeSeparators(result.memFile) +
                               u" cannot be written: "_s + memory.errorString();
                person.message(result.error, DownloadText::ErrorTitle, MessageIcon::Critical);
                return result;
            }
            person.progress(MemoryProgressMaximum, MemoryProgressMaximum, DownloadText::Receiving);
            break;
        }
        if (silence.elapsed() >= silenceLimit) {
            memory.cancelWriting();
            person.message(DownloadText::TimedOut, DownloadText::TimeoutTitle);
            result.outcome = DownloadOutcome::TimedOut;
            return result;
        }
        if (chunk && !chunk->isEmpty()) {
            memory.write(chunk->toLatin1() + "\r\n");
            if (result.chunks % 32 == 0)
                person.progress(qMin(result.chunks, MemoryProgressMaximum), MemoryProgressMaximum,
                                DownloadText::Receiving);
            ++result.chunks;
            silence.restart();
            channel.write(QByteArrayLiteral("OK\r"));
        }
        if (person.interrupted()) {
            pause(settings.settleMs);
            memory.cancelWriting();
            person.message(DownloadText::Cancelled);
            result.outcome = DownloadOutcome::Cancelled;
            return result;
        }
    }

    const bool ostrik = person.ask(DownloadText::AskOstrik, DownloadText::AskOstrikTitle,
                                   Buttons::YesNo) == Answer::Yes;
    result.ostrikFitted = ostrik;
    OstrikDownloadResult board;
    if (ostrik) {
        board = downloadOstrikRecords(db, channel, person, settings);
        result.ostrikRecords = board.records;
    }
    const MemoryImageResult decoded = decodeMemoryImage(result.memFile, db);
    if (!decoded.ok) {
        result.outcome = DownloadOutcome::Broken;
        result.error = decoded.error;
        person.message(decoded.error, DownloadText::ErrorTitle, MessageIcon::Critical);
        return result;
    }
    if (ostrik && board.outcome == OstrikOutcome::Done) {
        const OstrikDecodeResult records = decodeOstrikRecords(board.tempFile, db);
        result.ostrikComplete = records.ok;
        if (!records.ok)
            person.message(records.error, DownloadText::ErrorTitle, MessageIcon::Critical);
    }
    result.outcome = DownloadOutcome::Done;
    person.message(DownloadText::SaveAdvice);
    return result;
}

OstrikDownloadResult downloadOstrikRecords(const Database& db, Channel& channel, Operator& person,
                                           const DownloadSettings& settings) {
    OstrikDownloadResult result;
    result.tempFile = QDir(settings.programFolder).filePath(u"Tempfile.dat"_s);
    QSaveFile temp(result.tempFile);
    if (!temp.open(QIODevice::WriteOnly)) {
        person.message(u"The autopatch record file "_s + QDir::toNativeSeparators(result.tempFile) +
                           u" cannot be written: "_s + temp.errorString(),
                       DownloadText::ErrorTitle, MessageIcon::Critical);
        return result;
    }
    if (!openPort(channel, person, settings))
        return result;

    person.progress(0, OstrikProgressMaximum, DownloadText::ReceivingOstrik);
    ChunkReader reader(channel, settings.chunkGapMs);
    discardWaiting(channel, settings.drainMs);
    channel.write(QByteArrayLiteral("1SendAPEram\r"));
    QElapsedTimer silence;
    silence.start();
    const qint64 silenceLimit = static_cast<qint64>(SilenceTicks) * settings.silenceTickMs;

    while (!person.interrupted()) {
        const std::optional<QString> chunk = reader.next(PollMs);
        if (chunk && chunk->left(5) == u"RICom") {
            pause(settings.settleMs);
            channel.close();
            temp.write("Complete\r\n");
            if (!temp.commit()) {
                person.message(u"The autopatch record file "_s +
                                   QDir::toNativeSeparators(result.tempFile) +
                                   u" cannot be written: "_s + temp.errorString(),
                               DownloadText::ErrorTitle, MessageIcon::Critical);
                return result;
            }
            person.progress(OstrikProgressMaximum, OstrikProgressMaximum,
                            DownloadText::ReceivingOstrik);
            result.outcome = OstrikOutcome::Done;
            return result;
        }
        if (chunk && !chunk->isEmpty() && !chunk->startsWith(u"+SendA")) {
            temp.write(chunk->toLatin1() + "\r\n");
            ++result.records;
            person.progress(qMin(result.records, OstrikProgressMaximum), OstrikProgressMaximum,
                            DownloadText::ReceivingOstrik);
            silence.restart();
            pause(settings.ostrikAnswerDelayMs);
            channel.write(QByteArrayLiteral("o\r"));
        }
        if (silence.elapsed() >= silenceLimit) {
            person.message(DownloadText::OstrikTimedOut, DownloadText::TimeoutTitle);
            temp.cancelWriting();
            result.outcome = OstrikOutcome::TimedOut;
            return result;
        }
    }
    pause(settings.settleMs);
    channel.write((db.storedLock() + db.storedTerminator()).toLatin1() + '\r');
    person.message(DownloadText::Cancelled);
    temp.cancelWriting();
    result.outcome = OstrikOutcome::Cancelled;
    return result;
}

void applyOstrikRecords(const QStringList& records, Database& db) {
    // Autodial numbers first, then the toll-restrict list (emptied, then filled), then the two
    // settings; "RI" (the board's identity) and unknown tags are skipped.
    const auto entry = [](const QString& line, int count, int* number) {
        bool ok = false;
        *number = line.mid(2, 3).toInt(&ok);
        return ok && *number >= 1 && *number <= count;
    };
    int number = 0;
    for (const QString& line : records)
        if (line.startsWith(u"RA") && entry(line, 200, &number))
            db.setValue("AutoDial", number, line.mid(5).trimmed());
    for (int i = 1; i <= 100; ++i)
        db.setValue("TollRestrict", i, QString());
    for (const QString& line : records)
        if (line.startsWith(u"RT") && entry(line, 100, &number))
            db.setValue("TollRestrict", number, line.mid(5).trimmed());
    for (const QString& line : records) {
        if (line.startsWith(u"RS"))
            db.setValue("APTimeOut", line.mid(2).trimmed());
        else if (line.startsWith(u"RR"))
            db.setValue("RingNumber", line.mid(2).trimmed());
    }
    db.setGroupChanged(Group::Autopatch);
}

OstrikDecodeResult decodeOstrikRecords(const QString& path, Database& db) {
    OstrikDecodeResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = u"The autopatch records "_s + QDir::toNativeSeparators(path) +
                       u" cannot be read: "_s + file.errorString();
        return result;
    }
    QStringList lines;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (!line.isEmpty())
            lines << line;
    }
    if (lines.isEmpty() || lines.last() != u"Complete") {
        result.error = u"The autopatch records "_s + QDir::toNativeSeparators(path) +
                       u" are incomplete (no \"Complete\" at their end); nothing was changed."_s;
        return result;
    }
    lines.removeLast();
    applyOstrikRecords(lines, db);
    result.ok = true;
    return result;
}

} // namespace kovo
