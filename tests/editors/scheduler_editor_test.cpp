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
    QStringList entries(const char* list) const {
        QStringList texts;
        for (int i = 0; i < widget<QComboBox>(list)->count(); ++i)
            texts << widget<QComboBox>(list)->itemText(i);
        return texts;
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
            test::choose(widget<QComboBox>("SetPointNumSet"), QStringLiteral("4"));
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
            test::choose(reopened.control<QComboBox>(QStringLiteral("SetPointNumSet")),
                         QStringLiteral("4"));
            EXPECT_EQ(reopened.control<QComboBox>(QString::fromLatin1(c.control))->currentText(),
                      chosen);
        }
    }
    EXPECT_EQ(entries("DOWSet"),
              (texts({"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
                      "Weekdays", "Weekends", "Everyday"})));
    const QStringList hours = entries("HoursSet");
    ASSERT_EQ(hours.size(), 26);
    EXPECT_EQ(hours.mid(0, 4), (texts({"Disabled", "Every Hour", "12 AM", "1 AM"})));
    EXPECT_EQ(hours.mid(13, 2), (texts({"11 AM", "12 PM"})));
    EXPECT_EQ(hours.last(), QStringLiteral("11 PM"));
    EXPECT_EQ(entries("MinutesSet").size(), 60);
    EXPECT_EQ(entries("MacroSet").first(), QStringLiteral("01"));
    EXPECT_EQ(entries("MacroSet").size(), 90);
    EXPECT_EQ(entries("WeekSet"), (texts({"1st", "2nd", "3rd", "4th", "5th"})));
    EXPECT_EQ(entries("SetPointNumSet").size(), 20);
}

TEST_F(SchedulerEditorTest, CaptionsAndLabelsNameEveryControl) {
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Scheduler/Clock Configuration"));
    const std::pair<const char*, const char*> named[] = {{"SetPointNumSet", "Setpoint Number"},
                                                         {"DOWSet", "Day Of The Week"},
                                                         {"HoursSet", "Start Hours"},
                                                         {"MinutesSet", "Start Minutes"},
                                                         {"MacroSet", "Macro To Run"},
                                                         {"WeekSet", "Week Of The Month"},
                                                         {"ClockCorrectionSet", "Clock Correction"},
                                                         {"DOMEnable", "Monthly"},
                                                         {"SayYearSet", "Say Year"},
                                                         {"TwentyFourSet", "24 Hour Readback"},
                                                         {"HoursSelect", "Say Hours"},
                                                         {"USDate", "United States"},
                                                         {"InternationalDate", "International"},
                                                         {"ClockSet", "Set Clock"},
                                                         {"Apply", "&Apply"},
                                                         {"CancelChanges", "&Cancel Changes"}};
    for (const auto& [name, caption] : named) {
        QWidget* control = widget<QWidget>(name);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            EXPECT_EQ(button->text(), QString::fromLatin1(caption)) << name;
        else
            EXPECT_EQ(test::accessibleName(control), QString::fromLatin1(caption)) << name;
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
    test::choose(setPoint, QStringLiteral("7"));
    test::choose(widget<QComboBox>("MacroSet"), QStringLiteral("42"));
    test::choose(setPoint, QStringLiteral("9"));
    widget<QCheckBox>("DOMEnable")->click();
    EXPECT_TRUE(week->isEnabled());
    test::choose(setPoint, QStringLiteral("7"));
    EXPECT_EQ(widget<QComboBox>("MacroSet")->currentText(), QStringLiteral("42"));
    EXPECT_FALSE(week->isEnabled());

    // "Say Hours" follows "24 Hour Readback".
    auto* sayHours = widget<QCheckBox>("HoursSelect");
    EXPECT_FALSE(sayHours->isEnabled());
    widget<QCheckBox>("TwentyFourSet")->click();
    EXPECT_TRUE(sayHours->isEnabled());

    widget<QPushButton>("Apply")->click();
    EXPECT_EQ(db.pendingNames(),
              (texts({"SetPointPending(7)", "SetPointPending(9)", "TwentyFourPending"})));
    EXPECT_EQ(db.value(u"MacroToRun", 7), QStringLiteral("42"));
    EXPECT_EQ(db.value(u"Monthly", 9), QStringLiteral("1"));
    EXPECT_TRUE(db.groupChanged(Group::Scheduler));
    EXPECT_FALSE(db.settingsSaved());

    // Cancel Changes puts back what was not applied and keeps the set point shown.
    test::choose(widget<QComboBox>("HoursSet"), QStringLiteral("3 PM"));
    widget<QPushButton>("CancelChanges")->click();
    EXPECT_EQ(setPoint->currentText(), QStringLiteral("7"));
    EXPECT_EQ(widget<QComboBox>("HoursSet")->currentText(), QStringLiteral("Disabled"));
    EXPECT_EQ(editor->workingCopy(u"Hours", 7), QStringLiteral("25"));
    db.setAllPending(false);
    db.setSettingsSaved(true);
    editor->apply();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_TRUE(db.settingsSaved());
}

TEST_F(SchedulerEditorTest, TheDateFormatIsWrittenIntoTheOpenFileAtOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.dat"));
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
    EXPECT_EQ(db.value(u"DateFormat"), QStringLiteral("True"));
    EXPECT_TRUE(db.settingsSaved());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray expected = before;
    expected.replace("\r\nDateFormat=False\r\n", "\r\nDateFormat=True\r\n");
    EXPECT_EQ(file.readAll(), expected);
    file.close();
    SchedulerEditor reopened(db, messages);
    EXPECT_TRUE(reopened.control<QRadioButton>(QStringLiteral("InternationalDate"))->isChecked());

    // A file that cannot be written is said so; the program still uses the choice.
    editor->setDatabaseFileSource([&] { return dir.filePath(QStringLiteral("no/such/site.dat")); });
    widget<QRadioButton>("USDate")->click();
    EXPECT_EQ(db.value(u"DateFormat"), QStringLiteral("False"));
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_TRUE(messages.calls[0].text.startsWith(
        QStringLiteral("The date format could not be written into ")));
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
        runner.useSerial(std::make_unique<EmulatorChannel>(QStringLiteral("emulator"), emulator));
        runner.setClock([] { return QDateTime(QDate(2026, 1, 5), QTime(13, 5, 9)); });
        editor = std::make_unique<SchedulerEditor>(db, messages);
        editor->setActionRunner(&runner);
        widget<QRadioButton>(c.format)->click();
        runner.setInternationalDates(db.value(u"DateFormat") == QLatin1String("True"));
        widget<QPushButton>("ClockSet")->click();
        EXPECT_EQ(emulator->memory().keptValue(QStringLiteral("ClockDate")),
                  QString::fromLatin1(c.date));
        EXPECT_EQ(emulator->memory().keptValue(QStringLiteral("ClockTime")),
                  QString::fromLatin1(c.time));
        ASSERT_FALSE(person.messages().isEmpty());
        EXPECT_EQ(person.messages().last().text,
                  QStringLiteral("Clock and Calendar have been successfully set"));
        EXPECT_EQ(person.messages().last().title, QStringLiteral("Done"));
        EXPECT_TRUE(widget<QPushButton>("ClockSet")->isEnabled());
    }
    // Without a link the button says so.
    editor->setActionRunner(nullptr);
    widget<QPushButton>("ClockSet")->click();
    EXPECT_EQ(messages.messageTexts().last(),
              QStringLiteral("No link to the Tarsis is available."));
}

} // namespace
} // namespace kovo
