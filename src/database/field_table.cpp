#include "field_table.h"

#include <QHash>

namespace kovo {
namespace {

using C = LoadCheck;
using N = LoadNormalisation;
using G = Group;

FieldSpec F(const char* name, const char* section, int count, const char* defaultText, C check,
            int low, int high, const char* label, G group, N normalisation = N::None,
            DefaultRule rule = DefaultRule::Fixed, LabelRule labelRule = LabelRule::Plain) {
    return FieldSpec{name, section, count, defaultText, rule,          check,
                     low,  high,    label, labelRule,   normalisation, group};
}

// Every field with its section, index range, default, load check and error-log label.
QVector<FieldSpec> buildFieldTable() {
    QVector<FieldSpec> t;
    // Section Timers: per port unless single.
    t << F("HangTime", "Timers", 3, "50", C::AtMost, 0, 255, "Ram_HangTime ", G::Timers)
      << F("TimeOut", "Timers", 3, "180", C::AtMost, 0, 32767, "Ram_TimeOut ", G::Timers)
      << F("IIDTime", "Timers", 3, "10", C::AtMost, 0, 255, "Ram_IIDTime ", G::Timers)
      << F("PIDTime", "Timers", 3, "10", C::AtMost, 0, 255, "Ram_PIDTime ", G::Timers)
      << F("InActiveTime", "Timers", 3, "20", C::AtMost, 0, 255, "Ram_InActiveTime ", G::Timers)
      << F("InActivityMacro", "Timers", 3, "01", C::Between, 1, 255, "Ram_InActivityMacro ",
           G::Timers)
      << F("DTMFTime", "Timers", 3, "7", C::AtMost, 0, 255, "Ram_DTMFTime ", G::Timers)
      << F("CTCSSTime", "Timers", 3, "50", C::AtMost, 0, 255, "Ram_CTCSSTime ", G::Timers)
      << F("KerchunkTime", "Timers", 3, "1000", C::AtMost, 0, 32767, "Ram_KerchunkTime ", G::Timers)
      << F("IDSpeakTime", "Timers", 3, "60", C::AtMost, 0, 32767, "Ram_IDSpeakTime ", G::Timers)
      << F("AnnounceTime", "Timers", 3, "0", C::AtMost, 0, 32767, "Ram_AnnounceTime ", G::Timers)
      << F("AuxTime", "Timers", 3, "50", C::AtMost, 0, 32767, "Ram_AuxTime ", G::Timers)
      << F("FanTime", "Timers", 0, "1", C::AtMost, 0, 255, "Ram_FanTime", G::Timers)
      << F("FanSelect", "Timers", 0, "0", C::AtMost, 0, 255, "Ram_FanSelect", G::Timers)
      << F("XmtDelay", "Timers", 0, "1000", C::AtMost, 0, 32767, "Ram_XmtDelay", G::Timers)
      << F("TimeoutLink", "Timers", 0, "0", C::NotEmpty, 0, 0, "Ram_TimeoutLink", G::Timers);
    // Section Alarms.
    t << F("GeneralTimer", "Alarms", 3, "0", C::AtMost, 0, 32767, "Ram_GeneralTimer ", G::Timers)
      << F("GeneralTimerMacro", "Alarms", 3, "1", C::Between, 1, 90, "Ram_GeneralTimerMacro ",
           G::Timers)
      << F("RouteAuxPort", "Alarms", 3, "1", C::NotEmpty, 0, 0, "Ram_RouteAuxPort ", G::Alarms)
      << F("AlarmLowMacroNum", "Alarms", 5, "1", C::AtMost, 0, 90, "Ram_AlarmLowMacroNum ",
           G::Alarms)
      << F("AlarmHighMacroNum", "Alarms", 5, "1", C::AtMost, 0, 90, "Ram_AlarmHighMacroNum ",
           G::Alarms);
    // Section Scheduler.
    t << F("DOW", "Scheduler", 20, "0", C::NotEmpty, 0, 0, "Ram_DOW", G::Scheduler)
      << F("Monthly", "Scheduler", 20, "0", C::AtMost, 0, 2, "Ram_Monthly", G::Scheduler)
      << F("Week", "Scheduler", 20, "1", C::NotEmpty, 0, 0, "Ram_Week ", G::Scheduler)
      << F("Hours", "Scheduler", 20, "25", C::HoursOrAtMost, 0, 25, "Ram_Hours ", G::Scheduler)
      << F("Minutes", "Scheduler", 20, "00", C::AtMost, 0, 59, "Ram_Minutes ", G::Scheduler)
      << F("MacroToRun", "Scheduler", 20, "01", C::Between, 1, 90, "Ram_MacroToRun ", G::Scheduler)
      << F("SayYear", "Scheduler", 0, "1", C::AtMost, 0, 1, "Ram_SayYear", G::Scheduler)
      << F("TwentyFour", "Scheduler", 0, "0", C::AtMost, 0, 1, "Ram_TwentyFour", G::Scheduler)
      << F("SayHour", "Scheduler", 0, "1", C::AtMost, 0, 1, "Ram_SayHour", G::Scheduler)
      << F("ClockCorrection", "Scheduler", 0, "0", C::NotEmpty, 0, 0, "Ram_ClockCorrection",
           G::Scheduler)
      << F("DateFormat", "Scheduler", 0, "False", C::NotEmpty, 0, 0, "Ram_DateFormat",
           G::Scheduler);
    // Section Analog.
    t << F("Meter", "Analog", 8, "0", C::AtMost, 0, 6, "Ram_Meter ", G::Analog)
      << F("RealLow", "Analog", 8, "0", C::AtMost, 0, 32767, "Ram_RealLow ", G::Analog)
      << F("MeterLow", "Analog", 8, "0", C::AtMost, 0, 32767, "Ram_MeterLow ", G::Analog)
      << F("RealHigh", "Analog", 8, "0", C::AtMost, 0, 32767, "Ram_RealHigh ", G::Analog)
      << F("MeterHigh", "Analog", 8, "0", C::AtMost, 0, 32767, "Ram_MeterHigh ", G::Analog)
      << F("Vref", "Analog", 0, "500", C::AtMost, 0, 32767, "Ram_Vref", G::Analog)
      << F("MeterAlarmType", "Analog", 10, "0", C::AtMost, 0, 2, "Ram_MeterAlarmType ", G::Analog)
      << F("MeterNum", "Analog", 10, "0", C::Between, 0, 8, "Ram_MeterNum ", G::Analog)
      << F("MeterSetPoint", "Analog", 10, "0", C::NotEmpty, 0, 0, "Ram_MeterSetPoint ", G::Analog)
      << F("MeterMacro", "Analog", 10, "01", C::Between, 1, 90, "Ram_MeterMacro ", G::Analog);
    // Section Remote. The prefixes' defaults are a letter A-D and a digit: ours are B1 for the
    // remote base and A1 for the autopatch, so the two never collide.
    t << F("RadioType", "Remote", 0, "4", C::AtMost, 0, 8, "Ram_Radio", G::Remote)
      << F("YaesuType", "Remote", 0, "1", C::AtMost, 0, 4, "Ram_Yaesu", G::Remote)
      << F("RemoteBasePrefix", "Remote", 0, "B1", C::NotEmpty, 0, 0, "Ram_RemoteBasePrefix",
           G::Remote)
      << F("ControlPort", "Remote", 0, "0", C::NotEmpty, 0, 0, "ControlPort", G::Remote)
      << F("FreqString", "Remote", 10, "", C::None, 0, 0, nullptr, G::Remote)
      << F("CTCSS", "Remote", 10, "", C::None, 0, 0, nullptr, G::Remote)
      << F("CTCSSMode", "Remote", 10, "", C::None, 0, 0, nullptr, G::Remote)
      << F("RadioMode", "Remote", 10, "4", C::AtMost, 0, 5, "RadioMode", G::Remote, N::None,
           DefaultRule::Fixed, LabelRule::Parenthesised);
    // Section ID.
    t << F("VoiceID1", "ID", 3, "T A R S I S", C::NotEmpty, 0, 0, "Ram_VoiceID1 ", G::ID,
           N::Capitals)
      << F("VoiceID2", "ID", 3, "T A R S I S", C::NotEmpty, 0, 0, "Ram_VoiceID2 ", G::ID,
           N::Capitals)
      << F("VoiceID3", "ID", 3, "T A R S I S", C::NotEmpty, 0, 0, "Ram_VoiceID3 ", G::ID,
           N::Capitals)
      << F("CWID1", "ID", 3, "T A R S I S", C::NotEmpty, 0, 0, "Ram_CWID1 ", G::ID)
      << F("CWID2", "ID", 3, "T A R S I S", C::NotEmpty, 0, 0, "Ram_CWID2 ", G::ID)
      << F("CWSpeed", "ID", 3, "20", C::Between, 5, 50, "Ram_CwSpeed ", G::ID)
      << F("CWTone1", "ID", 3, "0500", C::Between, 200, 3500, "Ram_CwTone1 ", G::ID, N::CwTone)
      << F("CWTone2", "ID", 3, "0000", C::AtMost, 0, 3500, "CWTone2 ", G::ID, N::CwTone)
      << F("SpeechEnable", "ID", 3, "1", C::AtMost, 0, 1, "Ram_SpeechEnable ", G::ID);
    // Section IDExtras.
    t << F("ID1Extras", "IDExtras", 3, "0", C::AtMost, 0, 11, "Ram_ID1Extras ", G::IDExtras)
      << F("ID2Extras", "IDExtras", 3, "0", C::AtMost, 0, 11, "Ram_ID2Extras ", G::IDExtras)
      << F("ID3Extras", "IDExtras", 3, "0", C::AtMost, 0, 11, "Ram_ID3Extras ", G::IDExtras);
    // Section Macros.
    t << F("Macro", "Macros", 40, "NONE STORED", C::NotEmpty, 0, 0, "Ram_Macro ", G::Macros,
           N::MacroGrouping)
      << F("MacroCode", "Macros", 40, "", C::LengthAtMost, 0, 8, "Ram_MacroCode ", G::Macros,
           N::None, DefaultRule::MacroCode)
      << F("ShortMacro", "Macros", 50, "NONE STORED", C::NotEmpty, 0, 0, "Ram_ShortMacro ",
           G::Macros)
      << F("ShortMacroCode", "Macros", 50, "", C::LengthAtMost, 0, 8, "Ram_ShortMacroCode ",
           G::Macros, N::None, DefaultRule::ShortMacroCode, LabelRule::IndexPlus49)
      << F("PortToAllow", "Macros", 90, "123", C::NotEmpty, 0, 0, "Ram_PortToAllow ",
           G::PortToAllow);
    // Section MessageMacros.
    t << F("MessageMacro", "MessageMacros", 40, "NONE STORED", C::NotEmpty, 0, 0,
           "Ram_MessageMacro ", G::MessageMacros, N::Capitals);
    // Section Courtesy: P<p>Delay1-4, P<p>Dur1-4, P<p>Tone1-8 for each port, tones 1-10.
    static const QVector<QByteArray> courtesyNames = [] {
        QVector<QByteArray> names;
        for (int port = 1; port <= 3; ++port) {
            const QByteArray p = "P" + QByteArray::number(port);
            for (int i = 1; i <= 4; ++i)
                names << p + "Delay" + QByteArray::number(i);
            for (int i = 1; i <= 4; ++i)
                names << p + "Dur" + QByteArray::number(i);
            for (int i = 1; i <= 8; ++i)
                names << p + "Tone" + QByteArray::number(i);
        }
        return names;
    }();
    static const QVector<QByteArray> courtesyLabels = [] {
        QVector<QByteArray> labels;
        for (const QByteArray& name : courtesyNames)
            labels << "Ram_" + name + " ";
        return labels;
    }();
    for (int i = 0; i < courtesyNames.size(); ++i) {
        const bool tone = courtesyNames[i].contains("Tone");
        t << F(courtesyNames[i].constData(), "Courtesy", 10, tone ? "0" : "250", C::AtMost, 0,
               10000, courtesyLabels[i].constData(), G::Courtesy);
    }
    // Section DTMF.
    t << F("DTMF", "DTMF", 20, "NONE STORED", C::NotEmpty, 0, 0, "Ram_DTMF ", G::DTMF,
           N::DtmfSpacing)
      << F("DTMFDur", "DTMF", 0, "100", C::AtMost, 0, 255, "Ram_DTMFDur", G::DTMF)
      << F("DTMFDelay", "DTMF", 0, "100", C::AtMost, 0, 255, "Ram_DTMFDelay", G::DTMF);
    // Section Unlock.
    t << F("CurrentPortUnlock", "Unlock", 3, "", C::LengthAtMost, 0, 8, "Ram_CurrentPortUnlock ",
           G::Unlock, N::None, DefaultRule::PortUnlock)
      << F("Lock", "Unlock", 0, "#", C::LengthAtMost, 0, 4, "Ram_CurrentLock", G::Unlock)
      << F("Terminator", "Unlock", 0, "D", C::LengthAtMost, 0, 1, "Ram_CurrentTerminator",
           G::Unlock)
      << F("CommandPrefix", "Unlock", 0, "90417", C::NotEmpty, 0, 0, "Ram_CommandPrefix", G::Unlock)
      << F("DTMFPort", "Unlock", 0, "1", C::NotEmpty, 0, 0, "Ram_DTMFPort", G::Unlock)
      << F("DTMFSpeech", "Unlock", 0, "0", C::NotEmpty, 0, 0, "Ram_DTMFSpeech", G::Unlock);
    // Section Autopatch and its one-key sections. The pad test prefix default is two digits: 99.
    t << F("APPrefix", "Autopatch", 0, "A1", C::NotEmpty, 0, 0, "Ram_APPrefix", G::Autopatch)
      << F("AnswerCode", "Autopatch", 0, "6817", C::NotEmpty, 0, 0, "Ram_AnswerCode", G::Autopatch)
      << F("AutoDial", "Autopatch", 200, "", C::None, 0, 0, nullptr, G::Autopatch)
      << F("TollRestrict", "Autopatch", 100, "", C::None, 0, 0, nullptr, G::Autopatch)
      << F("RingNumber", "Autopatch", 0, "2", C::NotEmpty, 0, 0, "Ram_RingNumber", G::Autopatch)
      << F("APTimeOut", "Autopatch", 0, "120", C::NotEmpty, 0, 0, "Ram_APTimeOut ", G::Autopatch)
      << F("EnablePatch", "Autopatch", 0, "1", C::NotEmpty, 0, 0, "Ram_EnablePatch ", G::Autopatch)
      << F("PatchMute", "Autopatch", 0, "1", C::AtMost, 0, 1, "Ram_PatchMute ", G::Autopatch)
      << F("DTMFTestPrefix", "PadTest", 0, "99", C::NotEmpty, 0, 0, "Ram_DTMFTestPrefix ",
           G::Autopatch)
      << F("PreAccessPrefix", "PreAccess", 0, "0", C::NotEmpty, 0, 0, "Ram_PreAccessPrefix ",
           G::Autopatch)
      << F("PreProgramPrefix", "PreProgram", 0, "0", C::NotEmpty, 0, 0, "Ram_PreProgramPrefix ",
           G::Autopatch);
    // Sections MacroSubset and DTMFMuteDigitSelect.
    t << F("MacroSubset", "MacroSubset", 0, "0", C::NotEmpty, 0, 0, "Ram_MacroSubset",
           G::MacroSubset)
      << F("MacroSubsetEnable", "MacroSubset", 0, "0", C::NotEmpty, 0, 0, "Ram_MacroSubsetEnable",
           G::MacroSubset)
      << F("DTMFMuteDigitSelect", "DTMFMuteDigitSelect", 0, "1", C::NotEmpty, 0, 0,
           "Ram_DTMFMuteDigitSelect", G::DTMFMuteDigitSelect);
    // Section PortSwitches.
    const G S = G::PortSwitches;
    t << F("TxEnable", "PortSwitches", 3, "1", C::AtMost, 0, 1, "Ram_TxEnable ", S)
      << F("RxEnable", "PortSwitches", 3, "1", C::AtMost, 0, 1, "Ram_RxEnable ", S)
      << F("DisableTimeout", "PortSwitches", 3, "0", C::AtMost, 0, 1, "Ram_DisableTimeout ", S)
      << F("FDup", "PortSwitches", 3, "1", C::AtMost, 0, 1, "Ram_FDup", S)
      << F("PLAccess", "PortSwitches", 3, "0", C::AtMost, 0, 3, "Ram_PLAccess ", S)
      << F("DTMFEnable", "PortSwitches", 3, "1", C::AtMost, 0, 1, "Ram_DTMFEnable ", S)
      << F("DTMFNeedPL", "PortSwitches", 3, "0", C::AtMost, 0, 1, "Ram_DTMFNeedPL ", S)
      << F("DTMFMute", "PortSwitches", 3, "1", C::AtMost, 0, 1, "Ram_DTMFMute ", S)
      << F("DTMFCovertone", "PortSwitches", 3, "1", C::AtMost, 0, 1, "Ram_DTMFCovertone ", S)
      << F("MonMix", "PortSwitches", 3, "1", C::AtMost, 0, 1, "Ram_MonMix ", S)
      << F("Kerchunk", "PortSwitches", 3, "0", C::AtMost, 0, 1, "Ram_Kerchunk ", S)
      << F("SpeechOverride", "PortSwitches", 3, "1", C::AtMost, 0, 1, "Ram_SpeechOverride ", S)
      << F("SpeechIDOverride", "PortSwitches", 3, "1", C::AtMost, 0, 1, "Ram_SpeechIDOverride ", S)
      << F("CTCSSCT", "PortSwitches", 3, "1", C::NotEmpty, 0, 0, "Ram_PLCT ", S)
      << F("CTCSSID", "PortSwitches", 3, "0", C::NotEmpty, 0, 0, "Ram_PLID ", S)
      << F("TailMessageNum", "PortSwitches", 3, "0", C::AtMost, 0, 3, "Ram_TailMessageNum ", S)
      << F("P1MessageNum", "PortSwitches", 3, "1", C::MessageNumber, 0, 90, nullptr, S)
      << F("P2MessageNum", "PortSwitches", 3, "1", C::MessageNumber, 0, 90, nullptr, S)
      << F("P3MessageNum", "PortSwitches", 3, "1", C::MessageNumber, 0, 90, nullptr, S)
      << F("TailCounter", "PortSwitches", 3, "0", C::AtMost, 0, 255, "Ram_TailCounter ", S)
      << F("PLEncodePolarity", "PortSwitches", 3, "0", C::NotEmpty, 0, 0, "Ram_PLEncodePolarity ",
           S)
      << F("COSClose", "PortSwitches", 3, "0", C::NotEmpty, 0, 0, "Ram_COSClose ", S)
      << F("Alarm", "PortSwitches", 5, "1", C::AtMost, 0, 5, "Ram_Alarm", S)
      << F("AllowTerminatorSpeech", "PortSwitches", 0, "0", C::AtMost, 0, 1,
           "Ram_AllowTerminatorSpeech", S);
    return t;
}

// Every send-pending flag: field name + "Pending" for fields with a command of their own, and
// the shared flags of fields that go out together in one command.
QVector<FlagSpec> buildFlagTable() {
    return {
        // Timers (per port) and the controller-wide timers.
        {"HangTimePending", 3},
        {"TimeOutPending", 3},
        {"IIDTimePending", 3},
        {"PIDTimePending", 3},
        {"InActiveTimePending", 3},
        {"InActivityMacroPending", 3},
        {"DTMFTimePending", 3},
        {"CTCSSTimePending", 3},
        {"KerchunkTimePending", 3},
        {"IDSpeakTimePending", 3},
        {"AnnounceTimePending", 3},
        {"AuxTimePending", 3},
        {"GeneralTimerPending", 3}, // generalTimer(n) with GeneralTimerMacro(n)
        {"FanTimePending", 0},
        {"FanSelectPending", 0},
        {"XmtDelayPending", 0},
        {"TimeoutLinkPending", 0},
        // Courtesy tones: one per port, segment and tone (Database::courtesyIndex).
        {"CourtesyPending", 120},
        // Identification.
        {"VoiceID1Pending", 3},
        {"VoiceID2Pending", 3},
        {"VoiceID3Pending", 3},
        {"CWID1Pending", 3},
        {"CWID2Pending", 3},
        {"CWSpeedPending", 3},
        {"CWTone1Pending", 3},
        {"CWTone2Pending", 3},
        {"SpeechEnablePending", 3},
        {"ID1ExtrasPending", 3},
        {"ID2ExtrasPending", 3},
        {"ID3ExtrasPending", 3},
        // Scheduler: one per set point, shared by its six fields.
        {"SetPointPending", 20},
        {"SayYearPending", 0},
        {"TwentyFourPending", 0},
        {"SayHourPending", 0},
        {"ClockCorrectionPending", 0},
        // Analog: meters 1-8 share one per meter, 9 is Vref; one per alarm for its four fields
        // and its enable switch.
        {"MeterPending", 9},
        {"MeterAlarmPending", 10},
        // Remote base: RadioType with YaesuType; all ten memories together.
        {"RadioTypePending", 0},
        {"RemoteBasePrefixPending", 0},
        {"RemoteMemoriesPending", 0},
        // Macros.
        {"MacroPending", 40},
        {"MacroCodePending", 40},
        {"ShortMacroPending", 50},
        {"ShortMacroCodePending", 50},
        {"PortToAllowPending", 90},
        // Alarm macros.
        {"AlarmLowMacroNumPending", 5},
        {"AlarmHighMacroNumPending", 5},
        // Message macros and DTMF memories.
        {"MessageMacroPending", 40},
        {"DTMFPending", 20},
        {"DTMFDurPending", 0},
        {"DTMFDelayPending", 0},
        // Codes: new unlock, lock and terminator codes; CommandPrefix, DTMFPort and DTMFSpeech
        // share UserDTMFPending.
        {"CurrentPortUnlockPending", 3},
        {"LockPending", 0},
        {"TerminatorPending", 0},
        {"UserDTMFPending", 0},
        {"APPrefixPending", 0},
        {"AnswerCodePending", 0},
        // Autopatch and prefixes.
        {"AutoDialPending", 200},
        {"TollRestrictPending", 100},
        {"RingNumberPending", 0},
        {"APTimeOutPending", 0},
        {"EnablePatchPending", 0},
        {"PatchMutePending", 0},
        {"DTMFTestPrefixPending", 0},
        {"PreAccessPrefixPending", 0},
        {"PreProgramPrefixPending", 0},
        {"MacroSubsetPending", 0},
        {"MacroSubsetEnablePending", 0},
        {"DTMFMuteDigitSelectPending", 0},
        // port switches (per port); P1-P3MessageNum share PortMessageNumPending.
        {"TxEnablePending", 3},
        {"RxEnablePending", 3},
        {"FDupPending", 3},
        {"PLAccessPending", 3},
        {"DTMFEnablePending", 3},
        {"DTMFNeedPLPending", 3},
        {"DTMFMutePending", 3},
        {"DTMFCovertonePending", 3},
        {"MonMixPending", 3},
        {"KerchunkPending", 3},
        {"SpeechOverridePending", 3},
        {"SpeechIDOverridePending", 3},
        {"COSClosePending", 3},
        {"CTCSSCTPending", 3},
        {"CTCSSIDPending", 3},
        {"TailMessageNumPending", 3},
        {"PortMessageNumPending", 3},
        {"TailCounterPending", 3},
        {"PLEncodePolarityPending", 3},
        {"AlarmPending", 5},
        {"AllowTerminatorSpeechPending", 0},
    };
}

template <typename Entry> QHash<QString, int> indexByName(const QVector<Entry>& entries) {
    QHash<QString, int> index;
    for (int i = 0; i < entries.size(); ++i)
        index.insert(QString::fromLatin1(entries[i].name), i);
    return index;
}

const QHash<QString, int>& fieldIndex() {
    static const QHash<QString, int> index = indexByName(fieldTable());
    return index;
}

const QHash<QString, int>& flagIndex() {
    static const QHash<QString, int> index = indexByName(flagTable());
    return index;
}

OrderBlock makeBlock(std::initializer_list<const char*> names, int first, int last, Group group) {
    OrderBlock block{{}, first, last, group};
    for (const char* name : names) {
        const FieldSpec* field = findField(QLatin1String(name));
        Q_ASSERT_X(field, "OrderBlock", name);
        block.fields.append(field);
    }
    return block;
}

OrderBlock courtesyBlock() {
    OrderBlock block{{}, 1, 10, Group::Courtesy};
    for (const FieldSpec& field : fieldTable()) {
        if (field.group == Group::Courtesy)
            block.fields.append(&field);
    }
    return block;
}

const OrderBlock& timersPerPort() {
    static const OrderBlock block =
        makeBlock({"HangTime", "TimeOut", "IIDTime", "PIDTime", "InActiveTime", "InActivityMacro",
                   "DTMFTime", "CTCSSTime", "KerchunkTime", "IDSpeakTime", "AnnounceTime",
                   "AuxTime", "GeneralTimer", "GeneralTimerMacro"},
                  1, 3, Group::Timers);
    return block;
}

OrderBlock schedulerPerSetPoint() {
    return makeBlock({"DOW", "Monthly", "Week", "Hours", "Minutes", "MacroToRun"}, 1, 20,
                     Group::Scheduler);
}
OrderBlock schedulerSingles() {
    return makeBlock({"SayYear", "TwentyFour", "SayHour", "ClockCorrection", "DateFormat"}, 0, 0,
                     Group::Scheduler);
}

QVector<OrderBlock> analogBlocks() {
    return {
        makeBlock({"Meter", "RealLow", "MeterLow", "RealHigh", "MeterHigh"}, 1, 8, Group::Analog),
        makeBlock({"Vref"}, 0, 0, Group::Analog),
        makeBlock({"MeterAlarmType", "MeterNum", "MeterSetPoint", "MeterMacro"}, 1, 10,
                  Group::Analog)};
}

QVector<OrderBlock> remoteBlocks() {
    return {makeBlock({"RadioType", "YaesuType", "RemoteBasePrefix", "ControlPort"}, 0, 0,
                      Group::Remote),
            makeBlock({"FreqString", "CTCSS", "CTCSSMode", "RadioMode"}, 1, 10, Group::Remote)};
}

OrderBlock idBlock() {
    return makeBlock({"VoiceID1", "VoiceID2", "VoiceID3", "CWID1", "CWID2", "CWSpeed", "CWTone1",
                      "CWTone2", "SpeechEnable"},
                     1, 3, Group::ID);
}
OrderBlock idExtrasBlock() {
    return makeBlock({"ID1Extras", "ID2Extras", "ID3Extras"}, 1, 3, Group::IDExtras);
}

QVector<OrderBlock> unlockBlocks() {
    return {makeBlock({"CurrentPortUnlock"}, 1, 3, Group::Unlock),
            makeBlock({"Lock", "Terminator", "CommandPrefix", "DTMFPort", "DTMFSpeech"}, 0, 0,
                      Group::Unlock)};
}

QVector<OrderBlock> autopatchBlocks() {
    return {makeBlock({"APPrefix", "AnswerCode"}, 0, 0, Group::Autopatch),
            makeBlock({"AutoDial"}, 1, 200, Group::Autopatch),
            makeBlock({"TollRestrict"}, 1, 100, Group::Autopatch),
            makeBlock({"RingNumber", "APTimeOut", "EnablePatch", "PatchMute", "DTMFTestPrefix",
                       "PreAccessPrefix", "PreProgramPrefix"},
                      0, 0, Group::Autopatch)};
}

QVector<OrderBlock> smallSectionBlocks() {
    return {makeBlock({"MacroSubset", "MacroSubsetEnable"}, 0, 0, Group::MacroSubset),
            makeBlock({"DTMFMuteDigitSelect"}, 0, 0, Group::DTMFMuteDigitSelect)};
}

OrderBlock dtmfMemoriesBlock() {
    return makeBlock({"DTMF"}, 1, 20, Group::DTMF);
}
OrderBlock dtmfSinglesBlock() {
    return makeBlock({"DTMFDur", "DTMFDelay"}, 0, 0, Group::DTMF);
}

QVector<OrderBlock> portSwitchBlocks() {
    return {makeBlock({"TxEnable",         "RxEnable",     "DisableTimeout", "FDup",
                       "PLAccess",         "DTMFEnable",   "DTMFNeedPL",     "DTMFMute",
                       "DTMFCovertone",    "MonMix",       "Kerchunk",       "SpeechOverride",
                       "SpeechIDOverride", "CTCSSCT",      "CTCSSID",        "TailMessageNum",
                       "P1MessageNum",     "P2MessageNum", "P3MessageNum",   "TailCounter",
                       "PLEncodePolarity", "COSClose"},
                      1, 3, Group::PortSwitches),
            makeBlock({"Alarm"}, 1, 5, Group::PortSwitches),
            makeBlock({"AllowTerminatorSpeech"}, 0, 0, Group::PortSwitches)};
}

QVector<OrderBlock> buildReadingOrder() {
    QVector<OrderBlock> order;
    order << timersPerPort()
          << makeBlock({"AlarmLowMacroNum", "AlarmHighMacroNum"}, 1, 5, Group::Alarms)
          << makeBlock({"FanTime", "FanSelect", "XmtDelay", "TimeoutLink"}, 0, 0, Group::Timers)
          << schedulerPerSetPoint() << schedulerSingles() << analogBlocks() << remoteBlocks()
          << makeBlock({"RouteAuxPort"}, 1, 3, Group::Alarms) << idBlock() << idExtrasBlock()
          << unlockBlocks() << autopatchBlocks() << smallSectionBlocks()
          << makeBlock({"Macro", "MacroCode", "MessageMacro"}, 1, 40, Group::Macros)
          << makeBlock({"ShortMacro", "ShortMacroCode"}, 1, 50, Group::Macros)
          << makeBlock({"PortToAllow"}, 1, 90, Group::PortToAllow) << courtesyBlock()
          << dtmfMemoriesBlock() << dtmfSinglesBlock() << portSwitchBlocks();
    return order;
}

QVector<OrderBlock> buildWritingOrder() {
    QVector<OrderBlock> order;
    order << timersPerPort()
          << makeBlock({"FanTime", "FanSelect", "XmtDelay", "TimeoutLink"}, 0, 0, Group::Timers)
          << schedulerPerSetPoint() << schedulerSingles() << analogBlocks() << remoteBlocks()
          << makeBlock({"RouteAuxPort"}, 1, 3, Group::Alarms)
          << makeBlock({"AlarmLowMacroNum", "AlarmHighMacroNum"}, 1, 5, Group::Alarms) << idBlock()
          << makeBlock({"Macro", "MacroCode"}, 1, 40, Group::Macros)
          << makeBlock({"ShortMacro", "ShortMacroCode"}, 1, 50, Group::Macros)
          << makeBlock({"PortToAllow"}, 1, 90, Group::PortToAllow) << courtesyBlock()
          << idExtrasBlock() << makeBlock({"MessageMacro"}, 1, 40, Group::MessageMacros)
          << dtmfMemoriesBlock() << dtmfSinglesBlock() << unlockBlocks() << autopatchBlocks()
          << smallSectionBlocks() << portSwitchBlocks();
    return order;
}

} // namespace

const QVector<FieldSpec>& fieldTable() {
    static const QVector<FieldSpec> table = buildFieldTable();
    return table;
}

const FieldSpec* findField(QAnyStringView name) {
    const int number = fieldNumber(name);
    return number < 0 ? nullptr : &fieldTable()[number];
}

int fieldNumber(QAnyStringView name) {
    return fieldIndex().value(name.toString(), -1);
}

const QVector<FlagSpec>& flagTable() {
    static const QVector<FlagSpec> table = buildFlagTable();
    return table;
}

int flagNumber(QAnyStringView name) {
    return flagIndex().value(name.toString(), -1);
}

QString fieldKey(const FieldSpec& field, int index) {
    QString key = QLatin1String(field.name);
    if (!field.isSingle()) {
        key += QLatin1Char('(');
        key += QString::number(index);
        key += QLatin1Char(')');
    }
    return key;
}

namespace {

struct KeyCache {
    QVector<QVector<QByteArray>> plain;
    QVector<QVector<QByteArray>> folded;
};

const KeyCache& keys() {
    static const KeyCache cache = [] {
        KeyCache keys;
        for (const FieldSpec& field : fieldTable()) {
            QVector<QByteArray> plain;
            QVector<QByteArray> folded;
            for (int i = field.firstIndex(); i <= field.lastIndex(); ++i) {
                plain << fieldKey(field, i).toLatin1();
                folded << plain.last().toLower();
            }
            keys.plain << plain;
            keys.folded << folded;
        }
        return keys;
    }();
    return cache;
}

} // namespace

const QByteArray& fieldKeyLatin1(const FieldSpec& field, int index) {
    return keys().plain[fieldNumber(field)][field.isSingle() ? 0 : index - 1];
}

const QByteArray& fieldKeyFolded(const FieldSpec& field, int index) {
    return keys().folded[fieldNumber(field)][field.isSingle() ? 0 : index - 1];
}

QString fieldDefault(const FieldSpec& field, int index) {
    switch (field.defaultRule) {
    case DefaultRule::Fixed:
        return QLatin1String(field.defaultText);
    case DefaultRule::MacroCode:
        return QStringLiteral("1090") + QString::number(index);
    case DefaultRule::ShortMacroCode:
        return QStringLiteral("1090") + QString::number(index + 49);
    case DefaultRule::PortUnlock:
        return QString::number(index) + QStringLiteral("6470");
    }
    return {};
}

QString fieldErrorLine(const FieldSpec& field, int index) {
    if (!field.label)
        return {};
    const QString label = QLatin1String(field.label);
    if (field.isSingle())
        return label;
    switch (field.labelRule) {
    case LabelRule::Plain:
        return label + QString::number(index);
    case LabelRule::IndexPlus49:
        return label + QString::number(index + 49);
    case LabelRule::Parenthesised:
        return label + QLatin1Char('(') + QString::number(index) + QStringLiteral(") ");
    }
    return label;
}

const QVector<OrderBlock>& readingOrder() {
    static const QVector<OrderBlock> order = buildReadingOrder();
    return order;
}

const QVector<OrderBlock>& writingOrder() {
    static const QVector<OrderBlock> order = buildWritingOrder();
    return order;
}

} // namespace kovo
