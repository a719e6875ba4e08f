#include "download.h"

#include "channel.h"
#include "chunk_reader.h"
#include "database/database.h"
#include "database/profile_file.h"
#include "database/program_settings.h"
#include "memory_image.h"
#include "operator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QThread>
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
// A memory image is 4096 lines; a few more are let through so that the decoder names what is
// wrong, anything beyond is no memory image and ends the download.
constexpr int MemoryChunkLimit = MemoryImageSize + 16;
// The board holds 200 autodial numbers, 100 toll-restrict entries and three settings.
constexpr int OstrikRecordLimit = 200 + 100 + 3 + 17;

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
    person.message(portOpenFailedMessage(port, reason));
    return false;
}

// The end markers of the memory stream. A chunk that holds the last data and "Complete"
// together begins with a digit and is written as data.
bool endsMemory(const QString& chunk) {
    return chunk == u"Complete" || chunk == u"+SendE" || chunk.startsWith(u'+') ||
           chunk.startsWith(u'C') || chunk.startsWith(u"-K");
}

// An answer that refuses instead of sending memory; "-K" is an end marker.
bool refusesMemory(const QString& chunk) {
    return chunk.startsWith(u'-') && !chunk.startsWith(u"-K");
}

ChunkFraming framingFor(const DownloadSettings& settings) {
    const QString chosen =
        readIni(u"Main", u"DownloadFraming", QDir(settings.programFolder).filePath(u"kovo.ini"_s));
    if (chosen.compare(u"QuietGap"_s, Qt::CaseInsensitive) == 0)
        return ChunkFraming::QuietGap;
    return settings.framing;
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
    ChunkReader reader(channel, settings.chunkGapMs, framingFor(settings));
    discardWaiting(channel, settings.drainMs);
    channel.write(QByteArrayLiteral("1SendEram\r"));
    QElapsedTimer silence;
    silence.start();
    const qint64 silenceLimit = static_cast<qint64>(SilenceTicks) * settings.silenceTickMs;
    const auto stop = [&](DownloadOutcome outcome, const QString& text, const QString& title) {
        memory.cancelWriting();
        result.outcome = outcome;
        if (outcome == DownloadOutcome::Broken)
            result.error = text;
        person.message(text, title);
        return result;
    };

    for (;;) {
        const std::optional<ChunkReader::Event> event = reader.next(PollMs);
        if (event && event->kind == ChunkReader::Event::Kind::Acknowledge) {
            silence.restart();
            channel.write(QByteArrayLiteral("OK\r"));
            continue;
        }
        const QString chunk = event ? event->chunk : QString();
        if (endsMemory(chunk)) {
            pause(settings.settleMs);
            channel.close();
            if (!memory.commit()) {
                result.error = u"The memory image file "_s +
                               QDir::toNativeSeparators(result.memFile) +
                               u" cannot be written: "_s + memory.errorString();
                return stop(DownloadOutcome::Broken, result.error, DownloadText::ErrorTitle);
            }
            person.progress(MemoryProgressMaximum, MemoryProgressMaximum, DownloadText::Receiving);
            break;
        }
        if (refusesMemory(chunk))
            return stop(DownloadOutcome::Broken, DownloadText::Refused.arg(chunk),
                        DownloadText::ErrorTitle);
        if (silence.elapsed() >= silenceLimit)
            return stop(DownloadOutcome::TimedOut, DownloadText::TimedOut,
                        DownloadText::TimeoutTitle);
        if (!chunk.isEmpty()) {
            if (result.chunks >= MemoryChunkLimit)
                return stop(DownloadOutcome::Broken, DownloadText::TooLong.arg(MemoryChunkLimit),
                            DownloadText::ErrorTitle);
            memory.write(chunk.toLatin1() + "\r\n");
            if (result.chunks % 32 == 0)
                person.progress(qMin(result.chunks, MemoryProgressMaximum), MemoryProgressMaximum,
                                DownloadText::Receiving);
            ++result.chunks;
            silence.restart();
            if (!event->acknowledged)
                channel.write(QByteArrayLiteral("OK\r"));
        }
        if (person.interrupted()) {
            pause(settings.settleMs);
            return stop(DownloadOutcome::Cancelled, DownloadText::Cancelled, QString());
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
    } else if (ostrik && !board.recordLines.isEmpty()) {
        // A board download cut short still gives the records that did arrive.
        applyOstrikRecords(board.recordLines, db);
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
    ChunkReader reader(channel, settings.chunkGapMs, ChunkFraming::QuietGap);
    discardWaiting(channel, settings.drainMs);
    channel.write(QByteArrayLiteral("1SendAPEram\r"));
    QElapsedTimer silence;
    silence.start();
    const qint64 silenceLimit = static_cast<qint64>(SilenceTicks) * settings.silenceTickMs;

    while (!person.interrupted()) {
        const std::optional<ChunkReader::Event> event = reader.next(PollMs);
        const QString chunk = event ? event->chunk : QString();
        if (chunk.left(5) == u"RICom") {
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
        if (!chunk.isEmpty() && !chunk.startsWith(u"+SendA")) {
            if (result.records >= OstrikRecordLimit) {
                person.message(DownloadText::OstrikTooLong.arg(OstrikRecordLimit),
                               DownloadText::ErrorTitle);
                temp.cancelWriting();
                result.outcome = OstrikOutcome::TooMany;
                return result;
            }
            temp.write(chunk.toLatin1() + "\r\n");
            result.recordLines << chunk;
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
    // Autodial numbers first, then the toll-restrict entries, then the two settings; "RI" (the
    // board's identity) and unknown tags are skipped. Entries the board did not send keep their
    // values: only the editor's list starts empty.
    const auto entry = [](const QString& line, int count, int* number) {
        bool ok = false;
        *number = line.mid(2, 3).toInt(&ok);
        return ok && *number >= 1 && *number <= count;
    };
    int number = 0;
    for (const QString& line : records)
        if (line.startsWith(u"RA") && entry(line, 200, &number))
            db.setValue("AutoDial", number, line.mid(5).trimmed());
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
