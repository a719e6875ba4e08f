#pragma once

#include "link/dtmf_player.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>

class QLineEdit;
class QPushButton;

namespace kovo {

class AudioOutput;
class MessageService;
class ProgramSettings;

// The touch-tone pad `TouchTonePad`, captioned "DTMF Dialer": a display `txtNum` over a 4 x 4
// keypad (rows 1 2 3 A / 4 5 6 B / 7 8 9 C / * 0 # D) of buttons `cmdNum(i)`, whose index i is the
// `DigitCode` the button plays ("*" is cmdNum(11), "#" cmdNum(12), "A" to "D" cmdNum(13) to
// cmdNum(16)), and the buttons `Clear` and `Exit`.
//
// A button plays its digit (`sendDtmfDigit`: `DTMFDelay` of silence, then the 60 ms tone pair)
// and adds its caption to the display; a character typed on the keyboard is played the same way
// ("0"-"9", "*", "#", "A"-"D" sound, anything else plays nothing) and shown. The pad only plays
// the tones here; it never keys a transmitter. `DTMFDelay` is read from the settings at every
// digit, so a change in the Configure menu applies at once.
//
// The tones play on the GUI thread: the audio output's waits let window events run, so the pad
// (and the rest of the program) stays responsive while a digit sounds. keys pressed while a digit
// plays are queued and follow in order. When the sound cannot be played the queued digits are
// dropped and the person is told (the output's reason, through the message service) once per
// opening of the pad, not at every key; a digit that plays again ends that silence.
//
// Wiring it into the main window (`MnuTestPad` "&DTMF Test Pad"):
//
//     m_padAudio = std::make_unique<QtAudioOutput>(); // no reporter: the pad tells the person
//     m_pad = new TouchTonePad(*m_padAudio, m_settings, m_messages, this);
//     connect(menuAction("MnuTestPad"), &QAction::triggered, m_pad, &TouchTonePad::open);
//
// The output must be one used on the GUI thread only (not the link thread's).
class TouchTonePad : public QWidget {
    Q_OBJECT

public:
    static QString caption() { return QStringLiteral("DTMF Dialer"); }
    // The sixteen digit codes, keypad order: row by row, left to right.
    static constexpr std::array<int, 16> KeypadCodes = {1, 2, 3, 13, 4,  5, 6,  14,
                                                        7, 8, 9, 15, 11, 0, 12, 16};
    // The character a digit code's button shows ("#" for 12); empty for any other index.
    static QString captionFor(int digitCode);

    TouchTonePad(AudioOutput& output, ProgramSettings& settings, MessageService& messages,
                 QWidget* parent = nullptr);
    ~TouchTonePad() override;

    // Shows the pad (the display as it was left) and gives it the keyboard.
    void open();

    // What the display `txtNum` shows.
    QString display() const;
    // True while digits are being played.
    bool playing() const { return m_playing; }

public slots:
    void pressDigit(int index);
    void clearDigits();
    void exitPad();

protected:
    // `keyPressEvent`: a typed character is played and shown.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Queues one code and plays the queue unless it is already being played.
    void play(const QString& code);
    void playQueued();

    AudioOutput& m_output;
    ProgramSettings& m_settings;
    MessageService& m_messages;
    DtmfPlayer m_player;
    QLineEdit* m_txtNum = nullptr;
    std::array<QPushButton*, 17> m_cmdNum{}; // by digit code; 10 is unused
    QStringList m_queue;
    bool m_playing = false;
    bool m_soundFailureTold = false;
};

} // namespace kovo
