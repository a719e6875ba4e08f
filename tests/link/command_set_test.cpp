#include "cli_runner.h"
#include "database/database.h"
#include "link/command_set.h"

#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

// The DTMF unit as kovo-cli prints it: unlock, body and lock parts as keypad characters.
QString dtmfText(const Command& c) {
    if (c.dtmfBody.isEmpty())
        return {};
    QString text = digitCodesText(c.dtmfUnlock) + u' ' + digitCodesText(c.dtmfBody);
    if (!c.dtmfLock.isEmpty())
        text += u' ' + digitCodesText(c.dtmfLock);
    return text;
}

struct CommandCase {
    const char* name;
    std::function<void(Database&)> setup;
    CommandItem item;
    int index;
    QStringList serial;
    QString dtmf; // empty: not sent as DTMF
};

TEST(CommandSetTest, BodiesAndFramingForBothTransports) {
    const auto none = [](Database&) {};
    const std::vector<CommandCase> cases = {
        {"hang time of port 2",
         [](Database& db) { db.setValue(u"HangTime", 2, u"500"_s); },
         CommandItem::HangTime,
         2,
         {u"2*1000500"_s},
         u"26470D *1000500D #D"_s},
        {"value trimmed",
         [](Database& db) { db.setValue(u"TimeOut", 1, u" 90 "_s); },
         CommandItem::TimeOut,
         1,
         {u"1*100190"_s},
         u"16470D *100190D #D"_s},
        {"outside the DTMF set: serial unchanged, plain skips",
         [](Database& db) { db.setValue(u"HangTime", 3, u"5x0"_s); },
         CommandItem::HangTime,
         3,
         {u"3*10005x0"_s},
         u"36470D *100050D #D"_s},
        {"outside the DTMF set: code mapping gives 0",
         [](Database& db) { db.setValue(u"APPrefix", u"AE#"_s); },
         CommandItem::APPrefix,
         0,
         {u"1*2061AE#"_s},
         u"16470D *2061A00D #D"_s},
        {"aux timer numbering differs per transport",
         [](Database& db) { db.setValue(u"AuxTime", 3, u"75"_s); },
         CommandItem::AuxTime,
         3,
         {u"3*101375"_s},
         u"36470D *101575D #D"_s},
        {"general timer carries its number",
         [](Database& db) { db.setValue(u"GeneralTimer", 2, u"300"_s); },
         CommandItem::GeneralTimer,
         2,
         {u"1*10172300"_s},
         u"16470D *10172300D #D"_s},
        {"general timer macro",
         [](Database& db) { db.setValue(u"GeneralTimerMacro", 3, u"45"_s); },
         CommandItem::GeneralTimerMacro,
         3,
         {u"1*2092345"_s},
         u"16470D *2092345D #D"_s},
        {"courtesy tone 10 of port 3, segment 4",
         [](Database& db) {
             db.setValue(u"P3Delay4", 10, u"100"_s);
             db.setValue(u"P3Dur4", 10, u"200"_s);
             db.setValue(u"P3Tone7", 10, u"300"_s);
             db.setValue(u"P3Tone8", 10, u"400"_s);
         },
         CommandItem::Courtesy,
         Database::courtesyIndex(3, 4, 10),
         {u"3*3410100*200*300*400*"_s},
         u"36470D *3410100*200*300*400*D #D"_s},
        {"courtesy tone 3 of port 1, segment 2",
         [](Database& db) {
             db.setValue(u"P1Delay2", 3, u"11"_s);
             db.setValue(u"P1Dur2", 3, u"22"_s);
             db.setValue(u"P1Tone3", 3, u"33"_s);
             db.setValue(u"P1Tone4", 3, u"44"_s);
         },
         CommandItem::Courtesy,
         Database::courtesyIndex(1, 2, 3),
         {u"1*320311*22*33*44*"_s},
         u"16470D *320311*22*33*44*D #D"_s},
        {"voice ID as three-digit word codes",
         [](Database& db) { db.setValue(u"VoiceID1", 2, u"T A HELLO"_s); },
         CommandItem::VoiceID1,
         2,
         {u"2*8004049030124"_s},
         u"26470D *8004049030124D #D"_s},
        {"unknown words leave no code",
         [](Database& db) { db.setValue(u"VoiceID3", 1, u"T  NOSUCHWORD A"_s); },
         CommandItem::VoiceID3,
         1,
         {u"1*8006049030"_s},
         u"16470D *8006049030D #D"_s},
        {"CW ID as two-digit codes",
         [](Database& db) { db.setValue(u"CWID2", 3, u"T A 5"_s); },
         CommandItem::CWID2,
         3,
         {u"3*8003812105"_s},
         u"36470D *8003812105D #D"_s},
        {"CW tone 2 of 0 is left off",
         [](Database& db) {
             db.setValue(u"CWTone1", 1, u"0800"_s);
             db.setValue(u"CWTone2", 1, u"0000"_s);
         },
         CommandItem::CWTones,
         1,
         {u"1*80010800"_s},
         u"16470D *80010800D #D"_s},
        {"CW tone 2 appended",
         [](Database& db) {
             db.setValue(u"CWTone1", 2, u"0800"_s);
             db.setValue(u"CWTone2", 2, u"1200"_s);
         },
         CommandItem::CWTones,
         2,
         {u"2*800108001200"_s},
         u"26470D *800108001200D #D"_s},
        {"downloaded CW tone 1 padded to four digits before tone 2",
         [](Database& db) {
             db.setValue(u"CWTone1", 3, u"500"_s);
             db.setValue(u"CWTone2", 3, u"1200"_s);
         },
         CommandItem::CWTones,
         3,
         {u"3*800105001200"_s},
         u"36470D *800105001200D #D"_s},
        {"downloaded empty remote memory sends no frequency digits",
         [](Database& db) {
             db.setValue(u"FreqString", 4, u"NONE STORED"_s);
             db.setValue(u"CTCSS", 4, u"0"_s);
             db.setValue(u"CTCSSMode", 4, u"0"_s);
         },
         CommandItem::RemoteMemory,
         4,
         {u"1**B11"_s, u"1**B1200"_s, u"1**B134"_s, u"1*20864"_s},
         u"16470D B11D*20864D #D"_s},
        {"ID extras 2 of port 2: position in serial, port + 3 in DTMF",
         [](Database& db) { db.setValue(u"ID2Extras", 2, u"7"_s); },
         CommandItem::ID2Extras,
         2,
         {u"2*800727"_s},
         u"26470D *800757D #D"_s},
        {"ID extras 3 of port 3: port + 6 in DTMF",
         [](Database& db) { db.setValue(u"ID3Extras", 3, u"11"_s); },
         CommandItem::ID3Extras,
         3,
         {u"3*8007311"_s},
         u"36470D *8007911D #D"_s},
        {"ID extras 1 of port 1",
         none,
         CommandItem::ID1Extras,
         1,
         {u"1*800710"_s},
         u"16470D *800710D #D"_s},
        {"monthly set point with week, day and hours 0A",
         [](Database& db) {
             db.setValue(u"Monthly", 3, u"1"_s);
             db.setValue(u"Week", 3, u"2"_s);
             db.setValue(u"DOW", 3, u"5"_s);
             db.setValue(u"Hours", 3, u"0A"_s);
             db.setValue(u"Minutes", 3, u"30"_s);
             db.setValue(u"MacroToRun", 3, u"12"_s);
         },
         CommandItem::SetPoint,
         3,
         {u"1*400103250A3012"_s},
         u"16470D *400103250A3012D #D"_s},
        {"weekly set point: day alone",
         [](Database& db) {
             db.setValue(u"Week", 12, u"4"_s);
             db.setValue(u"DOW", 12, u"3"_s);
         },
         CommandItem::SetPoint,
         12,
         {u"1*4001123250001"_s},
         u"16470D *4001123250001D #D"_s},
        {"set point with day 10 is serial only",
         [](Database& db) { db.setValue(u"DOW", 20, u"10"_s); },
         CommandItem::SetPoint,
         20,
         {u"1*40012010250001"_s},
         {}},
        {"meter",
         [](Database& db) { db.setValue(u"RealHigh", 4, u"99"_s); },
         CommandItem::Meter,
         4,
         {u"1*20644*0*0*0*99*0*"_s},
         u"16470D *20644*0*0*0*99*0*D #D"_s},
        {"meter alarm",
         [](Database& db) {
             db.setValue(u"MeterNum", 2, u"3"_s);
             db.setValue(u"MeterAlarmType", 2, u"2"_s);
             db.setValue(u"MeterSetPoint", 2, u"120"_s);
             db.setValue(u"MeterMacro", 2, u"7"_s);
         },
         CommandItem::MeterAlarm,
         2,
         {u"1*20662*3*2*120*7*"_s},
         u"16470D *20662*3*2*120*7*D #D"_s},
        {"meter alarm enabled",
         [](Database& db) { db.setMeterAlarmOn(3, true); },
         CommandItem::MeterAlarmEnable,
         3,
         {u"1160031"_s},
         u"16470D 160031D #D"_s},
        {"meter alarm disabled",
         none,
         CommandItem::MeterAlarmEnable,
         8,
         {u"1160080"_s},
         u"16470D 160080D #D"_s},
        {"Yaesu type above 2 goes as 2 over the air",
         [](Database& db) { db.setValue(u"YaesuType", u"4"_s); },
         CommandItem::YaesuType,
         0,
         {u"1*20844"_s},
         u"16470D *20842D #D"_s},
        {"remote base memory: prefix lines, then the store",
         [](Database& db) {
             db.setValue(u"RemoteBasePrefix", u"B1"_s);
             db.setValue(u"FreqString", 2, u"1462"_s);
             db.setValue(u"CTCSS", 2, u"12"_s);
             db.setValue(u"CTCSSMode", 2, u"1"_s);
             db.setValue(u"RadioMode", 2, u"3"_s);
         },
         CommandItem::RemoteMemory,
         2,
         {u"1**B111462"_s, u"1**B12121"_s, u"1**B133"_s, u"1*20862"_s},
         u"16470D B111462D*20862D #D"_s},
        {"macro 5 without spaces",
         [](Database& db) { db.setValue(u"Macro", 5, u"001 002 003"_s); },
         CommandItem::Macro,
         5,
         {u"1*400205001002003"_s},
         u"16470D *400205001002003D #D"_s},
        {"macro 7 NONE STORED is erased",
         none,
         CommandItem::Macro,
         7,
         {u"1*400307"_s},
         u"16470D *400307D #D"_s},
        {"short macro 1 is macro 41",
         [](Database& db) { db.setValue(u"ShortMacro", 1, u"12 3"_s); },
         CommandItem::Macro,
         41,
         {u"1*400241123"_s},
         u"16470D *400241123D #D"_s},
        {"short macro 50 NONE STORED is erased",
         none,
         CommandItem::Macro,
         90,
         {u"1*400390"_s},
         u"16470D *400390D #D"_s},
        {"macro code",
         [](Database& db) { db.setValue(u"MacroCode", 9, u"B*7"_s); },
         CommandItem::MacroCode,
         9,
         {u"1*205009B*7"_s},
         u"16470D *205009B*7D #D"_s},
        {"short macro code 1",
         none,
         CommandItem::MacroCode,
         41,
         {u"1*205041109050"_s},
         u"16470D *205041109050D #D"_s},
        {"port to allow",
         [](Database& db) { db.setValue(u"PortToAllow", 90, u"13"_s); },
         CommandItem::PortToAllow,
         90,
         {u"1*40059013"_s},
         u"16470D *40059013D #D"_s},
        {"alarm macro is serial only",
         [](Database& db) { db.setValue(u"AlarmLowMacroNum", 2, u"15"_s); },
         CommandItem::AlarmLowMacroNum,
         2,
         {u"1*2101215"_s},
         {}},
        {"alarm macro 0 is not sent",
         [](Database& db) { db.setValue(u"AlarmHighMacroNum", 5, u"0"_s); },
         CommandItem::AlarmHighMacroNum,
         5,
         {},
         {}},
        {"message macro",
         [](Database& db) { db.setValue(u"MessageMacro", 4, u"HELLO T"_s); },
         CommandItem::MessageMacro,
         4,
         {u"1*210304124049"_s},
         u"16470D *210304124049D #D"_s},
        {"message macro NONE STORED is skipped", none, CommandItem::MessageMacro, 40, {}, {}},
        {"DTMF memory by the code mapping",
         [](Database& db) { db.setValue(u"DTMF", 3, u"1 2 A # D"_s); },
         CommandItem::DTMFMemory,
         3,
         {u"1*21050312A#D"_s},
         u"16470D *21050312A0DD #D"_s},
        {"DTMF memory NONE STORED is skipped", none, CommandItem::DTMFMemory, 20, {}, {}},
        {"DTMF duration",
         none,
         CommandItem::DTMFDur,
         0,
         {u"1*2106100"_s},
         u"16470D *2106100D #D"_s},
        {"port unlock code is serial only",
         none,
         CommandItem::PortUnlock,
         2,
         {u"2*900026470"_s},
         {}},
        {"auto-dial slot 7",
         [](Database& db) { db.setValue(u"AutoDial", 7, u"5551212"_s); },
         CommandItem::AutoDial,
         7,
         {u"1*21150075551212"_s},
         u"16470D *21150075551212D #D"_s},
        {"auto-dial slot 120",
         [](Database& db) { db.setValue(u"AutoDial", 120, u"911"_s); },
         CommandItem::AutoDial,
         120,
         {u"1*2115120911"_s},
         u"16470D *2115120911D #D"_s},
        {"empty toll-restrict slot",
         none,
         CommandItem::TollRestrict,
         100,
         {u"1*2062100"_s},
         u"16470D *2062100D #D"_s},
        {"patch mute", none, CommandItem::PatchMute, 0, {u"12701"_s}, u"16470D 2701D #D"_s},
        {"macro subset range and enable",
         [](Database& db) { db.setValue(u"MacroSubset", u"4050"_s); },
         CommandItem::MacroSubset,
         0,
         {u"1*40094050"_s},
         u"16470D *40094050D #D"_s},
        {"macro subset enable",
         none,
         CommandItem::MacroSubsetEnable,
         0,
         {u"12800"_s},
         u"16470D 2800D #D"_s},
        {"prefix by the code mapping",
         none,
         CommandItem::APPrefix,
         0,
         {u"1*2061A1"_s},
         u"16470D *2061A1D #D"_s},
        {"port switch repeats the port digit",
         none,
         CommandItem::TxEnable,
         1,
         {u"11111"_s},
         u"16470D 1111D #D"_s},
        {"port switch of port 3",
         [](Database& db) { db.setValue(u"PLAccess", 3, u"2"_s); },
         CommandItem::PLAccess,
         3,
         {u"33122"_s},
         u"36470D 3122D #D"_s},
        {"COS close does not repeat it",
         [](Database& db) { db.setValue(u"COSClose", 2, u"1"_s); },
         CommandItem::COSClose,
         2,
         {u"2221"_s},
         u"26470D 2221D #D"_s},
        {"tail and port message numbers",
         [](Database& db) {
             db.setValue(u"TailMessageNum", 2, u"2"_s);
             db.setValue(u"P1MessageNum", 2, u"5"_s);
             db.setValue(u"P2MessageNum", 2, u"45"_s);
             db.setValue(u"P3MessageNum", 2, u"7"_s);
         },
         CommandItem::PortMessageNums,
         2,
         {u"2*211015"_s, u"2*2110245"_s, u"2*211037"_s},
         u"26470D *211025457D #D"_s},
        {"alarm switch",
         [](Database& db) { db.setValue(u"Alarm", 3, u"0"_s); },
         CommandItem::Alarm,
         3,
         {u"13910"_s},
         u"16470D 1930D #D"_s},
        {"terminator start: no lock part",
         none,
         CommandItem::TerminatorStart,
         0,
         {u"1*9020D"_s},
         u"16470D *9020DD"_s},
        {"new terminator: framed by the old, locked with the new",
         [](Database& db) { db.setValue(u"Terminator", u"C"_s); },
         CommandItem::Terminator,
         0,
         {u"1*9020C"_s},
         u"16470D *9020CD #C"_s},
        {"new lock code: locked with the new code",
         [](Database& db) { db.setValue(u"Lock", u"*"_s); },
         CommandItem::Lock,
         0,
         {u"1*9010*"_s},
         u"16470D *9010*D *D"_s},
        {"unlock mapping: A-D as 13-16, others by numeric value",
         [](Database& db) { db.setValue(u"CurrentPortUnlock", 1, u"A*#9D"_s); },
         CommandItem::FanTime,
         0,
         {u"1*10041"_s},
         u"A009DD *10041D #D"_s},
        {"reset is serial only", none, CommandItem::Reset, 0, {u"1*21999"_s}, {}},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        Database db;
        c.setup(db);
        const Command command = buildCommand(db, c.item, c.index);
        EXPECT_EQ(command.serialLines, c.serial);
        EXPECT_EQ(dtmfText(command), c.dtmf);
        EXPECT_EQ(command.sends(Transport::Dtmf), !c.dtmf.isEmpty());
    }
}

TEST(CommandSetTest, FramingUsesTheStoredTerminator) {
    Database db;
    db.setValue(u"Terminator", u"C"_s); // a new terminator not yet sent
    db.setStoredTerminator(u"B"_s);
    db.setStoredLock(u"A"_s);
    db.setValue(u"MacroCode", 1, u"1D"_s);
    const Command c = buildCommand(db, CommandItem::MacroCode, 1);
    // The code mapping turns D into the terminator in use.
    EXPECT_EQ(c.dtmfBody, (QStringList{u"*"_s, u"2"_s, u"0"_s, u"5"_s, u"0"_s, u"0"_s, u"1"_s,
                                       u"1"_s, u"B"_s, u"B"_s}));
    EXPECT_EQ(c.dtmfUnlock.last(), u"B"_s);
    EXPECT_EQ(c.dtmfLock, (QStringList{u"A"_s, u"B"_s}));
}

TEST(CommandSetTest, DigitMappings) {
    struct MappingCase {
        QString text;
        QStringList plain;
        QStringList code; // terminator "#"
        QStringList unlock;
    };
    const std::vector<MappingCase> cases = {
        {u"  12  "_s, {u"1"_s, u"2"_s}, {u"1"_s, u"2"_s}, {u"1"_s, u"2"_s}},
        {u"ABCD"_s,
         {u"A"_s, u"B"_s, u"C"_s, u"D"_s},
         {u"13"_s, u"14"_s, u"15"_s, u"#"_s},
         {u"13"_s, u"14"_s, u"15"_s, u"16"_s}},
        {u"*#"_s, {u"*"_s, u"#"_s}, {u"11"_s, u"0"_s}, {u"0"_s, u"0"_s}},
        {u"9 e"_s, {u"9"_s}, {u"9"_s, u"0"_s, u"0"_s}, {u"9"_s, u"0"_s, u"0"_s}},
        {u"EZ0"_s, {u"0"_s}, {u"0"_s, u"0"_s, u"0"_s}, {u"0"_s, u"0"_s, u"0"_s}},
        {QString(), {}, {}, {}},
    };
    for (const MappingCase& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(plainDigitCodes(c.text), c.plain);
        EXPECT_EQ(codeDigitCodes(c.text, u"#"_s), c.code);
        EXPECT_EQ(unlockDigitCodes(c.text), c.unlock);
    }
    EXPECT_EQ(itemNumber(7, 2), u"07"_s);
    EXPECT_EQ(itemNumber(40, 2), u"40"_s);
    EXPECT_EQ(itemNumber(7, 3), u"007"_s);
    EXPECT_EQ(itemNumber(45, 3), u"045"_s);
    EXPECT_EQ(itemNumber(200, 3), u"200"_s);
    EXPECT_EQ(digitCodesText({u"11"_s, u"12"_s, u"13"_s, u"16"_s, u"7"_s, u"123"_s, u"#"_s}),
              u"*#AD7#"_s);
    EXPECT_EQ(serialFrame(u"2*100030"_s), u"2*100030\r"_s);
}

TEST(CommandSetTest, EditorCommandsAreFramedLikeTheUpload) {
    Database db;
    const Command c =
        frameCommand(db, u"EraseMacros"_s, 1, u"*400499"_s, plainDigitCodes(u"*400499"));
    EXPECT_EQ(c.serialLines, QStringList{u"1*400499"_s});
    EXPECT_EQ(dtmfText(c), u"16470D *400499D #D"_s);
}

} // namespace
} // namespace kovo
