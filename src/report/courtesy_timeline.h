#pragma once

#include <QImage>
#include <QString>
#include <QVector>

namespace kovo {

class Database;

// One courtesy tone of one port as a person reads it: four segments, each a pause followed by
// two tones sounding together, drawn as a bar picture along a time axis.
class CourtesyTimeline {
public:
    struct Segment {
        int delay = 0;    // ms of silence before the tones
        int duration = 0; // ms the two tones sound
        int firstTone = 0;
        int secondTone = 0; // Hz; 0 is no tone
    };

    CourtesyTimeline(const Database& db, int port, int tone);

    const QVector<Segment>& segments() const { return m_segments; }
    int totalMilliseconds() const;
    bool silent() const;
    // "250 ms, then 800 + 1200 Hz for 100 ms" per sounding segment, joined by "; ".
    QString describe() const;
    // The picture, `width` by `height` pixels: pauses as a thin line, tones as labelled bars.
    QImage render(int width, int height) const;

private:
    QVector<Segment> m_segments;
};

} // namespace kovo
