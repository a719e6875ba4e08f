#pragma once

#include "link/audio_output.h"

#include <memory>

class QSaveFile;

namespace kovo {

// Writes everything that would be played, pauses included as silence, into one WAV file of the
// tone format (8000 Hz, 16-bit, stereo), so a whole transfer can be played later from any device
// into the radio. The file is written through a temporary file and appears, complete with its
// sizes in the header, at finish() (or when the output is destroyed). A finish() after a failure
// leaves no file and reports false; the next sound then starts the file again.
class WavFileOutput : public AudioOutput {
public:
    explicit WavFileOutput(const QString& path);
    ~WavFileOutput() override;

    bool play(const QByteArray& wavImage) override;
    bool pause(int milliseconds) override;
    // Fixes the header and puts the file in place. False when the file could not be written.
    bool finish() override;
    QString errorText() const override { return m_errorText; }

    QString path() const { return m_path; }
    // Sample bytes written so far, and their length in milliseconds.
    qint64 dataBytes() const { return m_dataBytes; }
    double durationMs() const;

private:
    bool ensureOpen();
    bool append(const char* data, qint64 size);
    void fail(const QString& text);

    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    qint64 m_dataBytes = 0;
    QString m_errorText;
    bool m_failed = false;
};

} // namespace kovo
