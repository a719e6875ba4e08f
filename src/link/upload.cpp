#include "upload.h"

#include "database/database.h"
#include "database/field_table.h"
#include "digit_sink.h"
#include "dtmf_digits.h"
#include "line_sink.h"
#include "link_flags.h"
#include "operator.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

// The percentage shown beside the progress bar, "37% Complete": rounded half to even and kept in
// one byte, as the display has always shown it.
QString percentLabel(int value) {
    const int percent = static_cast<int>(std::nearbyint(value / 7.24)) & 0xFF;
    return QString::number(percent) + u"% Complete"_s;
}
const QString CompleteMessage = u"Complete Upload Is Complete. The Tarsis will now reset."_s;
const QString UpdateMessage = u"Update Complete"_s;
const QString UnconfirmedMessage =
    u"\n\n%1 command(s) got no answer from the Tarsis and may not have been applied: %2. They "
    u"are still marked as changed, so Update Changes Only sends them again."_s;
const QString SkippedMessage =
    u"%1\n\nThe rest of each item is sent. Correct these items in their editors to send them "
    u"whole."_s;
const QString SkippedTitle = u"Words Left Out"_s;
const QString UnsendableMessage =
    u"Nothing was sent. These values cannot be sent to the Tarsis; correct them and try "
    u"again:\n%1"_s;

// What a serial line may carry after its port digit: the keypad's characters.
bool serialCarries(const QString& line) {
    for (const QChar c : line) {
        if (!(c.isDigit() && c.unicode() < 128) && c != u'*' && c != u'#' && (c < u'A' || c > u'D'))
            return false;
    }
    return !line.isEmpty();
}

// The per-port timers in sending order, each with its own flag.
struct OwnItem {
    CommandItem item;
    const char* field;
};

constexpr OwnItem PortTimers[] = {
    {CommandItem::HangTime, "HangTime"},         {CommandItem::TimeOut, "TimeOut"},
    {CommandItem::IIDTime, "IIDTime"},           {CommandItem::PIDTime, "PIDTime"},
    {CommandItem::InActiveTime, "InActiveTime"}, {CommandItem::InActivityMacro, "InActivityMacro"},
    {CommandItem::DTMFTime, "DTMFTime"},         {CommandItem::CTCSSTime, "CTCSSTime"},
    {CommandItem::KerchunkTime, "KerchunkTime"}, {CommandItem::IDSpeakTime, "IDSpeakTime"},
    {CommandItem::AnnounceTime, "AnnounceTime"}, {CommandItem::AuxTime, "AuxTime"},
};

constexpr OwnItem ControllerTimers[] = {
    {CommandItem::FanTime, "FanTime"},
    {CommandItem::FanSelect, "FanSelect"},
    {CommandItem::XmtDelay, "XmtDelay"},
    {CommandItem::TimeoutLink, "TimeoutLink"},
};

constexpr OwnItem Identification[] = {
    {CommandItem::VoiceID1, "VoiceID1"}, {CommandItem::VoiceID2, "VoiceID2"},
    {CommandItem::VoiceID3, "VoiceID3"}, {CommandItem::CWID1, "CWID1"},
    {CommandItem::CWID2, "CWID2"},       {CommandItem::CWSpeed, "CWSpeed"},
};

constexpr OwnItem ClockOptions[] = {
    {CommandItem::SayYear, "SayYear"},
    {CommandItem::TwentyFour, "TwentyFour"},
    {CommandItem::SayHour, "SayHour"},
    {CommandItem::ClockCorrection, "ClockCorrection"},
};

constexpr OwnItem IdExtras[] = {
    {CommandItem::ID1Extras, "ID1Extras"},
    {CommandItem::ID2Extras, "ID2Extras"},
    {CommandItem::ID3Extras, "ID3Extras"},
};

constexpr OwnItem AutopatchValues[] = {
    {CommandItem::RingNumber, "RingNumber"},
    {CommandItem::APTimeOut, "APTimeOut"},
    {CommandItem::EnablePatch, "EnablePatch"},
    {CommandItem::PatchMute, "PatchMute"},
    {CommandItem::DTMFTestPrefix, "DTMFTestPrefix"},
    {CommandItem::PreAccessPrefix, "PreAccessPrefix"},
    {CommandItem::PreProgramPrefix, "PreProgramPrefix"},
    {CommandItem::MacroSubset, "MacroSubset"},
    {CommandItem::MacroSubsetEnable, "MacroSubsetEnable"},
    {CommandItem::DTMFMuteDigitSelect, "DTMFMuteDigitSelect"},
};

// The port switches that count one progress step each, in sending order.
constexpr OwnItem PortSwitches[] = {
    {CommandItem::TxEnable, "TxEnable"},
    {CommandItem::RxEnable, "RxEnable"},
    {CommandItem::FDup, "FDup"},
    {CommandItem::PLAccess, "PLAccess"},
    {CommandItem::DTMFEnable, "DTMFEnable"},
    {CommandItem::DTMFNeedPL, "DTMFNeedPL"},
    {CommandItem::DTMFMute, "DTMFMute"},
    {CommandItem::DTMFCovertone, "DTMFCovertone"},
    {CommandItem::MonMix, "MonMix"},
    {CommandItem::Kerchunk, "Kerchunk"},
    {CommandItem::SpeechOverride, "SpeechOverride"},
    {CommandItem::SpeechIDOverride, "SpeechIDOverride"},
};

constexpr OwnItem PortTone[] = {
    {CommandItem::CTCSSCT, "CTCSSCT"},
    {CommandItem::CTCSSID, "CTCSSID"},
    {CommandItem::TailMessageNum, "TailMessageNum"},
};

QString pending(const char* field) {
    return QLatin1StringView(field) + u"Pending"_s;
}

} // namespace

Upload::Upload(Database& db, LinkFlags& flags, Operator& person, LineSink& serial)
    : m_db(db), m_flags(flags), m_person(person), m_lines(&serial), m_transport(Transport::Serial) {
}

Upload::Upload(Database& db, LinkFlags& flags, Operator& person, DigitSink& dtmf)
    : m_db(db), m_flags(flags), m_person(person), m_digits(&dtmf), m_transport(Transport::Dtmf) {}

UploadResult Upload::sendCompleteData() {
    return run(true);
}

UploadResult Upload::sendChangesOnly() {
    return run(false);
}

UploadResult Upload::run(bool complete) {
    m_complete = complete;
    m_progress = 0;
    m_result = UploadResult{};
    m_flags.updateAborted = false;
    m_flags.updateInterrupted = false;

    m_result.unsendable = findUnsendable();
    if (!m_result.unsendable.isEmpty()) {
        m_person.message(UnsendableMessage.arg(m_result.unsendable.join(u'\n')), u"Error!"_s,
                         MessageIcon::Critical);
        return m_result;
    }
    m_result.skipped = m_skipped;
    if (!m_skipped.isEmpty())
        m_person.message(SkippedMessage.arg(m_skipped.join(u'\n')), SkippedTitle,
                         MessageIcon::Warning);
    if (m_transport == Transport::Serial) {
        if (!m_lines->open())
            return m_result;
        m_lines->setLockCode(m_db.storedLock());
    } else if (!m_digits->key(true)) {
        return m_result;
    }
    if (m_complete)
        m_person.progress(0, ProgressMaximum, percentLabel(0));

    if (!walk())
        return m_result;

    if (m_transport == Transport::Dtmf)
        m_digits->key(false);
    const QString unconfirmed = m_result.unconfirmed.isEmpty()
                                    ? QString()
                                    : UnconfirmedMessage.arg(m_result.unconfirmed.size())
                                          .arg(m_result.unconfirmed.join(u", "_s));
    if (m_complete) {
        m_person.message(CompleteMessage + unconfirmed);
        if (m_transport == Transport::Serial) {
            const Command reset = buildCommand(m_db, CommandItem::Reset);
            if (m_observer)
                m_observer(reset);
            m_lines->writeLine(serialFrame(reset.serialLines.constFirst()));
            ++m_result.commandsSent;
        }
    } else {
        m_person.message(UpdateMessage + unconfirmed);
    }
    m_result.outcome = UploadOutcome::Completed;
    return m_result;
}

// The items in the controller's order. Every call returns false when the upload has ended.
bool Upload::walk() {
    const bool dtmf = m_transport == Transport::Dtmf;

    // 1. The terminator first, so that every later command ends with it.
    if (m_complete && !step(CommandItem::TerminatorStart, 0, {}, {{u"TerminatorPending"_s}}))
        return false;

    // 2. Timers of each port, and the general timer of the same number with its macro.
    for (int port = 1; port <= 3; ++port) {
        for (const OwnItem& timer : PortTimers) {
            if (!own(timer.item, timer.field, port))
                return false;
        }
        bump();
        const Flags general{{u"GeneralTimerPending"_s, port}};
        if (!step(CommandItem::GeneralTimer, port, general, {}) ||
            !step(CommandItem::GeneralTimerMacro, port, general))
            return false;
        bump();
    }
    // 3. Controller-wide timers.
    for (const OwnItem& timer : ControllerTimers) {
        if (!own(timer.item, timer.field))
            return false;
    }
    bump();

    // 4. Courtesy tones: per port and tone, its four segments.
    for (int port = 1; port <= 3; ++port) {
        for (int tone = 1; tone <= 10; ++tone) {
            for (int segment = 1; segment <= 4; ++segment) {
                const int index = Database::courtesyIndex(port, segment, tone);
                if (!step(CommandItem::Courtesy, index, {{u"CourtesyPending"_s, index}}))
                    return false;
            }
            bump();
        }
    }

    // 5. Identification.
    for (int port = 1; port <= 3; ++port) {
        for (const OwnItem& id : Identification) {
            if (!own(id.item, id.field, port))
                return false;
        }
        if (!step(CommandItem::CWTones, port,
                  {{u"CWTone1Pending"_s, port}, {u"CWTone2Pending"_s, port}}))
            return false;
        bump();
    }

    // 6. Scheduler and clock options.
    for (int sp = 1; sp <= 20; ++sp) {
        if (!step(CommandItem::SetPoint, sp, {{u"SetPointPending"_s, sp}}))
            return false;
        bump();
    }
    for (const OwnItem& option : ClockOptions) {
        if (!own(option.item, option.field))
            return false;
    }

    // 7. Analog meters and their alarms.
    for (int n = 1; n <= 8; ++n) {
        if (!step(CommandItem::Meter, n, {{u"MeterPending"_s, n}}))
            return false;
    }
    if (!step(CommandItem::Vref, 0, {{u"MeterPending"_s, 9}}))
        return false;
    for (int n = 1; n <= 8; ++n) {
        if (!step(CommandItem::MeterAlarm, n, {{u"MeterAlarmPending"_s, n}}, {}))
            return false;
    }
    for (int n = 1; n <= 8; ++n) {
        if (!step(CommandItem::MeterAlarmEnable, n, {{u"MeterAlarmPending"_s, n}}))
            return false;
    }
    // Alarms 9 and 10 exist in the configuration but the controller has no command for them:
    // there is nothing to send, so their flags must not stay set forever.
    if (!m_checking) {
        m_db.clearPending(u"MeterAlarmPending"_s, 9);
        m_db.clearPending(u"MeterAlarmPending"_s, 10);
    }
    bump();

    // 8. Remote base.
    const Flags radio{{u"RadioTypePending"_s}};
    if (!step(CommandItem::RadioType, 0, radio, {}) || !step(CommandItem::YaesuType, 0, radio) ||
        !own(CommandItem::RemoteBasePrefix, "RemoteBasePrefix"))
        return false;
    const Flags memories{{u"RemoteMemoriesPending"_s}};
    for (int n = 1; n <= 10; ++n) {
        if (!step(CommandItem::RemoteMemory, n, memories, n == 10 ? memories : Flags{}))
            return false;
    }

    // 9. Macros, their codes and the ports that may run them.
    for (int n = 1; n <= 40; ++n) {
        if (!step(CommandItem::Macro, n, {{u"MacroPending"_s, n}}))
            return false;
        bump();
    }
    for (int n = 1; n <= 40; ++n) {
        if (!step(CommandItem::MacroCode, n, {{u"MacroCodePending"_s, n}}))
            return false;
        bump();
    }
    for (int n = 1; n <= 90; ++n) {
        if (!own(CommandItem::PortToAllow, "PortToAllow", n))
            return false;
        bump();
    }

    // 10. Alarm macros.
    for (int n = 1; n <= 5; ++n) {
        if (!own(CommandItem::AlarmLowMacroNum, "AlarmLowMacroNum", n) ||
            !own(CommandItem::AlarmHighMacroNum, "AlarmHighMacroNum", n))
            return false;
    }

    // 11. ID extras and speech enable.
    for (int port = 1; port <= 3; ++port) {
        for (const OwnItem& extras : IdExtras) {
            if (!own(extras.item, extras.field, port))
                return false;
            bump();
        }
        if (!own(CommandItem::SpeechEnable, "SpeechEnable", port))
            return false;
    }

    // 12. Message macros.
    for (int n = 1; n <= 40; ++n) {
        if (!own(CommandItem::MessageMacro, "MessageMacro", n))
            return false;
        bump();
    }

    // 13. Short macro codes.
    for (int m = 41; m <= 90; ++m) {
        if (!step(CommandItem::MacroCode, m, {{u"ShortMacroCodePending"_s, m - 40}}))
            return false;
        bump();
    }

    // 14. DTMF memories.
    for (int n = 1; n <= 20; ++n) {
        if (!step(CommandItem::DTMFMemory, n, {{u"DTMFPending"_s, n}}))
            return false;
    }
    if (!own(CommandItem::DTMFDur, "DTMFDur") || !own(CommandItem::DTMFDelay, "DTMFDelay"))
        return false;
    bump();

    // 15. Codes and prefixes.
    for (int port = 1; port <= 3; ++port) {
        if (!step(CommandItem::PortUnlock, port, {{u"CurrentPortUnlockPending"_s, port}}))
            return false;
    }
    // A complete upload over the air leaves the lock code alone; a changes-only upload sends a
    // new lock code and a new terminator over either transport.
    if (!(m_complete && dtmf) && !own(CommandItem::Lock, "Lock"))
        return false;
    if (!m_complete && !own(CommandItem::Terminator, "Terminator"))
        return false;
    const Flags user{{u"UserDTMFPending"_s}};
    if (!step(CommandItem::CommandPrefix, 0, user, {}) ||
        !step(CommandItem::DTMFPort, 0, user, {}) || !step(CommandItem::DTMFSpeech, 0, user) ||
        !own(CommandItem::APPrefix, "APPrefix") || !own(CommandItem::AnswerCode, "AnswerCode"))
        return false;
    bump();

    // 16. Autopatch.
    for (int n = 1; n <= 200; ++n) {
        if (!own(CommandItem::AutoDial, "AutoDial", n))
            return false;
        bump();
    }
    for (int n = 1; n <= 100; ++n) {
        if (!own(CommandItem::TollRestrict, "TollRestrict", n))
            return false;
        bump();
    }
    for (const OwnItem& value : AutopatchValues) {
        if (!own(value.item, value.field))
            return false;
    }
    bump();

    // 17. port switches, the alarm switches and speech with the terminator.
    for (int port = 1; port <= 3; ++port) {
        for (const OwnItem& sw : PortSwitches) {
            if (!own(sw.item, sw.field, port))
                return false;
            bump();
        }
        for (const OwnItem& tone : PortTone) {
            if (!own(tone.item, tone.field, port))
                return false;
        }
        if (!step(CommandItem::PortMessageNums, port, {{u"PortMessageNumPending"_s, port}}) ||
            !own(CommandItem::TailCounter, "TailCounter", port) ||
            !own(CommandItem::PLEncodePolarity, "PLEncodePolarity", port) ||
            !own(CommandItem::COSClose, "COSClose", port))
            return false;
        bump();
    }
    for (int n = 1; n <= 5; ++n) {
        if (!own(CommandItem::Alarm, "Alarm", n))
            return false;
    }
    if (!own(CommandItem::AllowTerminatorSpeech, "AllowTerminatorSpeech"))
        return false;

    // 18. Short macros.
    for (int m = 41; m <= 90; ++m) {
        if (!step(CommandItem::Macro, m, {{u"ShortMacroPending"_s, m - 40}}))
            return false;
        bump();
    }
    return true;
}

bool Upload::own(CommandItem item, const char* field, int index) {
    return step(item, index, {{pending(field), index}});
}

bool Upload::step(CommandItem item, int index, const Flags& select) {
    return step(item, index, select, select);
}

bool Upload::step(CommandItem item, int index, const Flags& select, const Flags& clear) {
    if (!m_complete) {
        bool wanted = false;
        for (const Flag& flag : select)
            wanted = wanted || m_db.pending(flag.name, flag.index);
        if (!wanted)
            return true;
    }
    const Command command = buildCommand(m_db, item, index);
    if (m_checking) {
        if (command.sends(m_transport)) {
            checkCommand(command);
            m_skipped << skippedReport(command);
        }
        return true;
    }
    if (!command.sends(m_transport)) {
        // Nothing to send: the item is empty (or, over the air, an unused set point). Items the
        // transport cannot carry keep their flags for a serial upload.
        const bool empty = command.serialLines.isEmpty() ||
                           (item == CommandItem::SetPoint && m_transport == Transport::Dtmf);
        if (empty)
            clearFlags(clear);
        return true;
    }
    if (m_observer)
        m_observer(command);
    return m_transport == Transport::Serial ? sendSerial(item, command, clear)
                                            : sendDtmf(item, command, clear);
}

bool Upload::sendSerial(CommandItem item, const Command& command, const Flags& clear) {
    bool confirmed = true;
    for (qsizetype i = 0; i < command.serialLines.size(); ++i) {
        m_lines->sendCommand(serialFrame(command.serialLines.at(i)));
        ++m_result.commandsSent;
        if (m_flags.updateAborted) {
            finish(UploadOutcome::Aborted);
            return false;
        }
        confirmed = confirmed && m_lines->lastConfirmed();
        if (i + 1 == command.serialLines.size()) {
            if (confirmed) {
                clearFlags(clear);
                sent(item);
            } else {
                m_result.unconfirmed << command.item;
            }
        }
        if (interruptedNow()) {
            finish(UploadOutcome::Interrupted);
            return false;
        }
    }
    return true;
}

QStringList Upload::findUnsendable() {
    m_unsendable.clear();
    m_skipped.clear();
    m_checking = true;
    walk();
    m_checking = false;
    return m_unsendable;
}

// Names the field and its value where the item is one field, else the item and its command.
void Upload::checkCommand(const Command& command) {
    // The serial line shows the value as it is; the DTMF digits would silently drop what the
    // keypad has not, so the line is checked for either transport.
    const bool fits =
        std::all_of(command.serialLines.cbegin(), command.serialLines.cend(), serialCarries) &&
        (m_transport == Transport::Serial ||
         (dtmfCarries(command.dtmfUnlock) && dtmfCarries(command.dtmfBody) &&
          dtmfCarries(command.dtmfLock)));
    if (fits)
        return;
    const qsizetype open = command.item.indexOf(u'(');
    const QString name = open < 0 ? command.item : command.item.left(open);
    const int index = open < 0 ? 0 : command.item.mid(open + 1).chopped(1).toInt();
    if (findField(name)) {
        m_unsendable << command.item + u" = \""_s + m_db.value(name, index) + u'"';
        return;
    }
    m_unsendable << command.item + u": "_s + command.serialLines.join(u' ');
}

bool Upload::sendDtmf(CommandItem item, const Command& command, const Flags& clear) {
    for (const QString& code : command.dtmfUnlock)
        m_digits->sendDigit(code);
    for (const QString& code : command.dtmfBody)
        m_digits->sendDigit(code);
    if (m_digits->failed()) {
        // Not played whole: the item keeps its flags.
        finish(UploadOutcome::Interrupted);
        return false;
    }
    ++m_result.commandsSent;
    if (m_flags.updateAborted) {
        finish(UploadOutcome::Aborted);
        return false;
    }
    clearFlags(clear);
    sent(item);
    for (const QString& code : command.dtmfLock)
        m_digits->sendDigit(code);
    if (interruptedNow()) {
        finish(UploadOutcome::Interrupted);
        return false;
    }
    return true;
}

// The terminator and lock commands change what the controller answers to.
void Upload::sent(CommandItem item) {
    if (item == CommandItem::TerminatorStart || item == CommandItem::Terminator) {
        m_db.setStoredTerminator(m_db.value(u"Terminator"));
    } else if (item == CommandItem::Lock) {
        m_db.setStoredLock(m_db.value(u"Lock"));
        if (m_lines)
            m_lines->setLockCode(m_db.storedLock());
    }
}

void Upload::clearFlags(const Flags& clear) {
    for (const Flag& flag : clear)
        m_db.clearPending(flag.name, flag.index);
}

bool Upload::interruptedNow() {
    return m_flags.updateInterrupted || m_person.interrupted();
}

void Upload::bump() {
    if (!m_complete || m_checking)
        return;
    ++m_progress;
    m_result.progress = m_progress;
    m_person.progress(m_progress, ProgressMaximum, percentLabel(m_progress));
}

// An upload that ends early: a refusal is cleared once seen; the port is closed after an
// interrupt, and the transmitter is never left keyed.
void Upload::finish(UploadOutcome outcome) {
    m_result.outcome = outcome;
    if (outcome == UploadOutcome::Aborted)
        m_flags.updateAborted = false;
    if (m_transport == Transport::Dtmf)
        m_digits->key(false);
    else if (outcome == UploadOutcome::Interrupted)
        m_lines->close();
}

} // namespace kovo
