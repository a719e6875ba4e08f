#include "editor_test_support.h"
#include "editors/analog_meters_editor.h"

namespace kovo::test {

using AnalogMetersEditorTest = EditorTest<AnalogMetersEditor>;

TEST_F(AnalogMetersEditorTest, EachControlStoresWhatTheFieldHoldsWithItsFlag) {
    const struct {
        const char* steps; // "[MeterAlarmNumSet=n|]Control=entry"
        const char* field;
        int index;
        const char* stored;
        const char* flag; // nullptr: the value the field held
    } cases[] = {
        {"RealLowSetting(1)=012", "RealLow", 1, "12", "MeterPending(1)"},
        {"MeterHighSetting(8)=2x55", "MeterHigh", 8, "255", "MeterPending(8)"},
        {"MeterLowSetting(4)=", "MeterLow", 4, "0", nullptr},
        {"VrefSetting=0480", "Vref", 0, "480", "MeterPending(9)"},
        {"MeterType(3)=Percent", "Meter", 3, "6", "MeterPending(3)"},
        {"MeterType(1)=None", "Meter", 1, "0", nullptr},
        {"MeterType(5)=Degrees", "Meter", 5, "4", "MeterPending(5)"},
        {"MeterAlarmNumSet=4|MeterAlarmTypeSet=High", "MeterAlarmType", 4, "2",
         "MeterAlarmPending(4)"},
        {"MeterAlarmNumSet=10|MeterAlarmTypeSet=Low", "MeterAlarmType", 10, "1",
         "MeterAlarmPending(10)"},
        {"MeterAlarmNumSet=4|MeterAlarmTypeSet=None", "MeterAlarmType", 4, "0",
         "MeterAlarmPending(4)"},
        {"MeterAlarmNumSet=2|MeterNumSet=7", "MeterNum", 2, "7", "MeterAlarmPending(2)"},
        {"MeterAlarmNumSet=6|MeterMacroSet=90", "MeterMacro", 6, "90", "MeterAlarmPending(6)"},
        {"MeterAlarmNumSet=9|MeterSetPointSet=13.8", "MeterSetPoint", 9, "13.8",
         "MeterAlarmPending(9)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        db.setAllPending(false);
        open();
        edit(QString::fromLatin1(c.steps).split(u'|'));
        editor->apply();
        const QString field = QString::fromLatin1(c.field);
        EXPECT_EQ(db.value(field, c.index), QString::fromLatin1(c.stored));
        EXPECT_EQ(db.pendingNames(),
                  c.flag ? QStringList{QString::fromLatin1(c.flag)} : QStringList());
        if (field == u"MeterAlarmType") {
            EXPECT_EQ(db.meterAlarmOn(c.index), qstrcmp(c.stored, "0") != 0);
        }
    }
    // Nothing here is refused and nothing asks.
    EXPECT_EQ(messages.messageTexts(), QStringList());
}

TEST_F(AnalogMetersEditorTest, CalibrationLineShowsHowReadingsAreScaled) {
    const struct {
        const char* steps;
        const char* line;
    } cases[] = {
        {"Volts|0|0|15|255", "reading 0–255 → 0.0–15.0 Volts, 0.059 Volts per step"},
        {"Amps|0|0|10|100", "reading 0–255 → 0.0–25.5 Amps, 0.100 Amps per step"},
        {"Degrees|32|50|212|230", "reading 0–255 → -18.0–237.0 Degrees, 1.000 Degrees per step"},
        {"Percent|100|0|0|255", "reading 0–255 → 100.0–0.0 Percent, -0.392 Percent per step"},
        {"None|0|0|255|255", "reading 0–255 → 0.0–255.0, 1.000 per step"},
        {"Volts|0|128|15|128", "needs two different points"},
        {"Watts|5|0|5|0", "needs two different points"},
    };
    const QStringList controls = {u"MeterType(6)"_s, u"RealLowSetting(6)"_s,
                                  u"MeterLowSetting(6)"_s, u"RealHighSetting(6)"_s,
                                  u"MeterHighSetting(6)"_s};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        const QStringList values = QString::fromLatin1(c.steps).split(u'|');
        for (int i = 0; i < controls.size(); ++i)
            edit({controls[i] + u'=' + values[i]});
        EXPECT_EQ(get<QLabel>(u"Calibration(6)"_s)->text(), QString::fromUtf8(c.line));
    }
}

TEST_F(AnalogMetersEditorTest, ApplySetsTheSharedFlagsAndSaveWritesTheAnalogGroup) {
    editor->apply();
    EXPECT_EQ(db.pendingNames(), QStringList());
    EXPECT_TRUE(db.settingsSaved());
    EXPECT_FALSE(db.groupChanged(Group::Analog));

    // Two fields of meter 2 share its flag; an alarm's fields share the alarm's.
    edit({u"RealHighSetting(2)=150"_s, u"MeterType(2)=Watts"_s, u"MeterAlarmNumSet=4"_s,
          u"MeterAlarmTypeSet=High"_s, u"MeterNumSet=2"_s});
    EXPECT_EQ(EditorWindow::textColour(get(u"RealHighSetting(2)"_s)),
              EditorWindow::changedColour());
    get<QPushButton>(u"Apply"_s)->click();
    EXPECT_EQ(db.pendingNames(), (QStringList{u"MeterPending(2)"_s, u"MeterAlarmPending(4)"_s}));
    EXPECT_TRUE(db.groupChanged(Group::Analog));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_TRUE(db.meterAlarmOn(4));
    EXPECT_FALSE(db.meterAlarmOn(5));
    const Database loaded = saved(db, true);
    EXPECT_FALSE(db.groupChanged(Group::Analog));
    EXPECT_EQ(values(loaded, u"RealHigh(2)|Meter(2)|MeterAlarmType(4)|MeterNum(4)"_s),
              u"150|3|2|2"_s);

    // Cancel Changes shows alarm 1 again, with what the database holds.
    edit({u"MeterSetPointSet=99"_s});
    editor->cancelChanges();
    EXPECT_EQ(shown(u"MeterAlarmNumSet"_s), u"1"_s);
    EXPECT_EQ(shown(u"MeterSetPointSet"_s), db.value(u"MeterSetPoint", 1));
}

} // namespace kovo::test
