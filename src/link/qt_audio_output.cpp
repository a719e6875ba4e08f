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

// About 100 ms of the tone format: short enough that a wait ends soon after the sound does.
constexpr qsizetype StreamBufferMs = 100;

void LetEventsRun() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    QThread::msleep(2);
}

QAudioFormat ToneFormat(int sampleRate, int channels, int bitsPerSample) {
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(channels);
    format.setSampleFormat(bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    return format;
}

} // namespace

QtAudioOutput::QtAudioOutput(Reporter report) : m_report(std::move(report)) {}

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
    closeStream();
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
    m_bytesWritten = 0;
    return true;
}

void QtAudioOutput::closeStream() {
    if (m_sink) {
        m_sink->stop();
        m_sink.reset();
    }
    m_stream = nullptr;
    m_bytesWritten = 0;
}

bool QtAudioOutput::writeAndWait(const char* data, qsizetype size) {
    // Hang guard only: a healthy device plays in real time.
    const qint64 durationMs =
        m_format.durationForBytes(m_bytesWritten + size) / 1000 - m_sink->processedUSecs() / 1000;
    QDeadlineTimer deadline(std::max<qint64>(durationMs, 0) + 3000);
    qsizetype done = 0;
    while (done < size) {
        if (m_sink->error() == QAudio::IOError || m_sink->error() == QAudio::FatalError ||
            m_sink->state() == QAudio::StoppedState) {
            closeStream();
            fail(QStringLiteral("The sound output stopped: the tones cannot be played"));
            return false;
        }
        const qsizetype room = std::min(m_sink->bytesFree(), size - done);
        if (room > 0) {
            const qint64 written = m_stream->write(data + done, room);
            if (written < 0) {
                closeStream();
                fail(QStringLiteral("The sound output stopped: the tones cannot be played"));
                return false;
            }
            done += written;
            m_bytesWritten += written;
        }
        if (done < size) {
            if (deadline.hasExpired()) {
                closeStream();
                fail(QStringLiteral("The sound output does not play: the tones cannot be played"));
                return false;
            }
            LetEventsRun();
        }
    }
    // Synchronous like the rest of the link: wait until the device has played it.
    const qint64 writtenUs = m_format.durationForBytes(m_bytesWritten);
    while (m_sink->processedUSecs() < writtenUs && m_sink->state() == QAudio::ActiveState &&
           !deadline.hasExpired())
        LetEventsRun();
    return true;
}

bool QtAudioOutput::play(const QByteArray& wavImage) {
    const std::optional<WavPcmLayout> layout = ParseWavImage(wavImage);
    if (!layout) {
        m_errorText = QStringLiteral("The sound is not a PCM WAVE image");
        return false;
    }
    if (!openStream(ToneFormat(layout->sampleRate, layout->channels, layout->bitsPerSample)))
        return false;
    return writeAndWait(wavImage.constData() + layout->dataOffset, layout->dataSize);
}

bool QtAudioOutput::pause(int milliseconds) {
    if (milliseconds <= 0)
        return true;
    if (!m_sink) {
        // Nothing is sounding: a plain wait is silence, and it keeps a transfer's timing even
        // when the device failed.
        QDeadlineTimer deadline(milliseconds);
        while (!deadline.hasExpired())
            LetEventsRun();
        return true;
    }
    const QByteArray silence(m_format.bytesForDuration(qint64(milliseconds) * 1000),
                             m_format.sampleFormat() == QAudioFormat::UInt8 ? '\x80' : '\0');
    return writeAndWait(silence.constData(), silence.size());
}

void QtAudioOutput::stop() {
    if (m_sink)
        m_sink->reset();
    closeStream();
}

bool QtAudioOutput::finish() {
    if (m_sink) {
        // Stopping a sink may drop what its buffer still holds: push the last sound out with a
        // buffer's worth of silence first.
        const QByteArray silence(m_format.bytesForDuration(StreamBufferMs * 1000),
                                 m_format.sampleFormat() == QAudioFormat::UInt8 ? '\x80' : '\0');
        writeAndWait(silence.constData(), silence.size());
    }
    closeStream();
    return m_errorText.isEmpty();
}

} // namespace kovo
