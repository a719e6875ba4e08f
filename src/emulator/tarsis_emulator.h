#pragma once

#include "emulator/tarsis_memory.h"
#include "link/emulator_channel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <optional>

namespace kovo {

// faults the emulated controller can be told to show. Exchanges are the lines the host sends
// (commands and the download's "OK"/"o" acknowledgements), numbered from 1.
//
// Written as a comma-separated list (EmulatorFaults::parse):
//   silence:N[@K]   exchanges K (default 1) to K+N-1 are not heard and get no answer
//   nak:K           exchange K is refused: "-" and a reason, nothing applied
//   refuse:N[@K]    exchanges K (default 1) to K+N-1 are refused as nak refuses one
//   garbage[:N][@K] N answers from exchange K on (all when N is left out) are line noise that
//                   starts with neither "+" nor "-"; the commands themselves are applied
//   drop:K          the line drops when exchange K arrives; it gets no answer
//   pace            true 9600-baud pacing: each byte takes 10/9600 s each way
//   delay:MS        every answer leaves MS milliseconds after its command has arrived
//   split:MS        every answer arrives in two pieces, its last byte MS milliseconds after the
//                   rest (a USB adapter's latency cutting a chunk)
//   echo            an acknowledgement is "+" followed by the command line
//   late:MS[@K]     answers from exchange K (default 1) on leave MS milliseconds after their
//                   command arrived, so that past the host's time-out each one arrives while
//                   the host waits for the next
//   board-garbage   the Ostrik board answers its request and every "o" with line noise and
//                   never ends its records
struct EmulatorFaults {
    int silenceFrom = 1;
    int silenceCount = 0;
    int nakAt = 0;
    int refuseFrom = 1;
    int refuseCount = 0;
    int garbageFrom = 1;
    int garbageCount = 0; // -1: every answer from garbageFrom on
    int dropAt = 0;
    bool paced = false;
    int answerDelayMs = 0;
    int splitGapMs = 0;
    bool echo = false;
    int lateFrom = 1;
    int lateMs = 0;
    bool boardGarbage = false;

    static std::optional<EmulatorFaults> parse(const QString& faultList, QString* error = nullptr);
};

// The emulated Tarsis on its serial side: reads command lines (port digit + body + CR), applies
// them to its memory, answers "+" for a command it accepts and "-" with a short reason for one it
// refuses, streams its memory for "1SendEram" (one "position,value" chunk per "OK" + CR, then
// "Complete") and the Ostrik records for "1SendAPEram" (one per "o" + CR, "RIComplete" last).
// Chunks and answers carry no line end: each is one burst on the line.
//
// It is transport-free: the host's bytes go in with the time they were written, and it says what
// goes back and when, so one emulator serves a pseudo-terminal, a TCP connection or an in-process
// channel. Every member may be called from any thread.
class TarsisEmulator : public InProcessDevice {
public:
    // Seconds one byte takes on a 9600-baud line with a start and a stop bit.
    static constexpr double ByteSeconds = 10.0 / 9600.0;
    static constexpr int MaxLineLength = 256;

    TarsisEmulator();
    explicit TarsisEmulator(const EmulatorFaults& faults);

    void setFaults(const EmulatorFaults& faults);
    EmulatorFaults faults() const;

    void hostConnected() override;
    std::vector<Delivery> hostWrote(const QByteArray& bytes, Clock::time_point now) override;

    // Every line received (without the CR), the single-character recording marks "G" and "S"
    // among them, in order.
    QStringList receivedLines() const;
    // The command lines it acknowledged with "+", in order.
    QStringList acceptedLines() const;
    int exchangeCount() const;
    void clearRecords();
    // True once the line has been dropped (until the next host connects).
    bool hungUp() const;

    TarsisMemory memory() const;
    void setMemory(const TarsisMemory& memory);
    bool loadMemory(const QString& path, QString* error = nullptr);
    bool saveMemory(const QString& path, QString* error = nullptr) const;

    // Called for every exchange with the line and the answer it got (empty: none), on the
    // caller's thread while the emulator is locked: the callback must not call back into it.
    void setTrace(std::function<void(const QString& line, const QByteArray& answer)> trace);

private:
    enum class Stream { None, Memory, Ostrik };

    // Answers one complete line; empty when it gets none. Caller holds m_mutex.
    std::optional<QByteArray> exchange(const QString& line, bool* hangUp, int* lateMs);
    std::optional<QByteArray> naturalAnswer(const QString& line);
    void schedule(std::vector<Delivery>& out, const QByteArray& answer, Clock::time_point arrived,
                  int extraDelayMs);
    bool inRange(int from, int count) const;

    mutable std::mutex m_mutex;
    EmulatorFaults m_faults;
    TarsisMemory m_memory;
    QByteArray m_line;
    bool m_lineOverflow = false;
    Stream m_stream = Stream::None;
    QStringList m_streamItems;
    qsizetype m_streamNext = 0;
    QStringList m_received;
    QStringList m_accepted;
    int m_exchanges = 0;
    bool m_hungUp = false;
    Clock::time_point m_rxFree{}; // when the last byte from the host has crossed the line
    Clock::time_point m_txFree{}; // when the line towards the host is free again
    std::function<void(const QString&, const QByteArray&)> m_trace;
};

} // namespace kovo
