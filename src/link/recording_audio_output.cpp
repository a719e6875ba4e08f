#include "link/recording_audio_output.h"

#include "link/tone_synthesizer.h"

#include <algorithm>

namespace kovo {

bool RecordingAudioOutput::playTonePair(int frequency1, int frequency2, double seconds) {
    Event event;
    event.kind = Event::Kind::TonePair;
    event.frequency1 = frequency1;
    event.frequency2 = frequency2;
    event.seconds = seconds;
    event.image = buildTonePairWav(frequency1, frequency2, seconds);
    const bool ok = !m_failPlay && !event.image.isEmpty();
    m_events.append(std::move(event));
    return ok;
}

bool RecordingAudioOutput::play(const QByteArray& wavImage) {
    Event event;
    event.kind = Event::Kind::Image;
    event.image = wavImage;
    m_events.append(std::move(event));
    return !m_failPlay && parseWavImage(wavImage).has_value();
}

bool RecordingAudioOutput::pause(int milliseconds) {
    Event event;
    event.kind = Event::Kind::Pause;
    event.milliseconds = std::max(milliseconds, 0);
    m_events.append(std::move(event));
    return true;
}

void RecordingAudioOutput::stop() {
    Event event;
    event.kind = Event::Kind::Stop;
    m_events.append(std::move(event));
}

bool RecordingAudioOutput::finish() {
    Event event;
    event.kind = Event::Kind::Finish;
    m_events.append(std::move(event));
    return true;
}

double RecordingAudioOutput::durationMs() const {
    double total = 0;
    for (const Event& event : m_events) {
        if (event.kind == Event::Kind::Pause) {
            total += event.milliseconds;
        } else if (!event.image.isEmpty()) {
            if (const auto layout = parseWavImage(event.image)) {
                const int frameBytes = layout->channels * layout->bitsPerSample / 8;
                total += double(layout->dataSize / frameBytes) * 1000.0 / layout->sampleRate;
            }
        }
    }
    return total;
}

} // namespace kovo
