#include "shell/touch_tone_pad.h"

#include "database/program_settings.h"
#include "editors/message_service.h"
#include "link/audio_output.h"
#include "link/qt_audio_output.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace kovo {

QString TouchTonePad::captionFor(int digitCode) {
    if (digitCode >= 0 && digitCode <= 9)
        return QString::number(digitCode);
    switch (digitCode) {
    case 11:
        return QStringLiteral("*");
    case 12:
        return QStringLiteral("#");
    case 13:
    case 14:
    case 15:
    case 16:
        return QString(QLatin1Char(char('A' + digitCode - 13)));
    default:
        return {};
    }
}

TouchTonePad::TouchTonePad(AudioOutput& output, ProgramSettings& settings, MessageService& messages,
                           QWidget* parent)
    : QWidget(parent, Qt::Window), m_output(output), m_settings(settings), m_messages(messages),
      m_player(output) {
    setObjectName(QStringLiteral("TTPad"));
    setWindowTitle(caption());
    // The pad takes the keyboard itself; the display only shows what was played.
    setFocusPolicy(Qt::StrongFocus);

    m_txtNum = new QLineEdit(this);
    m_txtNum->setObjectName(QStringLiteral("txtNum"));
    m_txtNum->setReadOnly(true);
    m_txtNum->setFocusPolicy(Qt::NoFocus);
    m_txtNum->setAlignment(Qt::AlignRight);

    auto* keypad = new QGridLayout;
    for (int position = 0; position < int(KeypadCodes.size()); ++position) {
        const int code = KeypadCodes[std::size_t(position)];
        auto* button = new QPushButton(captionFor(code), this);
        button->setObjectName(QStringLiteral("cmdNum(%1)").arg(code));
        button->setAutoDefault(false);
        button->setMinimumSize(44, 36);
        connect(button, &QPushButton::clicked, this, [this, code] { pressDigit(code); });
        keypad->addWidget(button, position / 4, position % 4);
        m_cmdNum[std::size_t(code)] = button;
    }

    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setObjectName(QStringLiteral("Clear"));
    clear->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, this, &TouchTonePad::clearDigits);
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("Exit"));
    exit->setAutoDefault(false);
    connect(exit, &QPushButton::clicked, this, &TouchTonePad::exitPad);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(clear);
    buttons->addWidget(exit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_txtNum);
    layout->addLayout(keypad);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

TouchTonePad::~TouchTonePad() = default;

void TouchTonePad::open() {
    m_soundFailureTold = false;
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

QString TouchTonePad::display() const {
    return m_txtNum->text();
}

void TouchTonePad::pressDigit(int index) {
    const QString caption = captionFor(index);
    if (caption.isEmpty())
        return;
    m_txtNum->setText(m_txtNum->text() + caption);
    play(QString::number(index));
}

void TouchTonePad::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) { // closes the pad as Exit does
        event->accept();
        exitPad();
        return;
    }
    const QString typed = event->text();
    // One printable character is a key of the pad; control keys (Enter, Backspace, Escape) and
    // keys with no character (Shift, the arrows) are not.
    if (typed.size() != 1 || !typed.at(0).isPrint()) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    m_txtNum->setText(m_txtNum->text() + typed);
    play(typed);
}

void TouchTonePad::clearDigits() {
    m_txtNum->clear();
}

void TouchTonePad::exitPad() {
    m_queue.clear(); // what was not yet played is not wanted any more
    hide();
}

void TouchTonePad::play(const QString& code) {
    m_queue.append(code);
    playQueued();
}

void TouchTonePad::playQueued() {
    // A key pressed while a digit sounds arrives here from inside the output's wait: it only
    // joins the queue, which the outer call works through.
    if (m_playing)
        return;
    m_playing = true;
    QPointer<TouchTonePad> self(this);
    while (!m_queue.isEmpty()) {
        const QString code = m_queue.takeFirst();
        m_player.setDtmfDelay(m_settings.dtmfDelay().toInt());
        const bool played = m_player.sendDtmfDigit(code);
        if (!self)
            return; // the window went away while the digit sounded
        bool ok = played;
        QString error = played ? QString() : m_player.errorText();
        if (ok && m_queue.isEmpty()) {
            // Nothing more to play: let the sound end and free the device.
            ok = m_output.finish();
            if (!self)
                return;
            if (!ok)
                error = m_output.errorText();
        }
        if (!ok) {
            m_queue.clear();
            m_output.stop();
            if (error.isEmpty())
                error = m_output.ready() ? QStringLiteral("The sound output failed: the tones "
                                                          "cannot be played")
                                         : QtAudioOutput::noDeviceText();
            m_playing = false;
            if (!m_soundFailureTold) {
                m_soundFailureTold = true;
                m_messages.message(error, QString(), MessageIcon::Warning);
            }
            return;
        }
        m_soundFailureTold = false;
    }
    m_playing = false;
}

} // namespace kovo
