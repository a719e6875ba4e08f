// The dispatcher: which command body goes to which handler, the port and alarm switches and the
// plain byte, word and text settings.
#include "emulator/tarsis_commands.h"

#include "emulator/tarsis_layout.h"

using namespace Qt::StringLiterals;

namespace kovo {

using namespace tarsis;

CommandOutcome TarsisCommands::run(QStringView body) {
    if (body.isEmpty())
        return refused(u"empty command"_s);
    CommandOutcome outcome;
    if (body.startsWith(u"**") && serial())
        return remoteBase(body.mid(2));
    if (body.front() == u'*')
        outcome = star(body);
    else
        outcome = digitLed(body);
    if (outcome.accepted || outcome.reason != u"unknown command")
        return outcome;
    if (!serial()) {
        // Over the air the remote base is addressed by its prefix alone.
        const QString prefix = text(At::RemoteBasePrefix, 6);
        if (!prefix.isEmpty() && body.startsWith(prefix) && body.size() > prefix.size())
            return remoteBase(body);
    }
    const CommandOutcome lock = lockLine(body);
    return lock.accepted ? lock : outcome;
}

CommandOutcome TarsisCommands::lockLine(QStringView body) const {
    const QString lock = text(At::Lock, 5);
    const QString terminator = text(At::Terminator, 2);
    if (!lock.isEmpty() && (body == lock || body == QString(lock + terminator)))
        return accepted();
    return refused(u"unknown command"_s);
}

CommandOutcome TarsisCommands::star(QStringView body) {
    const auto is = [&](const char16_t* code) { return body.startsWith(QStringView(code)); };
    const auto args = [&](const char16_t* code) { return body.mid(QStringView(code).size()); };
    const int p = portIndex();

    // Timers of one port.
    if (is(u"*1000"))
        return portByte(At::HangTime, args(u"*1000"));
    if (is(u"*1001"))
        return portWord(At::TimeOut + 2 * p, args(u"*1001"));
    if (is(u"*1002"))
        return portByte(At::IIDTime, args(u"*1002"));
    if (is(u"*1003"))
        return portByte(At::PIDTime, args(u"*1003"));
    if (is(u"*1005")) {
        const CommandOutcome outcome = portByte(At::InActiveTime, args(u"*1005"));
        if (outcome.accepted) // an inactivity time of 0 switches the inactivity timer off
            setByte(At::DisableTimeout + p, byte(At::InActiveTime + p) == 0 ? 1 : 0);
        return outcome;
    }
    if (is(u"*1006"))
        return dtmfTime(args(u"*1006"));
    if (is(u"*1007"))
        return portByte(At::CTCSSTime, args(u"*1007"));
    if (is(u"*1004"))
        return globalByte(At::FanTime, args(u"*1004"));
    if (body.startsWith(u"*101") && body.size() >= 5 && body[4] >= u'1' && body[4] <= u'5')
        return auxTime(body[4], body.mid(5));
    if (is(u"*1017"))
        return generalTimer(args(u"*1017"), false);
    if (is(u"*1018"))
        return portWord(At::KerchunkTime + 2 * p, args(u"*1018"));
    if (is(u"*1019"))
        return portWord(At::IDSpeakTime + 2 * p, args(u"*1019"));
    if (is(u"*1020"))
        return portWord(At::AnnounceTime + 2 * p, args(u"*1020"));
    if (is(u"*1021")) {
        // An empty polarity is held as 255, which reads back as empty.
        if (args(u"*1021").isEmpty()) {
            setByte(At::PLEncodePolarity + p, 255);
            return accepted();
        }
        return portByte(At::PLEncodePolarity, args(u"*1021"), 254);
    }
    if (is(u"*1022"))
        return globalWord(At::XmtDelay, args(u"*1022"));
    if (is(u"*1024"))
        return keepText(u"APTimeOut"_s, args(u"*1024"));
    if (is(u"*1025"))
        return keepText(u"RingNumber"_s, args(u"*1025"));
    if (is(u"*2114"))
        return portWord(At::InActivityMacro + 2 * p, args(u"*2114"));
    if (is(u"*2092"))
        return generalTimer(args(u"*2092"), true);
    if (is(u"*2119"))
        return globalByte(At::FanSelect, args(u"*2119"));
    if (is(u"*2051"))
        return globalByte(At::TimeoutLink, args(u"*2051"));

    // Courtesy tones.
    if (body.startsWith(u"*3"))
        return courtesy(body.mid(2));

    // Identification.
    if (is(u"*8000"))
        return portByte(At::CWSpeed, args(u"*8000"));
    if (is(u"*8001"))
        return cwTones(args(u"*8001"));
    if (is(u"*8002"))
        return cwId(At::CWID1 + CwIdSize * p, At::CWIDLength + p, args(u"*8002"));
    if (is(u"*8003"))
        return cwId(At::CWID2 + CwIdSize * p, At::CWIDLength + 3 + p, args(u"*8003"));
    if (is(u"*8004"))
        return speechId(At::VoiceID1 + VoiceIdSize * p, At::VoiceIDLength + p, args(u"*8004"));
    if (is(u"*8005"))
        return speechId(At::VoiceID2 + VoiceIdSize * p, At::VoiceIDLength + 3 + p, args(u"*8005"));
    if (is(u"*8006"))
        return speechId(At::VoiceID3 + VoiceIdSize * p, At::VoiceIDLength + 6 + p, args(u"*8006"));
    if (is(u"*8007"))
        return idExtras(args(u"*8007"));
    if (is(u"*8008"))
        return portByte(At::SpeechEnable, args(u"*8008"));

    // Scheduler and clock.
    if (is(u"*4001"))
        return setPoint(args(u"*4001"));
    if (is(u"*5100"))
        return clockSet(args(u"*5100"), false);
    if (is(u"*5101"))
        return clockSet(args(u"*5101"), true);
    if (is(u"*5102"))
        return globalByte(At::SayYear, args(u"*5102"));
    if (is(u"*5103"))
        return globalByte(At::TwentyFour, args(u"*5103"));
    if (is(u"*5104"))
        return globalByte(At::SayHour, args(u"*5104"));
    if (is(u"*5105"))
        return clockCorrection(args(u"*5105"));

    // Analog meters.
    if (is(u"*2064"))
        return meter(args(u"*2064"));
    if (is(u"*2065"))
        return globalWord(At::Vref, args(u"*2065"));
    if (is(u"*2066"))
        return meterAlarm(args(u"*2066"));

    // Remote base.
    if (is(u"*2083"))
        return globalByte(At::RadioType, args(u"*2083"));
    if (is(u"*2084"))
        return globalByte(At::YaesuType, args(u"*2084"));
    if (is(u"*2060")) {
        // bytes 0 and 255 cannot stand in the prefix; it fills at most five of its six bytes.
        const QStringView prefix = args(u"*2060");
        if (prefix.size() > 5)
            return refused(u"remote base prefix longer than 5 characters"_s);
        for (QChar c : prefix)
            if (!isStorableCharacter(c))
                return refused(u"remote base prefix holds a character the memory cannot"_s);
        setText(At::RemoteBasePrefix, 6, prefix, 0);
        return accepted();
    }
    if (is(u"*2086"))
        return storeRemoteMemory(args(u"*2086"));

    // Macros.
    if (is(u"*400499") && (body.size() == 7 || body.mid(7) == u"#"))
        return eraseAllMacros(body.mid(7));
    if (is(u"*4002"))
        return macroStore(args(u"*4002"));
    if (is(u"*4003"))
        return macroErase(args(u"*4003"));
    if (is(u"*2050"))
        return macroCode(args(u"*2050"));
    if (is(u"*4005"))
        return portToAllow(args(u"*4005"));
    if (is(u"*2101"))
        return serial() ? alarmMacro(At::AlarmLowMacroNum, args(u"*2101"))
                        : refused(u"unknown command"_s);
    if (is(u"*2102"))
        return serial() ? alarmMacro(At::AlarmHighMacroNum, args(u"*2102"))
                        : refused(u"unknown command"_s);

    // Messages and DTMF memories.
    if (is(u"*2103"))
        return messageMacro(args(u"*2103"));
    if (is(u"*7002"))
        return recordTrack(args(u"*7002"), false);
    if (is(u"*7001"))
        return recordTrack(args(u"*7001"), true);
    if (is(u"*2105"))
        return dtmfMemory(args(u"*2105"));
    if (is(u"*2106")) {
        // An empty duration is held as 255, which reads back as empty.
        if (args(u"*2106").isEmpty()) {
            setByte(At::DTMFDur, 255);
            return accepted();
        }
        return globalByte(At::DTMFDur, args(u"*2106"));
    }
    if (is(u"*2107"))
        return globalByte(At::DTMFDelay, args(u"*2107"));

    // Codes and prefixes.
    if (is(u"*9000")) {
        const QStringView code = args(u"*9000");
        if (code.isEmpty())
            return refused(u"empty unlock code"_s);
        return globalText(At::CurrentPortUnlock + 9 * p, 9, code, "unlock code");
    }
    if (is(u"*9010")) {
        if (args(u"*9010").isEmpty())
            return refused(u"empty lock code"_s);
        return globalText(At::Lock, 5, args(u"*9010"), "lock code");
    }
    if (is(u"*9020")) {
        const QStringView terminator = args(u"*9020");
        if (terminator.size() != 1 || !isDtmfCharacter(terminator.front()))
            return refused(u"the terminator is one DTMF digit"_s);
        return globalText(At::Terminator, 2, terminator, "terminator");
    }
    if (is(u"*2104"))
        return keepText(u"CommandPrefix"_s, args(u"*2104"));
    if (is(u"*2117"))
        return globalByte(At::DTMFPort, args(u"*2117"));
    if (is(u"*2118"))
        return globalByte(At::DTMFSpeech, args(u"*2118"));
    if (is(u"*2061"))
        return globalText(At::APPrefix, 6, args(u"*2061"), "autopatch prefix");
    if (is(u"*2063"))
        return keepText(u"AnswerCode"_s, args(u"*2063"));

    // Autopatch and prefixes.
    if (is(u"*2115"))
        return autopatchEntry("AutoDial", 200, args(u"*2115"));
    if (is(u"*2062"))
        return autopatchEntry("TollRestrict", 100, args(u"*2062"));
    if (is(u"*2116"))
        return globalByte(At::EnablePatch, args(u"*2116"));
    if (is(u"*2093"))
        return globalText(At::DTMFTestPrefix, 6, args(u"*2093"), "pad test prefix");
    if (is(u"*2108")) {
        // The pre-access prefix of "0" (none) is held as empty text.
        const QStringView prefix = args(u"*2108");
        return globalText(At::PreAccessPrefix, 4, prefix == u"0" ? QStringView() : prefix,
                          "pre-access prefix");
    }
    if (is(u"*2109"))
        return keepText(u"PreProgramPrefix"_s, args(u"*2109"));
    if (is(u"*4009"))
        return globalText(At::MacroSubset, 5, args(u"*4009"), "macro subset");
    if (is(u"*2090"))
        return keepText(u"DTMFMuteDigitSelect"_s, args(u"*2090"));
    if (is(u"*2091"))
        return globalByte(At::AllowTerminatorSpeech, args(u"*2091"));

    // port switches given by command number.
    if (is(u"*2088"))
        return portByte(At::CTCSSCT, args(u"*2088"));
    if (is(u"*2089"))
        return portByte(At::CTCSSID, args(u"*2089"));
    if (is(u"*2110"))
        return messageNumbers(args(u"*2110"));
    if (is(u"*2111"))
        return portByte(At::TailMessageNum, args(u"*2111"));
    if (is(u"*2112"))
        return portByte(At::TailCounter, args(u"*2112"));

    // The end of a serial upload: the controller resets.
    if (body == u"*21999")
        return accepted();
    return refused(u"unknown command"_s);
}

CommandOutcome TarsisCommands::digitLed(QStringView body) {
    // "270" patch muting, "280" macro subset enable: one value each.
    if (body.startsWith(u"270"))
        return globalByte(At::PatchMute, body.mid(3));
    if (body.startsWith(u"280"))
        return globalByte(At::MacroSubsetEnable, body.mid(3));
    // "1600" + meter alarm + enable flag.
    if (body.startsWith(u"1600") && body.size() == 6) {
        const auto alarm = parseNumber(body.mid(4, 1), 8);
        const auto flag = parseNumber(body.mid(5, 1), 1);
        if (!alarm || *alarm < 1 || !flag)
            return refused(u"malformed meter alarm switch"_s);
        setByte(At::MeterAlarmEnable + *alarm - 1, *flag);
        return accepted();
    }
    // Alarm switches: serial n + "91" + value, over the air "19" + n + value.
    if (body.size() == 4) {
        if (serial() && body.mid(1, 2) == u"91" && body[0] >= u'1' && body[0] <= u'5')
            return alarmSwitch(body[0].unicode() - u'0', body.mid(3));
        if (!serial() && body.startsWith(u"19") && body[2] >= u'1' && body[2] <= u'5')
            return alarmSwitch(body[2].unicode() - u'0', body.mid(3));
    }
    // COS closure over the serial link: "22" + value after the port digit.
    if (serial() && body.size() == 3 && body.startsWith(u"22"))
        return portSwitch(m_port, u"22", body.mid(2));
    // port switches: port + two-digit switch + one-digit value.
    if (body.size() == 4 && body[0] >= u'1' && body[0] <= u'3') {
        const int port = body[0].unicode() - u'0';
        if (serial() && port != m_port)
            return refused(u"switch port differs from the line's port"_s);
        return portSwitch(port, body.mid(1, 2), body.mid(3));
    }
    return refused(u"unknown command"_s);
}

CommandOutcome TarsisCommands::portSwitch(int port, QStringView code, QStringView value) {
    const auto v = parseNumber(value, 9);
    if (!v)
        return refused(u"a switch value is one digit"_s);
    const int p = port - 1;
    const auto set = [&](int at) {
        setByte(at + p, *v);
        return accepted();
    };
    if (code == u"11")
        return set(At::TxEnable);
    if (code == u"10") {
        keep(indexedKey("RxEnable", port), QString::number(*v));
        return accepted();
    }
    if (code == u"14")
        return set(At::FDup);
    if (code == u"12")
        return set(At::PLAccess);
    if (code == u"16")
        return set(At::DTMFEnable);
    if (code == u"17")
        return set(At::DTMFNeedPL);
    if (code == u"21")
        return set(At::DTMFMute);
    if (code == u"13")
        return set(At::DTMFCovertone);
    if (code == u"19")
        return set(At::MonMix);
    if (code == u"15")
        return set(At::Kerchunk);
    if (code == u"20")
        return set(At::SpeechOverride);
    if (code == u"18")
        return set(At::SpeechIDOverride);
    if (code == u"22") {
        keep(indexedKey("COSClose", port), QString::number(*v));
        return accepted();
    }
    return refused(u"unknown command"_s);
}

CommandOutcome TarsisCommands::alarmSwitch(int alarm, QStringView value) {
    const auto v = parseNumber(value, 9);
    if (!v)
        return refused(u"an alarm switch value is one digit"_s);
    setByte(At::Alarm + alarm - 1, *v);
    return accepted();
}

namespace {

// Why a number did not fit: a person typing a line by hand learns what to change.
CommandOutcome valueRefused(QStringView args, int max) {
    if (args.isEmpty())
        return refused(u"missing value"_s);
    for (QChar c : args)
        if (c < u'0' || c > u'9')
            return refused(u"malformed value"_s);
    return refused(u"value above "_s + QString::number(max));
}

} // namespace

CommandOutcome TarsisCommands::portByte(int at, QStringView args, int max) {
    const auto v = parseNumber(args, max);
    if (!v)
        return valueRefused(args, max);
    setByte(at + portIndex(), *v);
    return accepted();
}

CommandOutcome TarsisCommands::portWord(int at, QStringView args, int max) {
    // `at` already points at this port's word.
    return globalWord(at, args, max);
}

CommandOutcome TarsisCommands::globalByte(int at, QStringView args, int max) {
    const auto v = parseNumber(args, max);
    if (!v)
        return valueRefused(args, max);
    setByte(at, *v);
    return accepted();
}

CommandOutcome TarsisCommands::globalWord(int at, QStringView args, int max) {
    const auto v = parseNumber(args, max);
    if (!v)
        return valueRefused(args, max);
    setWord(at, *v);
    return accepted();
}

CommandOutcome TarsisCommands::globalText(int at, int size, QStringView args, const char* what) {
    if (args.size() > size - 1)
        return refused(QString::fromLatin1(what) + u" longer than "_s + QString::number(size - 1) +
                       u" characters"_s);
    for (QChar c : args)
        if (!isStorableCharacter(c))
            return refused(QString::fromLatin1(what) + u" holds a character the memory cannot"_s);
    setText(at, size, args, 0);
    return accepted();
}

CommandOutcome TarsisCommands::keepText(const QString& key, QStringView args) {
    keep(key, args.toString());
    return accepted();
}

} // namespace kovo
