#include "link/tone_synthesizer.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace kovo {
namespace {

void putUInt32(char* at, std::uint32_t value) {
    qToLittleEndian<quint32>(value, at);
}

void putUInt16(char* at, std::uint16_t value) {
    qToLittleEndian<quint16>(value, at);
}

std::uint32_t getUInt32(const char* at) {
    return qFromLittleEndian<quint32>(at);
}

std::uint16_t getUInt16(const char* at) {
    return qFromLittleEndian<quint16>(at);
}

} // namespace

QByteArray buildWavHeader(std::uint32_t dataSize, int sampleRate, int bitsPerSample,
                          int channelMode) {
    const int channels = channelMode == 0 ? 1 : 2;
    const int bytesPerSample = bitsPerSample / 8;
    QByteArray header(WavHeaderSize, '\0');
    char* h = header.data();
    memcpy(h + 0, "RIFF", 4);
    putUInt32(h + 4, dataSize + 36);
    memcpy(h + 8, "WAVE", 4);
    memcpy(h + 12, "fmt ", 4);
    putUInt32(h + 16, 16);
    putUInt16(h + 20, 1);
    putUInt16(h + 22, static_cast<std::uint16_t>(channels));
    putUInt32(h + 24, static_cast<std::uint32_t>(sampleRate));
    putUInt32(h + 28, static_cast<std::uint32_t>(bytesPerSample * channels * sampleRate));
    putUInt16(h + 32, static_cast<std::uint16_t>(bytesPerSample * channels));
    putUInt16(h + 34, static_cast<std::uint16_t>(bitsPerSample));
    memcpy(h + 36, "data", 4);
    putUInt32(h + 40, dataSize);
    return header;
}

std::int64_t toneFrameCount(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > MaxToneSeconds)
        return -1;
    // std::nearbyint rounds halves to even in the default rounding mode.
    return static_cast<std::int64_t>(std::nearbyint(seconds * ToneSampleRate));
}

QByteArray buildTonePairWav(int frequency1, int frequency2, double seconds) {
    const std::int64_t frames = toneFrameCount(seconds);
    if (frames < 0)
        return {};
    const double frequencies[2] = {frequency1 == 0 ? 1.0 : double(frequency1),
                                   frequency2 == 0 ? 1.0 : double(frequency2)};
    constexpr double Weight = 0.25;
    constexpr double MasterGain = 0.5;
    constexpr double FullScale = 32767.0;
    const double pi = 4.0 * std::atan(1.0);
    double steps[2];
    for (int k = 0; k < 2; ++k)
        steps[k] = 2.0 * pi / ((1.0 / frequencies[k]) / (1.0 / ToneSampleRate));

    const auto dataSize = static_cast<std::uint32_t>(frames * ToneBytesPerFrame);
    QByteArray image = buildWavHeader(dataSize);
    image.resize(WavHeaderSize + qsizetype(dataSize));
    char* out = image.data() + WavHeaderSize;
    for (std::int64_t i = 0; i < frames; ++i) {
        double s = 0;
        for (int k = 0; k < 2; ++k)
            s += Weight * std::sin(double(i) * steps[k]);
        const auto value = static_cast<std::int16_t>(std::floor(MasterGain * s * FullScale));
        putUInt16(out, static_cast<std::uint16_t>(value));
        putUInt16(out + 2, static_cast<std::uint16_t>(value));
        out += ToneBytesPerFrame;
    }
    return image;
}

QByteArray buildSilenceWav(int milliseconds) {
    if (milliseconds > MaxToneSeconds * 1000)
        return {};
    const std::int64_t frames = std::int64_t(std::max(milliseconds, 0)) * ToneSampleRate / 1000;
    const auto dataSize = static_cast<std::uint32_t>(frames * ToneBytesPerFrame);
    QByteArray image = buildWavHeader(dataSize);
    image.append(qsizetype(dataSize), '\0');
    return image;
}

std::optional<WavPcmLayout> parseWavImage(const QByteArray& image) {
    const qsizetype size = image.size();
    const char* bytes = image.constData();
    if (size < 12 || memcmp(bytes, "RIFF", 4) != 0 || memcmp(bytes + 8, "WAVE", 4) != 0)
        return std::nullopt;
    WavPcmLayout layout;
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= size) {
        const char* chunk = bytes + at;
        const qint64 chunkSize = getUInt32(chunk + 4);
        const qsizetype body = at + 8;
        if (memcmp(chunk, "fmt ", 4) == 0) {
            if (chunkSize < 16 || body + 16 > size)
                return std::nullopt;
            const char* f = bytes + body;
            if (getUInt16(f) != 1)
                return std::nullopt; // compressed or float samples
            layout.channels = getUInt16(f + 2);
            layout.sampleRate =
                static_cast<int>(std::min<std::uint32_t>(getUInt32(f + 4), 1 << 24));
            layout.bitsPerSample = getUInt16(f + 14);
            if ((layout.channels != 1 && layout.channels != 2) ||
                (layout.bitsPerSample != 8 && layout.bitsPerSample != 16) || layout.sampleRate <= 0)
                return std::nullopt;
            haveFormat = true;
        } else if (memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return std::nullopt;
            const qsizetype available = size - body;
            qsizetype dataSize = std::min<qint64>(chunkSize, available);
            const int frameBytes = layout.channels * layout.bitsPerSample / 8;
            dataSize -= dataSize % frameBytes;
            layout.dataOffset = body;
            layout.dataSize = dataSize;
            return layout;
        }
        at = body + chunkSize + (chunkSize & 1);
    }
    return std::nullopt;
}

} // namespace kovo
