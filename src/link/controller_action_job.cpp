#include "controller_action_job.h"

#include "audio_output.h"
#include "controller_commands.h"
#include "database/database.h"
#include "database/profile_file.h"
#include "dtmf_digits.h"
#include "link_flags.h"
#include "operator.h"
#include "qt_audio_output.h"
#include "serial_link.h"
#include "tone_synthesizer.h"

#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

const QString ErasedText = u"All Macros have been erased, both in Kovo and in the Tarsis. You "
                           "should resave your dat file now to reflect these changes."_s;
const QString ClockSetText = u"Clock and Calendar have been successfully set"_s;
const QString RecordedText = u"Wav File Upload Complete."_s;
const QString LockSentText = u"New Lock Code Has Been Successfully Sent To The Tarsis"_s;
const QString TerminatorSentText =
    u"New Terminator Digit Has Been Successfully Sent To The Tarsis"_s;
const QString UnlockSentText = u"New Unlock Code For Port %1 Has Been Successfully Sent To The "
                               "Tarsis"_s;

void sleepFor(int milliseconds) {
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool isDtmfDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'*' || c == u'#' || (c >= u'A' && c <= u'D');
}

// Why a new code cannot go to the controller; empty when it can. The memory holds an unlock code
// in eight characters, the lock code in four and the terminator as one digit, and the lock code
// may not be the terminator.
QString codeProblem(const Database& db, ControllerAction::Kind kind, const QString& code) {
    if (code.isEmpty())
        return u"The new code is empty."_s;
    for (QChar c : code) {
        if (!isDtmfDigit(c))
            return u"The new code \"%1\" holds a character that is no DTMF digit."_s.arg(code);
    }
    switch (kind) {
    case ControllerAction::Kind::ChangeUnlockCode:
        if (code.size() > 8)
            return u"An unlock code has at most 8 digits."_s;
        break;
    case ControllerAction::Kind::ChangeLockCode:
        if (code.size() > 4)
            return u"The lock code has at most 4 digits."_s;
        if (code == db.storedTerminator())
            return u"The lock code cannot be the terminator digit."_s;
        break;
    case ControllerAction::Kind::ChangeTerminator:
        if (code.size() != 1)
            return u"The terminator is one digit."_s;
        if (code == db.storedLock())
            return u"The terminator cannot be the lock code."_s;
        break;
    default:
        break;
    }
    return {};
}

QString lockNotPlayableText(const QString& lockCode) {
    return u"The lock code \"%1\" cannot be played as DTMF tones: over the air the lock code is "
           "one key. Nothing was sent."_s.arg(lockCode);
}

} // namespace

ControllerActionJob::ControllerActionJob(Database& db, LinkFlags& flags, Operator& person)
    : m_db(db), m_flags(flags), m_person(person),
      m_clock([] { return QDateTime::currentDateTime(); }) {}

ControllerActionJob::~ControllerActionJob() = default;

void ControllerActionJob::setAudioOutput(AudioOutput* output) {
    m_output = output;
    m_player = output ? std::make_unique<DtmfPlayer>(*output) : nullptr;
    if (m_player) {
        m_player->setDtmfDelay(m_dtmfDelay);
        m_player->setTxTemp(m_txTemp);
        m_player->setKeyer(m_keyer);
    }
}

void ControllerActionJob::setKeyer(TransmitterKeyer keyer) {
    m_keyer = std::move(keyer);
    if (m_player)
        m_player->setKeyer(m_keyer);
}

void ControllerActionJob::setDtmfDelay(int milliseconds) {
    m_dtmfDelay = milliseconds;
    if (m_player)
        m_player->setDtmfDelay(milliseconds);
}

void ControllerActionJob::setTxTemp(int milliseconds) {
    m_txTemp = milliseconds;
    if (m_player)
        m_player->setTxTemp(milliseconds);
}

QString ControllerActionJob::lockNotAcknowledgedText(const QString& port, int tries) {
    return u"The Tarsis on %1 did not acknowledge the lock code after %2 tries. It may still be "
           "unlocked: check the connection and lock it again."_s.arg(port)
               .arg(tries);
}

QString ControllerActionJob::wavNotPlayedText(const QString& path, const QString& why) {
    if (path.isEmpty())
        return u"No WAV file was chosen. The Tarsis is locked again."_s;
    return u"The WAV file %1 cannot be played: %2. The Tarsis is locked again."_s.arg(path, why);
}

bool ControllerActionJob::run(const ControllerAction& action) {
    m_flags.updateInterrupted = false;
    m_flags.updateAborted = false;
    m_flags.commandAcknowledged = false;
    m_soundFailed = false;
    if (action.kind != ControllerAction::Kind::PreviewCourtesyTone && !serial() && !m_player) {
        m_person.message(QtAudioOutput::noDeviceText(), u"Error!"_s);
        return false;
    }
    // Over the air the lock code goes as one key: a longer code plays no tone, and the
    // controller would be left unlocked after the action.
    if (action.kind != ControllerAction::Kind::PreviewCourtesyTone && !serial() &&
        !dtmfCarries({m_db.storedLock()})) {
        m_person.message(lockNotPlayableText(m_db.storedLock()), u"Error!"_s);
        return false;
    }
    bool done = false;
    switch (action.kind) {
    case ControllerAction::Kind::EraseAllMacros:
        done = eraseAllMacros();
        break;
    case ControllerAction::Kind::RecordTrack:
        done = recordTrack(action.track, action.wavFile);
        break;
    case ControllerAction::Kind::SetClock:
        done = setClock();
        break;
    case ControllerAction::Kind::ChangeUnlockCode:
    case ControllerAction::Kind::ChangeLockCode:
    case ControllerAction::Kind::ChangeTerminator:
        done = changeCode(action);
        break;
    case ControllerAction::Kind::PreviewCourtesyTone:
        done = previewCourtesyTone(action.courtesyValues);
        break;
    }
    if (m_output)
        m_output->finish();
    return done;
}

bool ControllerActionJob::cancelled() {
    if (m_person.interrupted())
        m_flags.updateInterrupted = true;
    return m_flags.updateInterrupted;
}

bool ControllerActionJob::openPort() {
    return m_serial->isOpen() || m_serial->openSerialPort();
}

void ControllerActionJob::closePort() {
    m_serial->close();
}

bool ControllerActionJob::exchange(const QString& line) {
    m_flags.commandAcknowledged = false;
    m_serial->setLockCode(m_db.storedLock());
    m_serial->sendCommand(serialFrame(line));
    const bool acknowledged = m_flags.commandAcknowledged;
    m_flags.commandAcknowledged = false;
    return acknowledged;
}

bool ControllerActionJob::lockSerial() {
    // A refusal shows its message and the lock line goes again; a link that gave up (too many
    // time-outs, the line lost) has closed the port and said so.
    for (int attempt = 1; attempt <= MaxLockTries; ++attempt) {
        if (!m_serial->isOpen())
            return false;
        if (exchange(lockLine(m_db)))
            return true;
        if (cancelled())
            break;
    }
    if (m_serial->isOpen())
        m_person.message(lockNotAcknowledgedText(m_serial->portLabel(), MaxLockTries), u"Error!"_s);
    return false;
}

bool ControllerActionJob::keyUp() {
    if (!m_output->ready()) {
        const QString text = m_output->errorText();
        m_person.message(text.isEmpty() ? QtAudioOutput::noDeviceText() : text, u"Error!"_s);
        return false;
    }
    if (m_player->keyUp())
        return true;
    const QString text = m_player->errorText();
    if (m_player->keyed())
        m_player->unkey();
    m_person.message(text.isEmpty() ? QtAudioOutput::noDeviceText() : text, u"Error!"_s);
    return false;
}

void ControllerActionJob::unkey() {
    if (!m_player->unkey() && !m_soundFailed) {
        const QString text = m_player->errorText();
        if (!text.isEmpty())
            m_person.message(text, u"Error!"_s);
    }
}

void ControllerActionJob::soundFailure() {
    if (m_soundFailed)
        return;
    m_soundFailed = true;
    const QString text = m_player->errorText();
    m_person.message(text.isEmpty() ? u"The sound output failed: the tones cannot be played"_s
                                    : text,
                     u"Error!"_s);
}

bool ControllerActionJob::playCodes(const QStringList& codes) {
    if (m_soundFailed)
        return false;
    if (!m_player->sendDigitCodes(codes)) {
        soundFailure();
        return false;
    }
    return true;
}

bool ControllerActionJob::playUnit(const Command& command) {
    return playCodes(command.dtmfUnlock + command.dtmfBody + command.dtmfLock);
}

bool ControllerActionJob::eraseAllMacros() {
    const Command command = eraseAllMacrosCommand(m_db);
    bool done = false;
    if (serial()) {
        sleepFor(EraseSettleMs);
        if (!openPort())
            return false;
        done = exchange(command.serialLines.first());
        closePort();
    } else {
        if (!keyUp())
            return false;
        done = playUnit(command);
        unkey();
    }
    if (done)
        m_person.message(ErasedText);
    return done;
}

bool ControllerActionJob::setClock() {
    const ClockTexts texts = clockTexts(m_clock(), m_international);
    if (texts.date.size() != 6 || (texts.time.size() != 4 && texts.time.size() != 6)) {
        m_person.message(u"This PC's clock gives no usable date and time."_s, u"Error!"_s);
        return false;
    }
    const QList<Command> commands = clockSetCommands(m_db, texts);
    bool done = false;
    if (serial()) {
        if (!openPort())
            return false;
        sleepFor(ClockDateSettleMs);
        done = exchange(commands[0].serialLines.first());
        if (done && !cancelled()) {
            sleepFor(ClockTimeSettleMs);
            done = exchange(commands[1].serialLines.first());
        } else {
            done = false;
        }
        closePort();
    } else {
        if (!keyUp())
            return false;
        // One unlock for both commands, one lock after them.
        done = playCodes(commands[0].dtmfUnlock + commands[0].dtmfBody) && !cancelled() &&
               playCodes(commands[1].dtmfBody);
        playCodes(commands[1].dtmfLock);
        unkey();
    }
    if (done)
        m_person.message(ClockSetText, u"Done"_s);
    return done;
}

bool ControllerActionJob::recordTrack(int track, const QString& wavFile) {
    if (track < 1 || track > 20) {
        m_person.message(u"A DVR track is 1 to 20."_s, u"Error!"_s);
        return false;
    }
    // The file is read before the controller is told to record: a file that cannot be played
    // must not record silence over the track's message. The serial controller is still sent
    // its lock line, as after every recording.
    QByteArray image;
    QString why;
    if (wavFile.isEmpty()) {
        why = u"no file was chosen"_s;
    } else {
        QFile file(wavFile);
        if (!file.open(QIODevice::ReadOnly))
            why = file.errorString();
        else if (file.size() > MaxWavBytes)
            why = u"it is too long for a DVR track"_s;
        else
            image = file.readAll();
        if (why.isEmpty() && !parseWavImage(image))
            why = u"it is not a PCM WAVE file"_s;
    }
    const Command prepare = recordPrepareCommand(m_db, track);
    const Command start = recordStartCommand(m_db, track);
    bool done = false;
    if (!why.isEmpty()) {
        m_person.message(wavNotPlayedText(wavFile, why), u"Error!"_s);
        if (serial() && openPort()) {
            lockSerial();
            closePort();
        }
        return false;
    }
    if (serial()) {
        if (!openPort())
            return false;
        if (exchange(prepare.serialLines.first()) && !cancelled() &&
            exchange(start.serialLines.first()) && !cancelled()) {
            m_serial->sendStr("G");
            const bool played = playImage(image, &why);
            m_serial->sendStr("S");
            done = played;
        }
        m_serial->discardInput();
        m_flags.updateAborted = false;
        if (!why.isEmpty())
            m_person.message(wavNotPlayedText(wavFile, why), u"Error!"_s);
        const bool locked = lockSerial();
        done = done && locked;
        if (done)
            m_person.message(RecordedText);
        closePort();
        return done;
    }
    if (!keyUp())
        return false;
    bool started = pauseFor(RecordSettleMs) && playCodes(prepare.dtmfUnlock + prepare.dtmfBody) &&
                   !cancelled() && pauseFor(RecordSettleMs) && playCodes(start.dtmfBody);
    if (started)
        done = playImage(image, &why);
    if (!why.isEmpty() && started)
        m_person.message(wavNotPlayedText(wavFile, why), u"Error!"_s);
    // Locked again whatever happened once the unlock code went out.
    const bool locked = playCodes(prepare.dtmfLock);
    unkey();
    done = done && locked;
    if (done)
        m_person.message(RecordedText);
    return done;
}

bool ControllerActionJob::pauseFor(int milliseconds) {
    if (m_soundFailed)
        return false;
    while (milliseconds > 0) {
        if (cancelled())
            return false;
        const int slice = qMin(milliseconds, SoundSliceMs);
        if (!m_output->pause(slice)) {
            soundFailure();
            return false;
        }
        milliseconds -= slice;
    }
    return true;
}

bool ControllerActionJob::playImage(const QByteArray& image, QString* why) {
    const std::optional<WavPcmLayout> layout = parseWavImage(image);
    if (!layout) {
        *why = u"it is not a PCM WAVE file"_s;
        return false;
    }
    const qsizetype frameBytes = qsizetype(layout->channels) * layout->bitsPerSample / 8;
    const qsizetype sliceBytes = qMax<qsizetype>(frameBytes, qsizetype(layout->sampleRate) *
                                                                 SoundSliceMs / 1000 * frameBytes);
    const int channelMode = layout->channels == 1 ? 0 : 1;
    for (qsizetype at = 0; at < layout->dataSize; at += sliceBytes) {
        if (cancelled())
            return false;
        const qsizetype size = qMin(sliceBytes, layout->dataSize - at);
        const QByteArray slice =
            buildWavHeader(static_cast<std::uint32_t>(size), layout->sampleRate,
                           layout->bitsPerSample, channelMode) +
            image.mid(layout->dataOffset + at, size);
        if (!m_output->play(slice)) {
            const QString text = m_output->errorText();
            *why = text.isEmpty() ? u"the sound output failed"_s : text;
            return false;
        }
    }
    return true;
}

bool ControllerActionJob::changeCode(const ControllerAction& action) {
    using Kind = ControllerAction::Kind;
    const QString code = action.newCode.trimmed().toUpper();
    const int port = action.kind == Kind::ChangeUnlockCode ? action.port : 1;
    if (action.kind == Kind::ChangeUnlockCode && (port < 1 || port > 3)) {
        m_person.message(u"A port is 1 to 3."_s, u"Error!"_s);
        return false;
    }
    const QString problem = codeProblem(m_db, action.kind, code);
    if (!problem.isEmpty()) {
        m_person.message(problem, u"Try Again!"_s, MessageIcon::Critical);
        return false;
    }
    if (action.kind == Kind::ChangeLockCode && !serial() && !dtmfCarries({code})) {
        m_person.message(lockNotPlayableText(code), u"Try Again!"_s, MessageIcon::Critical);
        return false;
    }
    Command command;
    QString key;
    QString sentText;
    switch (action.kind) {
    case Kind::ChangeUnlockCode:
        command = unlockChangeCommand(m_db, port, code);
        key = u"CurrentPortUnlock(%1)"_s.arg(port);
        sentText = UnlockSentText.arg(port);
        break;
    case Kind::ChangeLockCode:
        command = lockChangeCommand(m_db, code);
        key = u"Lock"_s;
        sentText = LockSentText;
        break;
    default:
        command = terminatorChangeCommand(m_db, code);
        key = u"Terminator"_s;
        sentText = TerminatorSentText;
        break;
    }

    // The file first: the person's new code must survive whatever the controller does.
    const QString file = action.databaseFile.isEmpty() ? m_databaseFile : action.databaseFile;
    if (!file.isEmpty() && !writeIni(u"Unlock", key, code, file)) {
        m_person.message(
            u"The new code could not be written into %1, so it was not sent. Check "
            "that the file can be written and try again."_s.arg(QFileInfo(file).fileName()),
            u"Error!"_s);
        return false;
    }
    switch (action.kind) {
    case Kind::ChangeUnlockCode:
        m_db.setValue(u"CurrentPortUnlock", port, code);
        break;
    case Kind::ChangeLockCode:
        m_db.setValue(u"Lock", code);
        m_db.setStoredLock(code);
        break;
    default:
        m_db.setValue(u"Terminator", code);
        m_db.setStoredTerminator(code);
        break;
    }

    bool done = false;
    if (serial()) {
        if (!openPort())
            return false;
        done = exchange(command.serialLines.first());
    } else {
        if (!keyUp())
            return false;
        done = playUnit(command);
        unkey();
    }
    if (done)
        m_person.message(sentText);
    return done;
}

bool ControllerActionJob::previewCourtesyTone(const QStringList& values) {
    if (!m_output)
        return false;
    if (values.size() != 16) {
        m_person.message(u"A courtesy tone has sixteen values."_s, u"Error!"_s);
        return false;
    }
    const auto number = [&](int i) { return qBound(0, values[i].trimmed().toInt(), 32767); };
    for (int segment = 0; segment < 4; ++segment) {
        if (!pauseFor(number(segment)))
            return false;
        const int duration = number(4 + segment);
        const QByteArray image =
            buildTonePairWav(qMin(number(8 + 2 * segment), 3500),
                             qMin(number(9 + 2 * segment), 3500), duration / 1000.0);
        QString why;
        if (duration > 0 && !playImage(image, &why)) {
            if (!why.isEmpty())
                m_person.message(why, u"Error!"_s);
            return false;
        }
    }
    return true;
}

} // namespace kovo
