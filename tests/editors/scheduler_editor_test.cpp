#include "database/profile_file.h"
#include "editor_test_support.h"
#include "editors/scheduler_editor.h"

#include <QRadioButton>

namespace kovo::test {

using SchedulerEditorTest = EditorTest<SchedulerEditor>;

TEST_F(SchedulerEditorTest, ChoicesAreStoredInTheControllersEncodingAndShownAgain) {
    expectEdits({
        {">SetPointNumSet=4|DOWSet=Everyday", "DOWSet=Everyday", "DOW(4)=0"},
        {">SetPointNumSet=4|DOWSet=Weekends", "DOWSet=Weekends", "DOW(4)=9"},
        {">SetPointNumSet=4|HoursSet=Disabled", "HoursSet=Disabled", "Hours(4)=25"},
        {">SetPointNumSet=4|HoursSet=12 AM", "HoursSet=12 AM", "Hours(4)=00"},
        {">SetPointNumSet=4|HoursSet=9 AM", "HoursSet=9 AM", "Hours(4)=09"},
        {">SetPointNumSet=4|HoursSet=10 AM", "HoursSet=10 AM", "Hours(4)=10"},
        {">SetPointNumSet=4|HoursSet=12 PM", "HoursSet=12 PM", "Hours(4)=12"},
        {">SetPointNumSet=4|HoursSet=9 PM", "HoursSet=9 PM", "Hours(4)=21"},
        {">SetPointNumSet=4|MinutesSet=05", "MinutesSet=05", "Minutes(4)=05"},
        {">SetPointNumSet=4|MacroSet=10", "MacroSet=10", "MacroToRun(4)=10"},
        {">SetPointNumSet=4|MacroSet=90", "MacroSet=90", "MacroToRun(4)=90"},
        {"ClockCorrectionSet=12", "ClockCorrectionSet=12", "ClockCorrection=12"},
    });
}

TEST_F(SchedulerEditorTest, ChoicesEnableWhatFollowsThemAndCancelKeepsTheSetPointShown) {
    auto* week = get<QComboBox>(u"WeekSet"_s);
    EXPECT_FALSE(week->isEnabled()); // Monthly is "0" by default
    edit("SetPointNumSet=9|DOMEnable");
    EXPECT_TRUE(week->isEnabled());
    edit("SetPointNumSet=7");
    EXPECT_FALSE(week->isEnabled());

    // "Say Hours" follows "24 Hour Readback".
    auto* sayHours = get<QCheckBox>(u"HoursSelect"_s);
    EXPECT_FALSE(sayHours->isEnabled());
    edit("TwentyFourSet");
    EXPECT_TRUE(sayHours->isEnabled());

    // Cancel Changes keeps the set point shown.
    edit("HoursSet=3 PM|CancelChanges");
    EXPECT_EQ(shown("SetPointNumSet|HoursSet"), u"7|Disabled"_s);
}

TEST_F(SchedulerEditorTest, TheDateFormatIsWrittenIntoTheOpenFileAtOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"site.dat"_s);
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    editor->setDatabaseFileSource([&] { return path; });
    edit("InternationalDate");
    EXPECT_EQ(db.value(u"DateFormat"), u"True"_s);
    EXPECT_TRUE(db.settingsSaved());
    EXPECT_EQ(readIni(u"Scheduler", u"DateFormat", path), u"True"_s);

    // A file that cannot be written is said so; the program still uses the choice.
    editor->setDatabaseFileSource([&] { return dir.filePath(u"no/such/site.dat"_s); });
    edit("USDate");
    EXPECT_EQ(db.value(u"DateFormat"), u"False"_s);
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_TRUE(messages.calls[0].text.startsWith(u"The date format could not be written into "_s));
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
}

TEST_F(SchedulerEditorTest, SetClockAsksTheLinkToSetTheClock) {
    expectAction(u"ClockSet"_s, ControllerAction::Kind::SetClock);
}

} // namespace kovo::test
