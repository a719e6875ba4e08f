#include "database/database.h"
#include "database/database_file.h"
#include "editor_test_support.h"
#include "editors/direct_action_runner.h"
#include "editors/recording_message_service.h"
#include "editors/scheduler_editor.h"
#include "emulator/tarsis_emulator.h"
#include "link/emulator_channel.h"
#include "link/recording_operator.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

QStringList texts(std::initializer_list<const char*> list) {
    QStringList result;
    for (const char* text : list)
        result << QString::fromLatin1(text);
    return result;
}

class SchedulerEditorTest : public ::testing::Test {
protected:
    void SetUp() override { editor = std::make_unique<SchedulerEditor>(db, messages); }

    template <typename T> T* widget(const char* name) const {
        auto* found = editor->control<T>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // A list's entries joined by "|".
    QString entries(const char* list) const {
        QStringList texts;
        for (int i = 0; i < widget<QComboBox>(list)->count(); ++i)
            texts << widget<QComboBox>(list)->itemText(i);
        return texts.join(u'|');
    }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<SchedulerEditor> editor;
};

TEST_F(SchedulerEditorTest, ChoicesAreStoredInTheControllersEncoding) {
    struct Case {
        const char* control;
        const char* chosen; // a list entry, or typed text for the clock correction
        const char* field;
        const char* stored;
    };
    const Case cases[] = {
        {"DOWSet", "Sunday", "DOW", "7"},
        {"DOWSet", "Everyday", "DOW", "0"},
        {"DOWSet", "Weekends", "DOW", "9"},
        {"HoursSet", "Every Hour", "Hours", "0A"},
        {"HoursSet", "Disabled", "Hours", "25"},
        {"HoursSet", "12 AM", "Hours", "00"},
        {"HoursSet", "9 AM", "Hours", "09"},
        {"HoursSet", "12 PM", "Hours", "12"},
        {"HoursSet", "9 PM", "Hours", "21"},
        {"MinutesSet", "05", "Minutes", "05"},
        {"MacroSet", "07", "MacroToRun", "07"},
        {"MacroSet", "90", "MacroToRun", "90"},
        {"WeekSet", "3rd", "Week", "3"},
        {"ClockCorrectionSet", "-5", "ClockCorrection", "A5"},
        {"ClockCorrectionSet", "12", "ClockCorrection", "12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " " + c.chosen);
        db.setAllPending(false);
        editor = std::make_unique<SchedulerEditor>(db, messages);
        const QString chosen = QString::fromLatin1(c.chosen);
        const bool clock = qstrcmp(c.field, "ClockCorrection") == 0;
        if (clock)
            test::typeInto(widget<QLineEdit>(c.control), chosen);
        else
            test::choose(widget<QComboBox>("SetPointNumSet"), u"4"_s);
        if (!clock)
            test::choose(widget<QComboBox>(c.control), chosen);
        const int index = clock ? 0 : 4;
        EXPECT_EQ(editor->workingCopy(QString::fromLatin1(c.field), index),
                  QString::fromLatin1(c.stored));
        editor->apply();
        EXPECT_EQ(db.value(QString::fromLatin1(c.field), index), QString::fromLatin1(c.stored));
        // Reopened, the editor shows the choice again.
        SchedulerEditor reopened(db, messages);
        if (clock) {
            EXPECT_EQ(reopened.control<QLineEdit>(QString::fromLatin1(c.control))->text(), chosen);
        } else {
            test::choose(reopened.control<QComboBox>(u"SetPointNumSet"_s), u"4"_s);
            EXPECT_EQ(reopened.control<QComboBox>(QString::fromLatin1(c.control))->currentText(),
                      chosen);
        }
    }
    EXPECT_EQ(entries("DOWSet"), u"Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|"
                                 "Weekdays|Weekends|Everyday"_s);
    EXPECT_TRUE(entries("HoursSet").startsWith(u"Disabled|Every Hour|12 AM|1 AM|"_s));
    EXPECT_TRUE(entries("HoursSet").contains(u"|11 AM|12 PM|1 PM|"_s));
    EXPECT_TRUE(entries("HoursSet").endsWith(u"|10 PM|11 PM"_s));
    EXPECT_TRUE(entries("MinutesSet").startsWith(u"00|01|"_s));
    EXPECT_TRUE(entries("MinutesSet").endsWith(u"|59"_s));
    EXPECT_TRUE(entries("MacroSet").startsWith(u"01|02|"_s));
    EXPECT_TRUE(entries("MacroSet").endsWith(u"|89|90"_s));
    EXPECT_EQ(entries("WeekSet"), u"1st|2nd|3rd|4th|5th"_s);
    EXPECT_TRUE(entries("SetPointNumSet").endsWith(u"|19|20"_s));
}

TEST_F(SchedulerEditorTest, CaptionsAndLabelsNameEveryControl) {
    EXPECT_EQ(editor->windowTitle(), u"Scheduler/Clock Configuration"_s);
    const QString named =
        u"SetPointNumSet=Setpoint Number|DOWSet=Day Of The Week|HoursSet=Start Hours|"
        "MinutesSet=Start Minutes|MacroSet=Macro To Run|WeekSet=Week Of The Month|"
        "ClockCorrectionSet=Clock Correction|DOMEnable=Monthly|SayYearSet=Say Year|"
        "TwentyFourSet=24 Hour Readback|HoursSelect=Say Hours|USDate=United States|"
        "InternationalDate=International|ClockSet=Set Clock|Apply=&Apply|"
        "CancelChanges=&Cancel Changes"_s;
    for (const QString& pair : named.split(u'|')) {
        const QString name = pair.section(u'=', 0, 0);
        auto* control = editor->control<QWidget>(name);
        ASSERT_NE(control, nullptr) << name.toStdString();
        const auto* button = qobject_cast<QAbstractButton*>(control);
        EXPECT_EQ(button ? button->text() : test::accessibleName(control), pair.section(u'=', 1));
    }
    QStringList shown;
    for (const QLabel* label : editor->findChildren<QLabel*>())
        shown << label->text();
    for (const QGroupBox* frame : editor->findChildren<QGroupBox*>())
        shown << frame->title();
    for (const char* text :
         {"Real Time Clock", "Date Format", "seconds",
          "Note: Changes to Date Format take effect and are written immediately to .dat  file",
          "Note: Setting the Clock will immediately set the Tarsis clock and calendar to your "
          "computer's system time"})
        EXPECT_TRUE(shown.contains(QString::fromLatin1(text))) << text;
}

TEST_F(SchedulerEditorTest, SetPointsKeepTheirEditsAndApplyMarksTheOnesChanged) {
    auto* setPoint = widget<QComboBox>("SetPointNumSet");
    auto* week = widget<QComboBox>("WeekSet");
    EXPECT_FALSE(week->isEnabled()); // Monthly is "0" by default
    EXPECT_FALSE(widget<QLabel>("WeekLabel")->isEnabled());
    test::choose(setPoint, u"7"_s);
    test::choose(widget<QComboBox>("MacroSet"), u"42"_s);
    test::choose(setPoint, u"9"_s);
    widget<QCheckBox>("DOMEnable")->click();
    EXPECT_TRUE(week->isEnabled());
    test::choose(setPoint, u"7"_s);
    EXPECT_EQ(widget<QComboBox>("MacroSet")->currentText(), u"42"_s);
    EXPECT_FALSE(week->isEnabled());

    // "Say Hours" follows "24 Hour Readback".
    auto* sayHours = widget<QCheckBox>("HoursSelect");
    EXPECT_FALSE(sayHours->isEnabled());
    widget<QCheckBox>("TwentyFourSet")->click();
    EXPECT_TRUE(sayHours->isEnabled());

    widget<QPushButton>("Apply")->click();
    EXPECT_EQ(db.pendingNames(),
              (texts({"SetPointPending(7)", "SetPointPending(9)", "TwentyFourPending"})));
    EXPECT_EQ(db.value(u"MacroToRun", 7), u"42"_s);
    EXPECT_EQ(db.value(u"Monthly", 9), u"1"_s);
    EXPECT_TRUE(db.groupChanged(Group::Scheduler));
    EXPECT_FALSE(db.settingsSaved());

    // Cancel Changes puts back what was not applied and keeps the set point shown.
    test::choose(widget<QComboBox>("HoursSet"), u"3 PM"_s);
    widget<QPushButton>("CancelChanges")->click();
    EXPECT_EQ(setPoint->currentText(), u"7"_s);
    EXPECT_EQ(widget<QComboBox>("HoursSet")->currentText(), u"Disabled"_s);
    EXPECT_EQ(editor->workingCopy(u"Hours", 7), u"25"_s);
    db.setAllPending(false);
    db.setSettingsSaved(true);
    editor->apply();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_TRUE(db.settingsSaved());
}

TEST_F(SchedulerEditorTest, TheDateFormatIsWrittenIntoTheOpenFileAtOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"site.dat"_s);
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("; kept as it is\r\n[Foreign]\r\nKey=Value\r\n");
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    ASSERT_TRUE(before.contains("\r\nDateFormat=False\r\n"));

    editor->setDatabaseFileSource([&] { return path; });
    widget<QRadioButton>("InternationalDate")->click();
    EXPECT_EQ(db.value(u"DateFormat"), u"True"_s);
    EXPECT_TRUE(db.settingsSaved());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray expected = before;
    expected.replace("\r\nDateFormat=False\r\n", "\r\nDateFormat=True\r\n");
    EXPECT_EQ(file.readAll(), expected);
    file.close();
    SchedulerEditor reopened(db, messages);
    EXPECT_TRUE(reopened.control<QRadioButton>(u"InternationalDate"_s)->isChecked());

    // A file that cannot be written is said so; the program still uses the choice.
    editor->setDatabaseFileSource([&] { return dir.filePath(u"no/such/site.dat"_s); });
    widget<QRadioButton>("USDate")->click();
    EXPECT_EQ(db.value(u"DateFormat"), u"False"_s);
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_TRUE(messages.calls[0].text.startsWith(u"The date format could not be written into "_s));
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
}

TEST_F(SchedulerEditorTest, SetClockSetsTheEmulatedTarsisFromThisPc) {
    struct Case {
        const char* format;
        const char* date;
        const char* time;
    };
    for (const Case& c :
         {Case{"USDate", "010526", "1305"}, Case{"InternationalDate", "010526", "130509"}}) {
        SCOPED_TRACE(c.format);
        auto emulator = std::make_shared<TarsisEmulator>();
        RecordingOperator person;
        DirectActionRunner runner(db, person);
        runner.useSerial(std::make_unique<EmulatorChannel>(u"emulator"_s, emulator));
        runner.setClock([] { return QDateTime(QDate(2026, 1, 5), QTime(13, 5, 9)); });
        editor = std::make_unique<SchedulerEditor>(db, messages);
        editor->setActionRunner(&runner);
        widget<QRadioButton>(c.format)->click();
        runner.setInternationalDates(db.value(u"DateFormat") == QLatin1String("True"));
        widget<QPushButton>("ClockSet")->click();
        EXPECT_EQ(emulator->memory().keptValue(u"ClockDate"_s), QString::fromLatin1(c.date));
        EXPECT_EQ(emulator->memory().keptValue(u"ClockTime"_s), QString::fromLatin1(c.time));
        ASSERT_FALSE(person.messages().isEmpty());
        EXPECT_EQ(person.messages().last().text,
                  u"Clock and Calendar have been successfully set"_s);
        EXPECT_EQ(person.messages().last().title, u"Done"_s);
        EXPECT_TRUE(widget<QPushButton>("ClockSet")->isEnabled());
    }
    // Without a link the button says so.
    editor->setActionRunner(nullptr);
    widget<QPushButton>("ClockSet")->click();
    EXPECT_EQ(messages.messageTexts().last(), u"No link to the Tarsis is available."_s);
}

} // namespace
} // namespace kovo
