// The serial link against the emulated Tarsis on a real pseudo-terminal, paced like a 9600-baud
// line: a complete upload of a full configuration and a download of the whole memory image, each
// judged against the time its bytes take on the wire (10 bits a byte at 9600 baud, each way, plus
// the controller's answer delay per exchange). Also the decoding of one memory image.
//
// The emulator serves the pty from a thread of this process. Every run has a deadline: a link
// that stops answering ends kovo-bench with a message instead of hanging it.
//
// KOVO_BENCH_ANSWER_DELAY_MS sets the emulated controller's answer delay (default 0: the line
// alone, the strictest limit).
#include "bench.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "database/vocabulary.h"
#include "emulator/emulator_server.h"
#include "emulator/tarsis_emulator.h"
#include "emulator/tarsis_memory.h"
#include "link/channel_factory.h"
#include "link/download.h"
#include "link/line_sink.h"
#include "link/link_trace.h"
#include "link/memory_image.h"
#include "link/recording_operator.h"
#include "link/serial_link.h"
#include "link/upload.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

namespace kovo::bench {
namespace {

// Ends the process when the work it guards has not finished in time.
class Deadline {
public:
    Deadline(const QString& what, double seconds)
        : m_thread([this, what, seconds] {
              std::unique_lock lock(m_mutex);
              const auto limit = std::chrono::duration<double>(seconds);
              if (m_done.wait_for(lock, limit, [this] { return m_finished; }))
                  return;
              QTextStream(stderr) << "kovo-bench: " << what << " did not finish within "
                                  << QString::number(seconds, 'f', 0) << " s; giving up\n";
              std::_Exit(3);
          }) {}
    ~Deadline() {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread; // last: starts once the members it uses exist
};

// The emulated Tarsis serving a pseudo-terminal from its own thread.
class EmulatorOnPty {
public:
    explicit EmulatorOnPty(const EmulatorFaults& faults)
        : m_emulator(std::make_shared<TarsisEmulator>(faults)), m_server(m_emulator) {
        m_ready = m_server.openPty(&m_error);
        if (m_ready)
            m_thread = std::thread([this] { m_server.run(); });
    }
    ~EmulatorOnPty() {
        if (m_thread.joinable()) {
            m_server.stop();
            m_thread.join();
        }
    }
    EmulatorOnPty(const EmulatorOnPty&) = delete;
    EmulatorOnPty& operator=(const EmulatorOnPty&) = delete;

    bool ready() const { return m_ready; }
    QString error() const { return m_error; }
    QString port() const { return m_server.slavePath(); }
    TarsisEmulator& emulator() { return *m_emulator; }

private:
    std::shared_ptr<TarsisEmulator> m_emulator;
    EmulatorServer m_server;
    bool m_ready = false;
    QString m_error;
    std::thread m_thread;
};

// A channel that counts the bytes crossing it each way.
class CountingChannel : public Channel {
public:
    explicit CountingChannel(std::unique_ptr<Channel> inner) : m_inner(std::move(inner)) {}

    QString portName() const override { return m_inner->portName(); }
    bool isOpen() const override { return m_inner->isOpen(); }
    bool open(QString* reason) override { return m_inner->open(reason); }
    void close() override { m_inner->close(); }
    bool write(const QByteArray& bytes) override {
        m_written += bytes.size();
        ++m_writes;
        return m_inner->write(bytes);
    }
    QByteArray read(int timeoutMs) override {
        QByteArray bytes = m_inner->read(timeoutMs);
        m_read += bytes.size();
        return bytes;
    }
    bool setDtr(bool on) override { return m_inner->setDtr(on); }
    bool setRts(bool on) override { return m_inner->setRts(on); }
    bool healthy() const override { return m_inner->healthy(); }

    qint64 written() const { return m_written; }
    qint64 readBytes() const { return m_read; }
    qint64 writes() const { return m_writes; }

private:
    std::unique_ptr<Channel> m_inner;
    qint64 m_written = 0;
    qint64 m_read = 0;
    qint64 m_writes = 0;
};

// Counts the exchanges (lines that wait for an answer) and the lines written without one. With
// no inner sink every command counts as acknowledged at once: the upload's lines without a line.
class CountingLineSink : public LineSink {
public:
    explicit CountingLineSink(LineSink* inner = nullptr) : m_inner(inner) {}

    bool open() override { return m_inner ? m_inner->open() : true; }
    void close() override {
        if (m_inner)
            m_inner->close();
    }
    void sendCommand(const QString& line) override {
        ++m_exchanges;
        m_bytes += line.size();
        if (m_inner)
            m_inner->sendCommand(line);
    }
    void writeLine(const QString& line) override {
        ++m_unanswered;
        m_bytes += line.size();
        if (m_inner)
            m_inner->writeLine(line);
    }
    void setLockCode(const QString& lock) override {
        if (m_inner)
            m_inner->setLockCode(lock);
    }

    int exchanges() const { return m_exchanges; }
    int unanswered() const { return m_unanswered; }
    qint64 bytes() const { return m_bytes; }

private:
    LineSink* m_inner;
    int m_exchanges = 0;
    int m_unanswered = 0;
    qint64 m_bytes = 0;
};

int answerDelayMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("KOVO_BENCH_ANSWER_DELAY_MS", &ok);
    return ok && ms >= 0 ? ms : 0;
}

EmulatorFaults Line(bool paced) {
    EmulatorFaults faults;
    faults.paced = paced;
    faults.answerDelayMs = answerDelayMs();
    return faults;
}

// Seconds the bytes take on a 9600-baud line, plus the controller's delay before each answer.
double wireSeconds(qint64 bytesEachWay, qint64 exchanges, int answerDelayMs) {
    return static_cast<double>(bytesEachWay) * TarsisEmulator::ByteSeconds +
           static_cast<double>(exchanges) * answerDelayMs / 1000.0;
}

QString samplePath() {
    return QStringLiteral(KOVO_EXAMPLES_DIR "/sample.dat");
}

bool loadSample(Database& db) {
    const QString path = samplePath();
    if (!QFileInfo::exists(path))
        return false;
    ErrorLog log;
    return readDatabase(db, path, log).fileReadable;
}

QString joined(int count, const std::function<QString(int)>& item,
               const QString& separator = u" "_s) {
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts << item(i);
    return parts.join(separator);
}

// The sample configuration with every memory the controller holds filled to its longest:
// 15-step macros, 4-step short macros, 9-word messages, 22-word voice IDs, 15-token CW IDs,
// 10-digit DTMF memories, every frequency, autodial and toll-restrict entry.
Database fullConfiguration(bool* fromSample) {
    Database db;
    *fromSample = loadSample(db);
    const QStringList& words = speechVocabulary();
    QStringList cw;
    for (const CwCharacter& c : cwCharacterSet())
        if (c.code)
            cw << QString::fromLatin1(c.token);
    const auto word = [&](int i) { return words.at((i * 7 + 3) % words.size()); };
    const auto cwToken = [&](int i) { return cw.at(i % cw.size()); };
    const auto step = [](int first) {
        return [first](int i) { return QString::number(first + i).rightJustified(3, u'0'); };
    };
    const QString digits = u"0123456789*#ABCD"_s;

    for (int n = 1; n <= 40; ++n) {
        db.setValue(u"Macro", n, joined(15, step(100 + n)));
        db.setValue(u"MessageMacro", n, joined(9, [&](int i) { return word(n + i); }));
    }
    for (int n = 1; n <= 50; ++n)
        db.setValue(u"ShortMacro", n, joined(4, step(10 + n)));
    for (int p = 1; p <= 3; ++p) {
        for (const char* id : {"VoiceID1", "VoiceID2", "VoiceID3"})
            db.setValue(QLatin1String(id), p, joined(22, [&](int i) { return word(p * 31 + i); }));
        for (const char* id : {"CWID1", "CWID2"})
            db.setValue(QLatin1String(id), p, joined(15, [&](int i) { return cwToken(p + i); }));
    }
    for (int n = 1; n <= 20; ++n)
        db.setValue(u"DTMF", n,
                    joined(10, [&](int i) { return QString(digits.at((n + i) % 16)); }));
    for (int n = 1; n <= 10; ++n)
        db.setValue(u"FreqString", n, u"14694"_s + QString::number(n % 10) + u"1"_s);
    for (int n = 1; n <= 200; ++n)
        db.setValue(u"AutoDial", n,
                    joined(
                        16, [&](int i) { return QString(digits.at((n + i) % 12)); }, QString()));
    for (int n = 1; n <= 100; ++n)
        db.setValue(u"TollRestrict", n,
                    joined(
                        11, [&](int i) { return QString(digits.at((n + i) % 10)); }, QString()));
    return db;
}

struct UploadCount {
    int commands = 0;  // lines written, the closing reset included
    int exchanges = 0; // lines that wait for an answer
    qint64 bytes = 0;  // bytes of those lines, CRs included
    bool completed = false;
};

// The lines of a complete upload, counted without a line.
UploadCount countCompleteUpload(Database db) {
    LinkFlags flags;
    RecordingOperator person;
    CountingLineSink sink;
    Upload upload(db, flags, person, sink);
    const UploadResult result = upload.sendCompleteData();
    return {sink.exchanges() + sink.unanswered(), sink.exchanges(), sink.bytes(),
            result.outcome == UploadOutcome::Completed};
}

struct LineRun {
    bool ok = false;
    QString problem;
    double seconds = 0;
    double openSeconds = 0; // opening the port, not in `seconds`
    qint64 sent = 0;        // bytes the host wrote
    qint64 received = 0;    // bytes the host read
    qint64 exchanges = 0;
    int commands = 0;
};

// One upload over the pty against an emulator with the given line. `complete` false sends the
// items whose pending flags are set.
LineRun uploadOverPty(Database db, bool complete, bool paced, TarsisMemory* memoryAfter) {
    LineRun run;
    EmulatorOnPty emulator(Line(paced));
    if (!emulator.ready()) {
        run.problem = u"no pseudo-terminal: "_s + emulator.error();
        return run;
    }
    QString error;
    auto inner = ChannelFactory::create(emulator.port(), &error);
    if (!inner) {
        run.problem = error;
        return run;
    }
    auto owned = std::make_unique<CountingChannel>(std::move(inner));
    CountingChannel* channel = owned.get();
    RecordingOperator person;
    LinkFlags flags;
    SerialLink::Settings settings;
    settings.comPort = emulator.port();
    SerialLink link(std::move(owned), person, flags, settings);
    SerialLinkLineSink lines(link);
    CountingLineSink counter(&lines);

    // The port is opened before the clock starts: the figure is about the line.
    QElapsedTimer opening;
    opening.start();
    if (!link.openSerialPort()) {
        run.problem = u"the port did not open: "_s + person.messageTexts().join(u" | "_s);
        return run;
    }
    run.openSeconds = static_cast<double>(opening.nsecsElapsed()) / 1e9;
    Upload upload(db, flags, person, counter);
    QElapsedTimer timer;
    timer.start();
    const UploadResult result = complete ? upload.sendCompleteData() : upload.sendChangesOnly();
    run.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    link.close();

    run.sent = channel->written();
    run.received = channel->readBytes();
    run.exchanges = counter.exchanges();
    run.commands = counter.exchanges() + counter.unanswered();
    run.ok = result.outcome == UploadOutcome::Completed;
    if (!run.ok)
        run.problem = u"the upload did not complete: "_s + person.messageTexts().join(u" | "_s);
    if (memoryAfter) {
        // The closing reset is written without waiting; let it land before reading the memory.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (emulator.emulator().receivedLines().size() < run.commands &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        *memoryAfter = emulator.emulator().memory();
    }
    return run;
}

// The download of the whole memory image (no autopatch board) over the pty, with the settings
// the programs use and the chunks framed as `framing` says.
LineRun downloadOverPty(const TarsisMemory& memory, bool paced,
                        ChunkFraming framing = ChunkFraming::Positions) {
    LineRun run;
    EmulatorOnPty emulator(Line(paced));
    if (!emulator.ready()) {
        run.problem = u"no pseudo-terminal: "_s + emulator.error();
        return run;
    }
    emulator.emulator().setMemory(memory);
    QString error;
    auto inner = ChannelFactory::create(emulator.port(), &error);
    if (!inner) {
        run.problem = error;
        return run;
    }
    CountingChannel channel(std::move(inner));
    QTemporaryDir folder;
    RecordingOperator person;
    person.scriptAnswers({Answer::Yes, Answer::No}); // download: yes; Ostrik board: no
    DownloadSettings settings;
    settings.programFolder = folder.path();
    settings.comPort = u"1"_s;
    settings.framing = framing;
    Database db;

    QElapsedTimer opening;
    opening.start();
    if (!channel.open(&error)) {
        run.problem = u"the port did not open: "_s + error;
        return run;
    }
    run.openSeconds = static_cast<double>(opening.nsecsElapsed()) / 1e9;
    QElapsedTimer timer;
    timer.start();
    const DownloadResult result = runDownload(db, channel, person, settings);
    run.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    channel.close();

    run.sent = channel.written();
    run.received = channel.readBytes();
    run.exchanges = channel.writes(); // "1SendEram" and one "OK" per chunk, each answered
    run.commands = result.chunks;
    run.ok = result.outcome == DownloadOutcome::Done && result.chunks == MemoryImageSize;
    if (!run.ok)
        run.problem = QStringLiteral("the download ended after %1 chunks: %2")
                          .arg(result.chunks)
                          .arg(person.messageTexts().join(u" | "_s) + result.error);
    return run;
}

// Reports a run against its wire time; a run that failed is reported as such.
void reportLine(const QString& name, const LineRun& run, bool paced, const QString& what) {
    if (!run.ok) {
        note(name, u"FAILED: "_s + run.problem);
        return;
    }
    const int delay = answerDelayMs();
    const double wire = wireSeconds(run.sent + run.received, run.exchanges, delay);
    note(name + u".bytes"_s,
         QStringLiteral("%1 sent, %2 received, %3 exchanges, answer delay %4 ms")
             .arg(run.sent)
             .arg(run.received)
             .arg(run.exchanges)
             .arg(delay));
    report(name, run.seconds, u"s"_s, wire, what);
    if (run.openSeconds > 0)
        note(name + u".open"_s, QStringLiteral("%1 ms to open the port (before the clock starts)")
                                    .arg(QString::number(run.openSeconds * 1000.0, 'f', 1)));
    if (run.exchanges <= 0)
        return;
    if (paced)
        note(name + u".overhead"_s,
             QStringLiteral("%1 ms an exchange above the wire time")
                 .arg(QString::number((run.seconds - wire) * 1000.0 / run.exchanges, 'f', 3)));
    else
        note(name + u".per-exchange"_s,
             QStringLiteral("%1 ms an exchange")
                 .arg(QString::number(run.seconds * 1000.0 / run.exchanges, 'f', 3)));
}

// Chunks of the memory stream that carry no sign of their end: a value of one or two digits
// below 26 may still be followed by another digit, so the host waits for a quiet gap.
int openEndedChunks(const TarsisMemory& memory) {
    int count = 0;
    for (const char byte : memory.bytes()) {
        const int value = static_cast<unsigned char>(byte);
        count += value >= 1 && value <= 25 ? 1 : 0;
    }
    return count;
}

Database fullConfigurationNoted() {
    bool fromSample = false;
    Database full = fullConfiguration(&fromSample);
    note(u"link.configuration"_s,
         fromSample ? u"examples/sample.dat with every macro, message, ID and memory filled"_s
                    : u"defaults with every macro, message, ID and memory filled (sample.dat not "
                      u"found)"_s);
    return full;
}

void uploadBench(const BenchOptions& options) {
    const Database full = fullConfigurationNoted();

    // What a complete upload sends, counted without a line.
    const UploadCount count = countCompleteUpload(full);
    note(u"link.upload.complete.commands"_s,
         QStringLiteral("%1 lines (%2 answered), %3 bytes to the controller, %4 s of line at 9600 "
                        "baud")
             .arg(count.commands)
             .arg(count.exchanges)
             .arg(count.bytes)
             .arg(QString::number(wireSeconds(count.bytes + count.exchanges, 0, 0), 'f', 1)));
    Database sample;
    if (loadSample(sample)) {
        const UploadCount sampleCount = countCompleteUpload(sample);
        note(u"link.upload.complete.commands.sample"_s,
             QStringLiteral("%1 lines (%2 answered), %3 bytes to the controller")
                 .arg(sampleCount.commands)
                 .arg(sampleCount.exchanges)
                 .arg(sampleCount.bytes));
    }
    const double expectedUpload =
        wireSeconds(count.bytes + count.exchanges, count.exchanges, answerDelayMs());

    if (options.quick) {
        // CI: the complete upload unpaced (the host's own overhead against the line time of the
        // same bytes), and a paced changes-only upload of a few commands for the real ratio.
        {
            Deadline deadline(u"the unpaced complete upload"_s, 120 + expectedUpload);
            const LineRun run = uploadOverPty(full, true /*complete*/, false, nullptr);
            reportLine(u"link.upload.complete.unpaced"_s, run, false,
                       u"the 9600-baud wire time of the same bytes (no pacing: overhead only)"_s);
        }
        Database changes = full;
        changes.setAllPending(false);
        for (int port = 1; port <= 3; ++port) {
            changes.setPending(u"HangTimePending", port);
            changes.setPending(u"TimeOutPending", port);
            changes.setPending(u"MacroPending", port);
        }
        Deadline deadline(u"the paced changes-only upload"_s, 120);
        const LineRun run = uploadOverPty(changes, false, true, nullptr);
        reportLine(u"link.upload.changes.paced"_s, run, true,
                   u"the wire-time limit (goal ratio <= 1.05)"_s);
    } else {
        Deadline deadline(u"the paced complete upload"_s, 120 + 3 * expectedUpload);
        const LineRun run = uploadOverPty(full, true, true, nullptr);
        reportLine(u"link.upload.complete.paced"_s, run, true,
                   u"the wire-time limit (goal ratio <= 1.05)"_s);
    }
}

void downloadBench(const BenchOptions& options) {
    // The controller's memory after a complete upload of the full configuration (unpaced).
    const Database full = fullConfigurationNoted();
    TarsisMemory memory;
    {
        Deadline deadline(u"the upload that fills the controller"_s, 120);
        const LineRun filled = uploadOverPty(full, true, false, &memory);
        if (!filled.ok) {
            note(u"link.download"_s,
                 u"FAILED: the controller could not be filled: "_s + filled.problem);
            return;
        }
    }
    note(u"link.download.open-ended-chunks"_s,
         QStringLiteral("%1 of %2 chunks (value 1-25) end only with a quiet gap when framed by it")
             .arg(openEndedChunks(memory))
             .arg(MemoryImageSize));
    {
        // Every chunk is at most 9 bytes and its "OK" 3; the gap wait is at most 20 ms a chunk.
        const double worst = MemoryImageSize * (12 * TarsisEmulator::ByteSeconds + 0.03);
        Deadline deadline(u"the download"_s, 120 + 4 * worst);
        const bool paced = !options.quick;
        const LineRun run = downloadOverPty(memory, paced);
        reportLine(paced ? u"link.download.paced"_s : u"link.download.unpaced"_s, run, paced,
                   paced ? u"the wire-time limit (goal ratio <= 1.05)"_s
                         : u"the 9600-baud wire time of the same bytes (no pacing: overhead "
                           u"only)"_s);
        if (paced) {
            // The baseline: every chunk framed by the quiet gap, as for a controller that
            // misbehaves on an early "OK".
            const LineRun quietGap = downloadOverPty(memory, true, ChunkFraming::QuietGap);
            reportLine(u"link.download.paced.quiet-gap"_s, quietGap, true,
                       u"the wire-time limit (framed by the quiet gap)"_s);
            if (run.ok && quietGap.ok)
                note(u"link.download.paced.framing"_s,
                     QStringLiteral("framing by position takes %1 of the time framing by the "
                                    "quiet gap takes")
                         .arg(QString::number(run.seconds / quietGap.seconds, 'f', 3)));
        }
    }

    // Decoding one image.
    QTemporaryDir dir;
    const QString image = dir.filePath(u"download.mem"_s);
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly)) {
        note(u"link.decode"_s, u"FAILED: cannot write "_s + image);
        return;
    }
    file.write(memory.memoryLines().join(u"\r\n"_s).toLatin1() + "\r\n");
    file.close();
    Database decoded = full;
    bool decodedOk = true;
    const double decodeMs = bestMilliseconds(options.quick ? 5 : 50, [&] {
        decodedOk = decodeMemoryImage(image, decoded).ok && decodedOk;
    });
    if (!decodedOk)
        note(u"link.decode"_s, u"FAILED: the image was refused"_s);
    else
        report(u"link.decode"_s, decodeMs, u"ms"_s, 5.0, u"the limit (goal ratio <= 1.0)"_s);
}

// The link trace records every byte of every job in memory; with it on, a complete upload to the
// paced controller must take no longer than without it. The runs alternate and the best of each
// counts, so a slow moment of the machine does not land on one side only.
void traceBench(const BenchOptions& options) {
    Database sample;
    if (!loadSample(sample)) {
        note(u"link.trace"_s, u"FAILED: examples/sample.dat not found"_s);
        return;
    }
    const UploadCount count = countCompleteUpload(sample);
    const double expected =
        wireSeconds(count.bytes + count.exchanges, count.exchanges, answerDelayMs());
    const int rounds = options.quick ? 1 : 4;
    double off = 0;
    double on = 0;
    qsizetype entries = 0;
    for (int round = 0; round < rounds; ++round) {
        // Off-on, then on-off: a machine growing busier or quieter weighs on both sides.
        const bool order[2] = {round % 2 == 1, round % 2 == 0};
        for (const bool traced : order) {
            auto trace = traced ? std::make_shared<LinkTrace>() : nullptr;
            if (trace)
                trace->beginJob(u"kovo-bench"_s);
            LinkTrace::install(trace);
            Deadline deadline(u"the paced complete upload"_s, 120 + 3 * expected);
            const LineRun run = uploadOverPty(sample, true, true, nullptr);
            LinkTrace::install(nullptr);
            if (!run.ok) {
                note(u"link.trace"_s, u"FAILED: "_s + run.problem);
                return;
            }
            double& best = traced ? on : off;
            best = best == 0 ? run.seconds : qMin(best, run.seconds);
            if (trace)
                entries = trace->entries().size();
        }
    }
    note(u"link.trace.entries"_s,
         QStringLiteral("%1 entries for %2 commands of examples/sample.dat, best of %3 run(s) each")
             .arg(entries)
             .arg(count.commands)
             .arg(rounds));
    report(u"link.trace.upload.paced"_s, on, u"s"_s, off,
           u"the same upload with no trace installed (goal ratio <= 1.01)"_s);
}

const BenchRegistration uploadRegistration("upload", uploadBench);
const BenchRegistration traceRegistration("trace", traceBench);
const BenchRegistration downloadRegistration("download", downloadBench);

} // namespace
} // namespace kovo::bench
