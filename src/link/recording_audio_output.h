#pragma once

#include "link/audio_output.h"

#include <QList>

namespace kovo {

// Keeps a list of everything played, for tests: tone pairs with their frequencies and images,
// other images, and pauses. Plays nothing and takes no time.
class RecordingAudioOutput : public AudioOutput {
public:
    struct Event {
        enum class Kind { TonePair, Image, Pause, Stop, Finish };
        Kind kind = Kind::Image;
        int frequency1 = 0; // TonePair: as asked, before a 0 becomes 1 Hz
        int frequency2 = 0;
        double seconds = 0;   // TonePair
        int milliseconds = 0; // Pause
        QByteArray image;     // TonePair and Image: the image that was played
    };

    bool ready() override { return !m_failPlay; }
    bool playTonePair(int frequency1, int frequency2, double seconds) override;
    bool play(const QByteArray& wavImage) override;
    bool pause(int milliseconds) override;
    void stop() override;
    bool finish() override;
    QString errorText() const override {
        return m_failPlay ? QStringLiteral("The recording output fails on purpose") : QString();
    }

    const QList<Event>& events() const { return m_events; }
    void clear() { m_events.clear(); }
    // Sound and silence in milliseconds, as a device would take to play them.
    double durationMs() const;

    // Makes ready(), play() and playTonePair() report failure, as a missing sound device would.
    void setFailPlay(bool fail) { m_failPlay = fail; }

private:
    QList<Event> m_events;
    bool m_failPlay = false;
};

} // namespace kovo
