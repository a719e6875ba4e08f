#include "link/qt_audio_output.h"

#include "link/tone_synthesizer.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QThread>
#include <algorithm>

Q_LOGGING_CATEGORY(lcAudio, "kovo.link.audio")

namespace kovo {
namespace {

// The sink's buffer: short, so that what is written is soon heard.
constexpr qint64 StreamBufferMs = 150;

void letEventsRun() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    QThread::msleep(2);
}

QAudioFormat imageFormat(const WavPcmLayout& layout) {
    QAudioFormat format;
    format.setSampleRate(layout.sampleRate);
    format.setChannelCount(layout.channels);
    format.setSampleFormat(layout.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    return format;
}

} // namespace

QtAudioOutput::QtAudioOutput(Reporter report) : m_report(std::move(report)) {
    m_clock.start();
}

QtAudioOutput::~QtAudioOutput() {
    closeStream();
}

bool QtAudioOutput::deviceAvailable() {
    return !QMediaDevices::defaultAudioOutput().isNull();
}

QString QtAudioOutput::noDeviceText() {
    return QStringLiteral("No sound output device: the tones cannot be played");
}

void QtAudioOutput::fail(const QString& text) {
    m_errorText = text;
    if (!m_reported) {
        m_reported = true;
        qCWarning(lcAudio) << text;
        if (m_report)
            m_report(text);
    }
}

bool QtAudioOutput::openStream(const QAudioFormat& format) {
    if (m_sink && m_format == format)
        return true;
    if (m_sink)
        finish(); // a sound of another format: let the old one end first
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        fail(noDeviceText());
        return false;
    }
    if (!device.isFormatSupported(format))
        qCInfo(lcAudio) << "the sound device converts from" << format;
    m_sink = std::make_unique<QAudioSink>(device, format);
    m_sink->setBufferSize(format.bytesForDuration(StreamBufferMs * 1000));
    m_stream = m_sink->start();
    if (!m_stream || m_sink->error() == QAudio::OpenError ||
        m_sink->error() == QAudio::FatalError) {
        m_sink.reset();
        m_stream = nullptr;
        fail(QStringLiteral("The sound output %1 cannot be opened: the tones cannot be played")
                 .arg(device.description()));
        return false;
    }
    m_format = format;
    m_streamEnd = 0; // dry: the first sound gets its lead-in
    return true;
}

void QtAudioOutput::closeStream() {
    if (m_sink) {
        m_sink->stop();
        m_sink.reset();
    }
    m_stream = nullptr;
    m_streamEnd = 0;
}

bool QtAudioOutput::push(const char* data, qsizetype size) {
    // Hang guard only: a healthy device takes the data in real time.
    QDeadlineTimer deadline(m_format.durationForBytes(size) / 1000 + StreamBufferMs + 3000);
    qsizetype done = 0;
    while (done < size) {
        if (m_sink->error() == QAudio::IOError || m_sink->error() == QAudio::FatalError ||
            m_sink->state() == QAudio::StoppedState) {
            closeStream();
            fail(QStringLiteral("The sound output stopped: the tones cannot be played"));
            return false;
        }
        // Whole frames only.
        qsizetype room = std::min(m_sink->bytesFree(), size - done);
        room -= room % m_format.bytesPerFrame();
        if (room > 0) {
            const qint64 written = m_stream->write(data + done, room);
            if (written < 0) {
                closeStream();
                fail(QStringLiteral("The sound output stopped: the tones cannot be played"));
                return false;
            }
            done += written;
            m_streamEnd = std::max(m_streamEnd, now()) + m_format.durationForBytes(written);
        }
        if (done < size) {
            if (deadline.hasExpired()) {
                closeStream();
                fail(QStringLiteral("The sound output does not play: the tones cannot be played"));
                return false;
            }
            letEventsRun();
        }
    }
    return true;
}

bool QtAudioOutput::pushSilence(qint64 microseconds) {
    const QByteArray silence(m_format.bytesForDuration(microseconds),
                             m_format.sampleFormat() == QAudioFormat::UInt8 ? '\x80' : '\0');
    return push(silence.constData(), silence.size());
}

void QtAudioOutput::waitUntil(qint64 microseconds) {
    while (now() < microseconds)
        letEventsRun();
}

bool QtAudioOutput::feed(const char* data, qsizetype size) {
    if (now() >= m_streamEnd && !pushSilence(qint64(LeadInMs) * 1000))
        return false;
    if (!push(data, size))
        return false;
    waitUntil(m_streamEnd - qint64(LowWaterMs) * 1000);
    return true;
}

bool QtAudioOutput::ready() {
    if (m_sink || deviceAvailable())
        return true;
    fail(noDeviceText());
    return false;
}

bool QtAudioOutput::play(const QByteArray& wavImage) {
    const std::optional<WavPcmLayout> layout = parseWavImage(wavImage);
    if (!layout) {
        m_errorText = QStringLiteral("The sound is not a PCM WAVE image");
        return false;
    }
    if (!openStream(imageFormat(*layout)))
        return false;
    return feed(wavImage.constData() + layout->dataOffset, layout->dataSize);
}

bool QtAudioOutput::pause(int milliseconds) {
    if (milliseconds <= 0)
        return true;
    if (!m_sink) {
        // Nothing is sounding: a plain wait is silence, and it keeps a transfer's timing even
        // when the device failed.
        waitUntil(now() + qint64(milliseconds) * 1000);
        return true;
    }
    if (now() >= m_streamEnd) {
        // The stream ran dry: it is silent already, and the next sound gets its lead-in.
        waitUntil(now() + qint64(milliseconds) * 1000);
        return true;
    }
    const QByteArray silence(m_format.bytesForDuration(qint64(milliseconds) * 1000),
                             m_format.sampleFormat() == QAudioFormat::UInt8 ? '\x80' : '\0');
    return feed(silence.constData(), silence.size());
}

void QtAudioOutput::stop() {
    if (m_sink)
        m_sink->reset();
    closeStream();
}

bool QtAudioOutput::finish() {
    if (m_sink && now() < m_streamEnd) {
        // Stopping a sink drops what its buffer still holds, and the device plays a buffer
        // behind the clock: push the last sound out with a buffer's worth of silence.
        if (pushSilence(StreamBufferMs * 1000))
            waitUntil(m_streamEnd);
    }
    closeStream();
    return m_errorText.isEmpty();
}

} // namespace kovo
