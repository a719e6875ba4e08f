#include "link/wav_file_output.h"

#include "link/tone_synthesizer.h"

#include <QSaveFile>
#include <limits>

namespace kovo {
namespace {

// The data size field is 32 bits and the RIFF size adds 36 to it.
constexpr qint64 MaxDataBytes = std::numeric_limits<std::uint32_t>::max() - 36;

} // namespace

WavFileOutput::WavFileOutput(const QString& path) : m_path(path) {}

WavFileOutput::~WavFileOutput() {
    if (m_file)
        finish();
}

double WavFileOutput::durationMs() const {
    return double(m_dataBytes) * 1000.0 / (ToneSampleRate * ToneBytesPerFrame);
}

void WavFileOutput::fail(const QString& text) {
    m_failed = true;
    m_errorText = text;
    if (m_file)
        m_file->cancelWriting();
}

bool WavFileOutput::ensureOpen() {
    if (m_failed)
        return false;
    if (m_file)
        return true;
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("Cannot write %1: %2").arg(m_path, m_file->errorString()));
        return false;
    }
    m_dataBytes = 0;
    // The sizes are filled in by finish().
    const QByteArray header = buildWavHeader(0);
    if (m_file->write(header) != header.size()) {
        fail(QStringLiteral("Cannot write %1: %2").arg(m_path, m_file->errorString()));
        return false;
    }
    return true;
}

bool WavFileOutput::append(const char* data, qint64 size) {
    if (!ensureOpen())
        return false;
    if (m_dataBytes + size > MaxDataBytes) {
        fail(QStringLiteral("Cannot write %1: the sound is too long for one WAV file").arg(m_path));
        return false;
    }
    if (m_file->write(data, size) != size) {
        fail(QStringLiteral("Cannot write %1: %2").arg(m_path, m_file->errorString()));
        return false;
    }
    m_dataBytes += size;
    return true;
}

bool WavFileOutput::play(const QByteArray& wavImage) {
    const std::optional<WavPcmLayout> layout = parseWavImage(wavImage);
    if (!layout || layout->sampleRate != ToneSampleRate || layout->channels != ToneChannels ||
        layout->bitsPerSample != ToneBitsPerSample) {
        // Refused without spoiling the file: the caller may go on with the next sound.
        m_errorText = QStringLiteral("The sound is not an 8000 Hz 16-bit stereo WAVE image");
        return false;
    }
    return append(wavImage.constData() + layout->dataOffset, layout->dataSize);
}

bool WavFileOutput::pause(int milliseconds) {
    if (!ensureOpen())
        return false;
    if (milliseconds <= 0)
        return true;
    const qint64 bytes = qint64(milliseconds) * ToneSampleRate / 1000 * ToneBytesPerFrame;
    if (m_dataBytes + bytes > MaxDataBytes) {
        fail(QStringLiteral("Cannot write %1: the sound is too long for one WAV file").arg(m_path));
        return false;
    }
    static const QByteArray zeros(64 * 1024, '\0');
    qint64 left = bytes;
    while (left > 0) {
        const qint64 chunk = std::min<qint64>(left, zeros.size());
        if (!append(zeros.constData(), chunk))
            return false;
        left -= chunk;
    }
    return true;
}

bool WavFileOutput::finish() {
    // A transfer that played nothing still leaves a valid, empty WAV file.
    if (!m_failed)
        ensureOpen();
    if (m_failed) {
        m_file.reset();
        m_failed = false; // the next call starts a new transfer
        return false;
    }
    const QByteArray header = buildWavHeader(static_cast<std::uint32_t>(m_dataBytes));
    const bool written = m_file->seek(0) && m_file->write(header) == header.size();
    if (!written || !m_file->commit()) {
        m_errorText = QStringLiteral("Cannot write %1: %2").arg(m_path, m_file->errorString());
        m_file.reset();
        return false;
    }
    m_file.reset();
    return true;
}

} // namespace kovo
