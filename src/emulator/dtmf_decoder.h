#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

namespace kovo {

// Hears DTMF digits in audio, as the controller's receiver does: a Goertzel filter for each of
// the eight DTMF frequencies over blocks of 25.6 ms, a new block every 5 ms. A block holds a
// digit when one low and one high frequency carry most of its energy, within 8 dB of each other
// and well above the other frequencies of their group. A digit counts once it has been seen in
// three blocks in a row (about 35 ms of tone), and the same digit counts again only after at
// least two blocks without it (about 30 ms of pause), so "000" keyed with pauses gives three
// digits and one long tone gives one. Tones within 1.5 % of their frequency count.
class DtmfDecoder {
public:
    explicit DtmfDecoder(int sampleRate = 8000);

    int sampleRate() const { return m_sampleRate; }

    // Feeds mono 16-bit samples; any number at a time.
    void feed(std::span<const std::int16_t> samples);
    // The digits heard so far, as keypad characters ("0"-"9", "*", "#", "A"-"D").
    QString digits() const { return m_digits; }
    // Returns the digits heard so far and forgets them.
    QString takeDigits();
    // Forgets the digits and everything fed.
    void reset();

    // The digits in a mono recording.
    static QString decodeSamples(std::span<const std::int16_t> samples, int sampleRate);

    struct WavResult {
        bool ok = false;
        QString digits;
        QString error; // why the image could not be read
    };
    // The digits in a PCM WAVE image (8- or 16-bit, mono or stereo, any sample rate); of a stereo
    // image the left channel is heard.
    static WavResult decodeWav(const QByteArray& image);

private:
    char analyseBlock(const double* block) const;
    void step(char blockDigit);

    int m_sampleRate;
    int m_blockSize;
    int m_hop;
    double m_coefficients[24];     // three filters a frequency
    std::vector<double> m_samples; // not yet analysed, from m_start on
    std::size_t m_start = 0;
    QString m_digits;
    char m_candidate = 0; // digit of the last block(s)
    int m_candidateBlocks = 0;
    char m_held = 0; // digit counted and still sounding
    int m_quietBlocks = 0;
};

} // namespace kovo
