#pragma once

#include <QByteArray>
#include <QString>

namespace kovo {

// Where tone images go: the sound card, a WAV file, or a recorder in tests. Every call is
// synchronous: it returns once the sound (or the silence) has been played, so the caller's next
// tone follows it in time.
class AudioOutput {
public:
    virtual ~AudioOutput();

    // `PlayTonePair`: builds the image of the two frequencies sounding together for `seconds`
    // (buildTonePairWav) and plays it. False when the image could not be played.
    virtual bool playTonePair(int frequency1, int frequency2, double seconds);

    // Plays a PCM WAVE image (as buildTonePairWav makes them) and returns when it has finished.
    // False when it could not be played: no sound device, a malformed image, a write error.
    virtual bool play(const QByteArray& wavImage) = 0;

    // Silence of `milliseconds` (the inter-digit delay, the key-up delay, the pause after a tone).
    // A negative length counts as 0. False when the silence could not be produced.
    virtual bool pause(int milliseconds) = 0;

    // False when the output cannot play at all (no sound device), checked before a transfer
    // keys the transmitter; errorText() tells why.
    virtual bool ready() { return true; }

    // Stops any sound still playing. Nothing is playing between synchronous calls, so this only
    // matters to an output that plays ahead.
    virtual void stop() {}

    // Ends a transfer: lets the last sound finish, closes what the output holds open (a file is
    // completed here). False when that failed. Later calls may start a new transfer.
    virtual bool finish() { return true; }

    // Why the last call failed, for the person; empty when nothing failed.
    virtual QString errorText() const { return {}; }
};

} // namespace kovo
