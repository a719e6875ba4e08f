#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace kovo {

// The tone images are RIFF WAVE files held in memory: one PCM format chunk and one data chunk,
// 8000 frames a second, 16-bit signed samples, two channels (left then right in every frame).
inline constexpr int ToneSampleRate = 8000;
inline constexpr int ToneBitsPerSample = 16;
inline constexpr int ToneChannels = 2;
inline constexpr int ToneBytesPerFrame = ToneChannels * ToneBitsPerSample / 8;
inline constexpr int WavHeaderSize = 44;
// Longest tone or silence a single image may hold; longer requests give no image.
inline constexpr double MaxToneSeconds = 3600.0;

// The 44-byte header of a PCM WAVE image. `channelMode` 0 is mono, 1, 2 and 3 are stereo;
// `bitsPerSample` is 8 or 16.
QByteArray buildWavHeader(std::uint32_t dataSize, int sampleRate = ToneSampleRate,
                          int bitsPerSample = ToneBitsPerSample, int channelMode = 1);

// Frames in `seconds` of tone: seconds x 8000 rounded to the nearest whole number, halves to
// even. -1 for a negative, non-finite or overlong duration.
std::int64_t toneFrameCount(double seconds);

// The image that `PlayTonePair` plays: the two frequencies (Hz) sounding together for `seconds`.
// A frequency of 0 becomes 1 Hz, so a single tone is a pair with an inaudible partner. Each frame
// is floor(0.5 x 32767 x (0.25 sin(i step1) + 0.25 sin(i step2))) with step = 2 pi f / 8000,
// written for the left and then the right channel. Empty for a duration toneFrameCount refuses.
QByteArray buildTonePairWav(int frequency1, int frequency2, double seconds);

// An image of the same format holding `milliseconds` of silence (8 frames a millisecond); a
// negative length counts as 0;
// empty beyond MaxToneSeconds.
QByteArray buildSilenceWav(int milliseconds);

// Where the samples of a PCM WAVE image lie and how they are laid out.
struct WavPcmLayout {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    qsizetype dataOffset = 0; // first sample byte in the image
    qsizetype dataSize = 0;   // whole frames only; cut to the bytes the image really holds
};

// Reads the chunks of a RIFF WAVE image (any chunk order, odd chunks padded). Accepts 8- and
// 16-bit PCM with 1 or 2 channels; nullopt for anything else or a damaged image.
std::optional<WavPcmLayout> parseWavImage(const QByteArray& image);

} // namespace kovo
