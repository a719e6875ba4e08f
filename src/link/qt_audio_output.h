#pragma once

#include "link/audio_output.h"

#include <QAudioFormat>
#include <functional>
#include <memory>

class QAudioSink;
class QIODevice;

namespace kovo {

// The sound card through Qt Multimedia. One output stream stays open from the first sound to
// finish(), and every image and every pause is written into it, so the silences between tones
// are as long as asked, whatever the device's own start-up latency. Each call waits until the
// stream has taken and played what was written.
//
// Use it on one thread only (the thread that runs the link job); the waits let that thread's
// events run.
class QtAudioOutput : public AudioOutput {
public:
    // `report` is called once, with a text for the person, when the machine has no sound output
    // or the output fails; later failures of the same kind only return false.
    using Reporter = std::function<void(const QString& text)>;
    explicit QtAudioOutput(Reporter report = {});
    ~QtAudioOutput() override;

    bool play(const QByteArray& wavImage) override;
    bool pause(int milliseconds) override;
    void stop() override;
    bool finish() override;
    QString errorText() const override { return m_errorText; }

    // True when the machine has a sound output device.
    static bool deviceAvailable();
    // "No sound output device: the tones cannot be played"
    static QString noDeviceText();

private:
    bool openStream(const QAudioFormat& format);
    bool writeAndWait(const char* data, qsizetype size);
    void closeStream();
    void fail(const QString& text);

    Reporter m_report;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_stream = nullptr;
    QAudioFormat m_format;
    qint64 m_bytesWritten = 0;
    QString m_errorText;
    bool m_reported = false;
};

} // namespace kovo
