#include "database/database.h"
#include "link/command_set.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

// A default database with the values of `setup`: "HangTime(2)=500;Lock=*".
Database configured(const char* setup) {
    Database db;
    for (const QString& item : QString::fromLatin1(setup).split(u';', Qt::SkipEmptyParts)) {
        const QString key = item.section(u'=', 0, 0);
        const QString value = item.section(u'=', 1);
        const int open = int(key.indexOf(u'('));
        if (open < 0)
            db.setValue(key, value);
        else
            db.setValue(key.left(open), key.mid(open + 1).chopped(1).toInt(), value);
    }
    return db;
}

// The DTMF unit as kovo-cli prints it: unlock, body and lock parts as keypad characters.
QString dtmfText(const Command& c) {
    if (c.dtmfBody.isEmpty())
        return {};
    QString text = digitCodesText(c.dtmfUnlock) + u' ' + digitCodesText(c.dtmfBody);
    if (!c.dtmfLock.isEmpty())
        text += u' ' + digitCodesText(c.dtmfLock);
    return text;
}

// Each item's serial lines ("|" between lines) and its DTMF unit (empty: not sent that way).
TEST(CommandSetTest, BodiesAndFramingForBothTransports) {
    using I = CommandItem;
    const std::tuple<const char*, CommandItem, int, const char*, const char*> cases[] = {
        {"HangTime(2)=500", I::HangTime, 2, "2*1000500", "26470D *1000500D #D"},
        {"TimeOut(1)= 90 ", I::TimeOut, 1, "1*100190", "16470D *100190D #D"},
        // Outside the DTMF set: serial unchanged; a plain value skips it, a code gives 0.
        {"HangTime(3)=5x0", I::HangTime, 3, "3*10005x0", "36470D *100050D #D"},
        {"APPrefix=AE#", I::APPrefix, 0, "1*2061AE#", "16470D *2061A00D #D"},
        {"", I::APPrefix, 0, "1*2061A1", "16470D *2061A1D #D"},
        {"AuxTime(3)=75", I::AuxTime, 3, "3*101375", "36470D *101575D #D"},
        {"GeneralTimer(2)=300", I::GeneralTimer, 2, "1*10172300", "16470D *10172300D #D"},
        {"GeneralTimerMacro(3)=45", I::GeneralTimerMacro, 3, "1*2092345", "16470D *2092345D #D"},
        {"P3Delay4(10)=100;P3Dur4(10)=200;P3Tone7(10)=300;P3Tone8(10)=400", I::Courtesy, 120,
         "3*3410100*200*300*400*", "36470D *3410100*200*300*400*D #D"},
        {"P1Delay2(3)=11;P1Dur2(3)=22;P1Tone3(3)=33;P1Tone4(3)=44", I::Courtesy, 13,
         "1*320311*22*33*44*", "16470D *320311*22*33*44*D #D"},
        {"VoiceID1(2)=T A HELLO", I::VoiceID1, 2, "2*8004049030124", "26470D *8004049030124D #D"},
        {"VoiceID3(1)=T  NOSUCHWORD A", I::VoiceID3, 1, "1*8006049030", "16470D *8006049030D #D"},
        {"CWID2(3)=T A 5", I::CWID2, 3, "3*8003812105", "36470D *8003812105D #D"},
        {"CWTone1(1)=0800;CWTone2(1)=0000", I::CWTones, 1, "1*80010800", "16470D *80010800D #D"},
        {"CWTone1(2)=0800;CWTone2(2)=1200", I::CWTones, 2, "2*800108001200",
         "26470D *800108001200D #D"},
        // A downloaded tone 1 is padded to four digits before tone 2.
        {"CWTone1(3)=500;CWTone2(3)=1200", I::CWTones, 3, "3*800105001200",
         "36470D *800105001200D #D"},
        {"ID2Extras(2)=7", I::ID2Extras, 2, "2*800727", "26470D *800757D #D"},
        {"ID3Extras(3)=11", I::ID3Extras, 3, "3*8007311", "36470D *8007911D #D"},
        {"", I::ID1Extras, 1, "1*800710", "16470D *800710D #D"},
        {"Monthly(3)=1;Week(3)=2;DOW(3)=5;Hours(3)=0A;Minutes(3)=30;MacroToRun(3)=12", I::SetPoint,
         3, "1*400103250A3012", "16470D *400103250A3012D #D"},
        {"Week(12)=4;DOW(12)=3", I::SetPoint, 12, "1*4001123250001", "16470D *4001123250001D #D"},
        {"DOW(20)=10", I::SetPoint, 20, "1*40012010250001", ""},
        {"RealHigh(4)=99", I::Meter, 4, "1*20644*0*0*0*99*0*", "16470D *20644*0*0*0*99*0*D #D"},
        {"MeterNum(2)=3;MeterAlarmType(2)=2;MeterSetPoint(2)=120;MeterMacro(2)=7", I::MeterAlarm, 2,
         "1*20662*3*2*120*7*", "16470D *20662*3*2*120*7*D #D"},
        {"", I::MeterAlarmEnable, 8, "1160080", "16470D 160080D #D"},
        {"YaesuType=4", I::YaesuType, 0, "1*20844", "16470D *20842D #D"},
        {"RemoteBasePrefix=B1;FreqString(2)=1462;CTCSS(2)=12;CTCSSMode(2)=1;RadioMode(2)=3",
         I::RemoteMemory, 2, "1**B111462|1**B12121|1**B133|1*20862", "16470D B111462D*20862D #D"},
        {"FreqString(4)=NONE STORED;CTCSS(4)=0;CTCSSMode(4)=0", I::RemoteMemory, 4,
         "1**B11|1**B1200|1**B134|1*20864", "16470D B11D*20864D #D"},
        {"Macro(5)=001 002 003", I::Macro, 5, "1*400205001002003", "16470D *400205001002003D #D"},
        {"", I::Macro, 7, "1*400307", "16470D *400307D #D"},
        {"ShortMacro(1)=12 3", I::Macro, 41, "1*400241123", "16470D *400241123D #D"},
        {"", I::Macro, 90, "1*400390", "16470D *400390D #D"},
        {"MacroCode(9)=B*7", I::MacroCode, 9, "1*205009B*7", "16470D *205009B*7D #D"},
        {"", I::MacroCode, 41, "1*205041109050", "16470D *205041109050D #D"},
        {"PortToAllow(90)=13", I::PortToAllow, 90, "1*40059013", "16470D *40059013D #D"},
        {"AlarmLowMacroNum(2)=15", I::AlarmLowMacroNum, 2, "1*2101215", ""},
        {"AlarmHighMacroNum(5)=0", I::AlarmHighMacroNum, 5, "", ""},
        {"MessageMacro(4)=HELLO T", I::MessageMacro, 4, "1*210304124049",
         "16470D *210304124049D #D"},
        {"", I::MessageMacro, 40, "", ""},
        {"DTMF(3)=1 2 A # D", I::DTMFMemory, 3, "1*21050312A#D", "16470D *21050312A0DD #D"},
        {"", I::DTMFMemory, 20, "", ""},
        {"", I::DTMFDur, 0, "1*2106100", "16470D *2106100D #D"},
        {"", I::PortUnlock, 2, "2*900026470", ""},
        {"AutoDial(7)=5551212", I::AutoDial, 7, "1*21150075551212", "16470D *21150075551212D #D"},
        {"AutoDial(120)=911", I::AutoDial, 120, "1*2115120911", "16470D *2115120911D #D"},
        {"", I::TollRestrict, 100, "1*2062100", "16470D *2062100D #D"},
        {"", I::PatchMute, 0, "12701", "16470D 2701D #D"},
        {"MacroSubset=4050", I::MacroSubset, 0, "1*40094050", "16470D *40094050D #D"},
        {"", I::MacroSubsetEnable, 0, "12800", "16470D 2800D #D"},
        {"", I::TxEnable, 1, "11111", "16470D 1111D #D"},
        {"PLAccess(3)=2", I::PLAccess, 3, "33122", "36470D 3122D #D"},
        {"COSClose(2)=1", I::COSClose, 2, "2221", "26470D 2221D #D"},
        {"TailMessageNum(2)=2;P1MessageNum(2)=5;P2MessageNum(2)=45;P3MessageNum(2)=7",
         I::PortMessageNums, 2, "2*211015|2*2110245|2*211037", "26470D *211025457D #D"},
        {"Alarm(3)=0", I::Alarm, 3, "13910", "16470D 1930D #D"},
        {"", I::TerminatorStart, 0, "1*9020D", "16470D *9020DD"},
        // A new terminator is framed by the old one and locked with the new.
        {"Terminator=C", I::Terminator, 0, "1*9020C", "16470D *9020CD #C"},
        {"Lock=*", I::Lock, 0, "1*9010*", "16470D *9010*D *D"},
        // Unlock codes: A-D as 13-16, anything else by its numeric value.
        {"CurrentPortUnlock(1)=A*#9D", I::FanTime, 0, "1*10041", "A009DD *10041D #D"},
        {"", I::Reset, 0, "1*21999", ""},
    };
    for (const auto& [setup, item, index, serial, dtmf] : cases) {
        SCOPED_TRACE(setup + std::string(" / ") + serial);
        const Database db = configured(setup);
        const Command command = buildCommand(db, item, index);
        EXPECT_EQ(command.serialLines, QString::fromLatin1(serial).split(u'|', Qt::SkipEmptyParts));
        EXPECT_EQ(dtmfText(command), QLatin1String(dtmf));
        EXPECT_EQ(command.sends(Transport::Dtmf), *dtmf != '\0');
    }
    Database db;
    db.setMeterAlarmOn(3, true);
    EXPECT_EQ(buildCommand(db, CommandItem::MeterAlarmEnable, 3).serialLines,
              QStringList{u"1160031"_s});
}

// Words and CW characters the controller cannot take are left out of their command, and each is
// named with its item so the upload can report it.
TEST(CommandSetTest, EachWordOrCharacterWithoutACodeIsNamedWithItsItem) {
    const Database db = configured("MessageMacro(3)=WEATHER ALERT PLEASE STAND BY;"
                                   "MessageMacro(4)=NONE STORED;VoiceID2(1)=THIS IS 5 NONE;"
                                   "CWID1(2)=W 1 . X -");
    const QString left = u": \"%1\" is not in the Tarsis's tables and is left out"_s;
    const std::tuple<CommandItem, int, QStringList> cases[] = {
        {CommandItem::MessageMacro, 3, {u"MessageMacro(3)"_s + left.arg(u"STAND"_s)}},
        {CommandItem::MessageMacro, 4, {}},
        {CommandItem::VoiceID2, 1, {u"VoiceID2(1)"_s + left.arg(u"NONE"_s)}},
        {CommandItem::CWID1,
         2,
         {u"CWID1(2)"_s + left.arg(u"."_s), u"CWID1(2)"_s + left.arg(u"-"_s)}},
        {CommandItem::CWID1, 1, {}},
    };
    for (const auto& [item, index, report] : cases) {
        SCOPED_TRACE(index);
        EXPECT_EQ(skippedReport(buildCommand(db, item, index)), report);
    }
}

// The DTMF framing uses the codes the controller answers to now, not ones not yet sent; the code
// mapping turns D into that terminator.
TEST(CommandSetTest, FramingUsesTheStoredCodes) {
    Database db = configured("Terminator=C;MacroCode(1)=1D");
    db.setStoredTerminator(u"B"_s);
    db.setStoredLock(u"A"_s);
    const Command c = buildCommand(db, CommandItem::MacroCode, 1);
    EXPECT_EQ(c.dtmfBody.join(u' '), u"* 2 0 5 0 0 1 1 B B"_s);
    EXPECT_EQ(c.dtmfUnlock.last(), u"B"_s);
    EXPECT_EQ(c.dtmfLock, (QStringList{u"A"_s, u"B"_s}));
    const Command erase =
        frameCommand(Database(), u"EraseMacros"_s, 1, u"*400499"_s, plainDigitCodes(u"*400499"));
    EXPECT_EQ(erase.serialLines, QStringList{u"1*400499"_s});
    EXPECT_EQ(dtmfText(erase), u"16470D *400499D #D"_s);
}

TEST(CommandSetTest, DigitMappings) {
    // The text, and its plain, code (terminator "#") and unlock digits.
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"  12  ", "1 2", "1 2", "1 2"}, {"ABCD", "A B C D", "13 14 15 #", "13 14 15 16"},
        {"*#", "* #", "11 0", "0 0"},    {"9 e", "9", "9 0 0", "9 0 0"},
        {"EZ0", "0", "0 0 0", "0 0 0"},  {"", "", "", ""},
    };
    for (const auto& [input, plain, code, unlock] : cases) {
        SCOPED_TRACE(input);
        const QString text = QString::fromLatin1(input);
        EXPECT_EQ(plainDigitCodes(text).join(u' '), QLatin1String(plain));
        EXPECT_EQ(codeDigitCodes(text, u"#"_s).join(u' '), QLatin1String(code));
        EXPECT_EQ(unlockDigitCodes(text).join(u' '), QLatin1String(unlock));
    }
    EXPECT_EQ(itemNumber(7, 2), u"07"_s);
    EXPECT_EQ(itemNumber(45, 3), u"045"_s);
    EXPECT_EQ(itemNumber(200, 3), u"200"_s);
    EXPECT_EQ(digitCodesText({u"11"_s, u"12"_s, u"13"_s, u"16"_s, u"7"_s, u"123"_s, u"#"_s}),
              u"*#AD7#"_s);
    EXPECT_EQ(serialFrame(u"2*100030"_s), u"2*100030\r"_s);
}

} // namespace
} // namespace kovo
