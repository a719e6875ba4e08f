#include "emulator/dtmf_decoder.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace kovo {
namespace {

constexpr double Frequencies[8] = {697, 770, 852, 941, 1209, 1336, 1477, 1633};
constexpr char Keypad[] = "123A456B789C*0#D";

// Each frequency is heard through three filters, on it and 1.5 % either side of it, so that a
// tone off by as much as a real pad may be still counts in full.
constexpr double Probes[3] = {1.0, 0.985, 1.015};
constexpr double BlockSeconds = 0.0256;
constexpr double HopSeconds = 0.005;
// Share of the block's energy the two tones must carry together.
constexpr double ToneShare = 0.65;
// Largest ratio between the two tones' powers (8 dB).
constexpr double MaxTwist = 6.31;
// The strongest frequency of a group must be this much above the group's next one (10 dB).
constexpr double GroupMargin = 10.0;
// Quietest block (mean square, 16-bit units) that may hold a digit: about -60 dB of full scale.
constexpr double MinMeanSquare = 1000.0;
constexpr int BlocksToAccept = 3;
constexpr int BlocksToRelease = 2;

} // namespace

DtmfDecoder::DtmfDecoder(int sampleRate) : m_sampleRate(std::clamp(sampleRate, 4000, 192000)) {
    m_blockSize = static_cast<int>(std::lround(BlockSeconds * m_sampleRate));
    m_hop = std::max(1, static_cast<int>(std::lround(HopSeconds * m_sampleRate)));
    for (int p = 0; p < 3; ++p) {
        for (int k = 0; k < 8; ++k)
            m_coefficients[p * 8 + k] =
                2.0 * std::cos(2.0 * std::numbers::pi * Frequencies[k] * Probes[p] / m_sampleRate);
    }
}

void DtmfDecoder::reset() {
    m_samples.clear();
    m_start = 0;
    m_digits.clear();
    m_candidate = 0;
    m_candidateBlocks = 0;
    m_held = 0;
    m_quietBlocks = 0;
}

QString DtmfDecoder::takeDigits() {
    QString digits = m_digits;
    m_digits.clear();
    return digits;
}

namespace {

// Eight Goertzel filters run side by side over one block; each power is scaled so that a
// whole-block sinusoid on the filter's frequency gives its own energy in the block.
void goertzel8(const double* block, int n, const double* coefficients, double* power) {
    double s1[8] = {}, s2[8] = {};
    for (int i = 0; i < n; ++i) {
        const double x = block[i];
        for (int k = 0; k < 8; ++k) {
            const double s = x + coefficients[k] * s1[k] - s2[k];
            s2[k] = s1[k];
            s1[k] = s;
        }
    }
    for (int k = 0; k < 8; ++k) {
        const double c = coefficients[k];
        power[k] = 2.0 * (s1[k] * s1[k] + s2[k] * s2[k] - c * s1[k] * s2[k]) / n;
    }
}

// The digit whose two frequencies dominate the block, or 0.
char classify(const double* power, double energy) {
    auto strongest = [&](int first, int* index) {
        int best = first;
        for (int k = first + 1; k < first + 4; ++k) {
            if (power[k] > power[best])
                best = k;
        }
        for (int k = first; k < first + 4; ++k) {
            if (k != best && power[k] * GroupMargin > power[best])
                return false;
        }
        *index = best;
        return true;
    };
    int row = 0, column = 0;
    if (!strongest(0, &row) || !strongest(4, &column))
        return 0;
    const double low = power[row], high = power[column];
    if (low + high < ToneShare * energy)
        return 0;
    if (low > MaxTwist * high || high > MaxTwist * low)
        return 0;
    return Keypad[row * 4 + (column - 4)];
}

} // namespace

char DtmfDecoder::analyseBlock(const double* block) const {
    const int n = m_blockSize;
    double energy = 0;
    for (int i = 0; i < n; ++i)
        energy += block[i] * block[i];
    if (energy / n < MinMeanSquare)
        return 0;
    // The filters on the frequencies themselves hear an accurate digit; only when they do not are
    // the filters either side asked as well.
    double power[8];
    goertzel8(block, n, m_coefficients, power);
    if (const char digit = classify(power, energy))
        return digit;
    for (int probe = 1; probe < 3; ++probe) {
        double side[8];
        goertzel8(block, n, m_coefficients + probe * 8, side);
        for (int k = 0; k < 8; ++k)
            power[k] = std::max(power[k], side[k]);
    }
    return classify(power, energy);
}

void DtmfDecoder::step(char blockDigit) {
    if (blockDigit == 0) {
        m_candidate = 0;
        m_candidateBlocks = 0;
        if (++m_quietBlocks >= BlocksToRelease)
            m_held = 0;
        return;
    }
    m_quietBlocks = 0;
    if (blockDigit == m_candidate) {
        ++m_candidateBlocks;
    } else {
        m_candidate = blockDigit;
        m_candidateBlocks = 1;
    }
    if (m_candidateBlocks >= BlocksToAccept && m_held != blockDigit) {
        m_held = blockDigit;
        m_digits.append(QLatin1Char(blockDigit));
    }
}

void DtmfDecoder::feed(std::span<const std::int16_t> samples) {
    m_samples.insert(m_samples.end(), samples.begin(), samples.end());
    while (m_samples.size() - m_start >= std::size_t(m_blockSize)) {
        step(analyseBlock(m_samples.data() + m_start));
        m_start += std::size_t(m_hop);
    }
    if (m_start > 65536) {
        m_samples.erase(m_samples.begin(), m_samples.begin() + std::ptrdiff_t(m_start));
        m_start = 0;
    }
}

QString DtmfDecoder::decodeSamples(std::span<const std::int16_t> samples, int sampleRate) {
    DtmfDecoder decoder(sampleRate);
    decoder.feed(samples);
    return decoder.digits();
}

DtmfDecoder::WavResult DtmfDecoder::decodeWav(const QByteArray& image) {
    WavResult result;
    const qsizetype size = image.size();
    const char* bytes = image.constData();
    if (size < 12 || memcmp(bytes, "RIFF", 4) != 0 || memcmp(bytes + 8, "WAVE", 4) != 0) {
        result.error = QStringLiteral("not a RIFF WAVE file");
        return result;
    }
    int channels = 0, bits = 0;
    qint64 rate = 0;
    qsizetype at = 12;
    while (at + 8 <= size) {
        const char* chunk = bytes + at;
        const qint64 chunkSize = qFromLittleEndian<quint32>(chunk + 4);
        const qsizetype body = at + 8;
        if (memcmp(chunk, "fmt ", 4) == 0) {
            if (chunkSize < 16 || body + 16 > size) {
                result.error = QStringLiteral("damaged format chunk");
                return result;
            }
            const char* f = bytes + body;
            const int format = qFromLittleEndian<quint16>(f);
            channels = qFromLittleEndian<quint16>(f + 2);
            rate = qFromLittleEndian<quint32>(f + 4);
            bits = qFromLittleEndian<quint16>(f + 14);
            if (format != 1 || channels < 1 || channels > 8 || (bits != 8 && bits != 16) ||
                rate < 4000 || rate > 192000) {
                result.error = QStringLiteral("not 8- or 16-bit PCM at 4000 to 192000 Hz");
                return result;
            }
        } else if (memcmp(chunk, "data", 4) == 0) {
            if (channels == 0) {
                result.error = QStringLiteral("data before the format chunk");
                return result;
            }
            const qint64 dataSize = std::min<qint64>(chunkSize, size - body);
            const int frameBytes = channels * bits / 8;
            const qint64 frames = dataSize / frameBytes;
            DtmfDecoder decoder(static_cast<int>(rate));
            std::vector<std::int16_t> left;
            left.reserve(std::size_t(std::min<qint64>(frames, 1 << 20)));
            const char* data = bytes + body;
            for (qint64 i = 0; i < frames; ++i) {
                const char* frame = data + i * frameBytes;
                left.push_back(bits == 16 ? qFromLittleEndian<qint16>(frame)
                                          : std::int16_t((std::uint8_t(*frame) - 128) * 256));
                if (left.size() == 1 << 20) {
                    decoder.feed(left);
                    left.clear();
                }
            }
            decoder.feed(left);
            result.ok = true;
            result.digits = decoder.digits();
            return result;
        }
        at = body + chunkSize + (chunkSize & 1);
    }
    result.error = QStringLiteral("no data chunk");
    return result;
}

} // namespace kovo
