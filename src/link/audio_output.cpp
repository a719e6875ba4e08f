#include "link/audio_output.h"

#include "link/tone_synthesizer.h"

namespace kovo {

AudioOutput::~AudioOutput() = default;

bool AudioOutput::playTonePair(int frequency1, int frequency2, double seconds) {
    const QByteArray image = buildTonePairWav(frequency1, frequency2, seconds);
    if (image.isEmpty())
        return false;
    return play(image);
}

} // namespace kovo
