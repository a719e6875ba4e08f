#pragma once

#include "link/audio_output.h"

#include <QAudioFormat>
#include <QElapsedTimer>
#include <functional>
#include <memory>

class QAudioSink;
class QIODevice;

namespace kovo {

// The sound card through Qt Multimedia.
//
// One output stream stays open from the first sound to finish(), and every image and every
// pause is written into it, so the silences between tones are exactly as long as asked. The
// stream is kept fed: each call writes its sound and returns when, by the wall clock, the stream
// holds only LowWaterMs of it still to play, so the next call's sound follows without a gap the
// device could notice. (The sink's own "processed" count tells what the sound server has taken,
// not what has been heard, so it cannot serve as that clock.) A stream that ran dry, and a new
// stream, start with LeadInMs of silence: sound servers drop the first moments written after an
// underrun or at start-up, and that must cost silence, never the start of a tone.
//
// Use it on one thread only (the thread that runs the link job); the waits let that thread's
// events run.
class QtAudioOutput : public AudioOutput {
public:
    static constexpr int LowWaterMs = 60;
    static constexpr int LeadInMs = 150;

    // `report` is called once, with a text for the person, when the machine has no sound output
    // or the output fails; later failures only return false.
    using Reporter = std::function<void(const QString& text)>;
    explicit QtAudioOutput(Reporter report = {});
    ~QtAudioOutput() override;

    // Reports the missing device (once) when there is none.
    bool ready() override;
    bool play(const QByteArray& wavImage) override;
    bool pause(int milliseconds) override;
    void stop() override;
    // Lets the stream play out and closes it.
    bool finish() override;
    QString errorText() const override { return m_errorText; }

    // True when the machine has a sound output device.
    static bool deviceAvailable();
    // "No sound output device: the tones cannot be played"
    static QString noDeviceText();

private:
    bool openStream(const QAudioFormat& format);
    // Writes into the stream (with the lead-in when it ran dry) and waits for the low water.
    bool feed(const char* data, qsizetype size);
    bool push(const char* data, qsizetype size);
    bool pushSilence(qint64 microseconds);
    void waitUntil(qint64 microseconds);
    qint64 now() const { return m_clock.nsecsElapsed() / 1000; }
    void closeStream();
    void fail(const QString& text);

    Reporter m_report;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_stream = nullptr;
    QAudioFormat m_format;
    QElapsedTimer m_clock;
    qint64 m_streamEnd = 0; // when, on m_clock in microseconds, all that was written has played
    QString m_errorText;
    bool m_reported = false;
};

} // namespace kovo
