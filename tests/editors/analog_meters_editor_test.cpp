#include "editor_test_support.h"
#include "editors/analog_meters_editor.h"

namespace kovo::test {

using AnalogMetersEditorTest = EditorTest<AnalogMetersEditor>;

// Nothing here is refused and nothing asks.
TEST_F(AnalogMetersEditorTest, EachControlStoresWhatTheFieldHoldsWithItsFlag) {
    expectEdits({
        {"RealLowSetting(1)=012", nullptr, "RealLow(1)=12", "MeterPending(1)"},
        {"MeterHighSetting(8)=2x55", nullptr, "MeterHigh(8)=255", "MeterPending(8)"},
        {"MeterLowSetting(4)=", nullptr, "MeterLow(4)=0", ""},
        {"VrefSetting=0480", nullptr, "Vref=480", "MeterPending(9)"},
        {"MeterType(1)=None", nullptr, "Meter(1)=0", ""},
        {"MeterType(5)=Degrees", nullptr, "Meter(5)=4", "MeterPending(5)"},
        {"MeterAlarmNumSet=10|MeterAlarmTypeSet=Low", nullptr, "MeterAlarmType(10)=1",
         "MeterAlarmPending(10)"},
        {"MeterAlarmType(4):=2|MeterAlarmNumSet=4|MeterAlarmTypeSet=None", nullptr,
         "MeterAlarmType(4)=0", "MeterAlarmPending(4)"},
        {"MeterAlarmNumSet=2|MeterNumSet=7", nullptr, "MeterNum(2)=7", "MeterAlarmPending(2)"},
        {"MeterAlarmNumSet=6|MeterMacroSet=90", nullptr, "MeterMacro(6)=90",
         "MeterAlarmPending(6)"},
        {"MeterAlarmNumSet=9|MeterSetPointSet=13.8", nullptr, "MeterSetPoint(9)=13.8",
         "MeterAlarmPending(9)"},
    });
}

TEST_F(AnalogMetersEditorTest, CalibrationLineShowsHowReadingsAreScaled) {
    // Type, actual low, meter low, actual high and meter high of meter 8.
    const auto meter = [](const char* settings, const char* line) {
        const QStringList v = QString::fromLatin1(settings).split(u'|');
        return typed(
            u"MeterType(8)=%1|RealLowSetting(8)=%2|MeterLowSetting(8)=%3|"
            "RealHighSetting(8)=%4|MeterHighSetting(8)=%5"_s.arg(v[0], v[1], v[2], v[3], v[4]),
            u"Calibration(8)="_s + QString::fromUtf8(line));
    };
    expectEdits({
        meter("Volts|0|0|15|255", "reading 0–255 → 0.0–15.0 Volts, 0.059 Volts per step"),
        meter("Amps|0|0|10|100", "reading 0–255 → 0.0–25.5 Amps, 0.100 Amps per step"),
        meter("Degrees|32|50|212|230",
              "reading 0–255 → -18.0–237.0 Degrees, 1.000 Degrees per step"),
        meter("Percent|100|0|0|255", "reading 0–255 → 100.0–0.0 Percent, -0.392 Percent per step"),
        meter("None|0|0|255|255", "reading 0–255 → 0.0–255.0, 1.000 per step"),
        meter("Volts|0|128|15|128", "needs two different points"),
        meter("Watts|5|0|5|0", "needs two different points"),
    });
}

// An alarm with a type is on; Cancel Changes shows alarm 1 again.
TEST_F(AnalogMetersEditorTest, AnAlarmWithATypeIsOnAndCancelShowsTheFirstAgain) {
    edit("MeterAlarmNumSet=4|MeterAlarmTypeSet=High|Apply|MeterAlarmNumSet=5|CancelChanges");
    EXPECT_TRUE(db.meterAlarmOn(4));
    EXPECT_FALSE(db.meterAlarmOn(5));
    EXPECT_EQ(shown("MeterAlarmNumSet"), u"1"_s);
}

} // namespace kovo::test
