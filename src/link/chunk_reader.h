#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <deque>
#include <optional>

namespace kovo {

class Channel;

// How the controller's download stream is cut into chunks when its chunks carry no line end.
enum class ChunkFraming {
    // By position while the text before each chunk's comma counts up from 0 ("0,12" "1,7" ...):
    // the next position ends a chunk, so "OK" can go out as soon as a chunk has its first value
    // digit and digits that come later join it. A stream whose positions do not count up falls
    // back to QuietGap for the rest of the download.
    Positions,
    // A chunk that cannot go on (an end marker, a value of 0, of three digits or above 25) is
    // complete at once; any other once the line has been quiet for the gap.
    QuietGap,
};

// Cuts what the controller sends during a download into chunks. CR and LF always end a chunk.
class ChunkReader {
public:
    struct Event {
        enum class Kind { Acknowledge, Chunk };
        Kind kind = Kind::Chunk;
        QString chunk;             // Chunk: the whole chunk, trimmed
        bool acknowledged = false; // Chunk: its "OK" went out on an Acknowledge already
    };

    ChunkReader(Channel& channel, int gapMs, ChunkFraming framing);

    // The next event, waiting at most `waitMs` for it. Acknowledge: the chunk being received may
    // be complete and should be answered now; the chunk itself follows as a Chunk event.
    std::optional<Event> next(int waitMs);
    ChunkFraming framing() const { return m_framing; }

    // The framing alone, for bytes already received: splits `bytes` as next() would.
    void take(const QByteArray& bytes);

private:
    bool quietPartial() const;
    bool endsByQuietGap() const;
    void frame();
    bool frameByPosition();
    void fallBack();
    void finishPartial(qsizetype length);
    void emitChunk(const QByteArray& text);

    Channel& m_channel;
    int m_gapMs;
    ChunkFraming m_framing;
    QByteArray m_partial;
    bool m_partialAcknowledged = false;
    qsizetype m_acknowledgedLength = 0; // how much of the partial chunk was there when answered
    int m_position = 0;                 // the position the chunk being received must carry
    QElapsedTimer m_sinceByte;
    std::deque<Event> m_ready;
};

} // namespace kovo
