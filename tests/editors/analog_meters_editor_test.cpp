#include "editor_test_support.h"
#include "editors/analog_meters_editor.h"
#include "editors/editor_window.h"
#include "editors/recording_message_service.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kovo {
namespace {

using namespace kovo::test;

class AnalogMetersEditorTest : public ::testing::Test {
protected:
    void SetUp() override { editor = std::make_unique<AnalogMetersEditor>(db, messages); }

    template <typename T> T* widget(const QString& name) const {
        auto* found = editor->control<T>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    // The calibration boxes are the framework's working copies, the rest the editor's own.
    QString shown(const QString& field, int index) const {
        const bool calibration =
            field.startsWith(u"Real") || field == u"MeterLow" || field == u"MeterHigh";
        return calibration ? editor->workingCopy(field, index)
                           : editor->ownWorkingCopy(field, index);
    }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<AnalogMetersEditor> editor;
};

TEST_F(AnalogMetersEditorTest, EachControlStoresWhatTheFieldHolds) {
    struct Case {
        const char* control;
        const char* entry; // chosen list entry, or typed text for a box
        int alarm;         // the alarm shown first; 0 for meter controls
        const char* field;
        int index;
        const char* stored;
    };
    const Case cases[] = {
        {"RealLowSetting(1)", "012", 0, "RealLow", 1, "12"},
        {"MeterHighSetting(8)", "2x55", 0, "MeterHigh", 8, "255"},
        {"MeterLowSetting(4)", "", 0, "MeterLow", 4, "0"},
        {"VrefSetting", "0480", 0, "Vref", 0, "480"},
        {"MeterType(3)", "Percent", 0, "Meter", 3, "6"},
        {"MeterType(1)", "None", 0, "Meter", 1, "0"},
        {"MeterType(5)", "Degrees", 0, "Meter", 5, "4"},
        {"MeterAlarmTypeSet", "None", 4, "MeterAlarmType", 4, "0"},
        {"MeterAlarmTypeSet", "High", 4, "MeterAlarmType", 4, "2"},
        {"MeterAlarmTypeSet", "Low", 10, "MeterAlarmType", 10, "1"},
        {"MeterNumSet", "7", 2, "MeterNum", 2, "7"},
        {"MeterMacroSet", "90", 6, "MeterMacro", 6, "90"},
        {"MeterSetPointSet", "13.8", 9, "MeterSetPoint", 9, "13.8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " <- " + c.entry);
        editor = std::make_unique<AnalogMetersEditor>(db, messages);
        if (c.alarm > 0)
            choose(widget<QComboBox>(QStringLiteral("MeterAlarmNumSet")), QString::number(c.alarm));
        const QString name = QString::fromLatin1(c.control);
        const QString field = QString::fromLatin1(c.field);
        if (auto* box = editor->control<QLineEdit>(name)) {
            typeInto(box, QString::fromLatin1(c.entry));
            EXPECT_EQ(EditorWindow::textColour(box) == EditorWindow::changedColour(),
                      db.value(field, c.index) != QLatin1String(c.stored));
        } else {
            choose(widget<QComboBox>(name), QString::fromLatin1(c.entry));
        }
        EXPECT_EQ(shown(field, c.index), QString::fromLatin1(c.stored));
        editor->apply();
        EXPECT_EQ(db.value(field, c.index), QString::fromLatin1(c.stored));
        if (field == u"MeterAlarmType") {
            EXPECT_EQ(db.meterAlarmOn(c.index), QLatin1String(c.stored) != QLatin1String("0"));
        }
    }
    // Nothing here is refused and nothing asks.
    EXPECT_TRUE(messages.calls.isEmpty());
}

TEST_F(AnalogMetersEditorTest, CalibrationLineShowsHowReadingsAreScaled) {
    struct Case {
        const char* type;
        const char* realLow;
        const char* meterLow;
        const char* realHigh;
        const char* meterHigh;
        const char* line;
    };
    const Case cases[] = {
        {"Volts", "0", "0", "15", "255", "reading 0–255 → 0.0–15.0 Volts, 0.059 Volts per step"},
        {"Amps", "0", "0", "10", "100", "reading 0–255 → 0.0–25.5 Amps, 0.100 Amps per step"},
        {"Degrees", "32", "50", "212", "230",
         "reading 0–255 → -18.0–237.0 Degrees, 1.000 Degrees per step"},
        {"Percent", "100", "0", "0", "255",
         "reading 0–255 → 100.0–0.0 Percent, -0.392 Percent per step"},
        {"None", "0", "0", "255", "255", "reading 0–255 → 0.0–255.0, 1.000 per step"},
        {"Volts", "0", "128", "15", "128", "needs two different points"},
        {"Watts", "5", "0", "5", "0", "needs two different points"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.line);
        choose(widget<QComboBox>(QStringLiteral("MeterType(6)")), QString::fromLatin1(c.type));
        typeInto(widget<QLineEdit>(QStringLiteral("RealLowSetting(6)")),
                 QString::fromLatin1(c.realLow));
        typeInto(widget<QLineEdit>(QStringLiteral("MeterLowSetting(6)")),
                 QString::fromLatin1(c.meterLow));
        typeInto(widget<QLineEdit>(QStringLiteral("RealHighSetting(6)")),
                 QString::fromLatin1(c.realHigh));
        typeInto(widget<QLineEdit>(QStringLiteral("MeterHighSetting(6)")),
                 QString::fromLatin1(c.meterHigh));
        EXPECT_EQ(widget<QLabel>(QStringLiteral("Calibration(6)"))->text(),
                  QString::fromUtf8(c.line));
    }
}

TEST_F(AnalogMetersEditorTest, ApplySetsTheSharedFlagsAndSaveWritesTheAnalogGroup) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("analog.dat"));
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);

    editor->apply();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_TRUE(db.settingsSaved());
    EXPECT_FALSE(db.groupChanged(Group::Analog));

    // The reference voltage alone is meter flag 9.
    typeInto(widget<QLineEdit>(QStringLiteral("VrefSetting")), QStringLiteral("512"));
    widget<QPushButton>(QStringLiteral("Apply"))->click();
    EXPECT_EQ(db.pendingNames(), QStringList{QStringLiteral("MeterPending(9)")});
    EXPECT_TRUE(db.groupChanged(Group::Analog));
    EXPECT_FALSE(db.settingsSaved());

    // Two fields of meter 2 share its flag; an alarm's fields share the alarm's.
    db.setAllPending(false);
    typeInto(widget<QLineEdit>(QStringLiteral("RealHighSetting(2)")), QStringLiteral("150"));
    choose(widget<QComboBox>(QStringLiteral("MeterType(2)")), QStringLiteral("Watts"));
    choose(widget<QComboBox>(QStringLiteral("MeterAlarmNumSet")), QStringLiteral("4"));
    choose(widget<QComboBox>(QStringLiteral("MeterAlarmTypeSet")), QStringLiteral("High"));
    choose(widget<QComboBox>(QStringLiteral("MeterNumSet")), QStringLiteral("2"));
    editor->apply();
    EXPECT_EQ(db.pendingNames(), (QStringList{QStringLiteral("MeterPending(2)"),
                                              QStringLiteral("MeterAlarmPending(4)")}));
    EXPECT_TRUE(db.meterAlarmOn(4));
    EXPECT_FALSE(db.meterAlarmOn(5));

    // Save writes the analog group: the file holds the applied values.
    ASSERT_TRUE(writeDatabase(db, path).ok);
    EXPECT_FALSE(db.groupChanged(Group::Analog));
    const Database saved = reloaded(path);
    EXPECT_EQ(saved.value(u"Vref"), QStringLiteral("512"));
    EXPECT_EQ(saved.value(u"RealHigh", 2), QStringLiteral("150"));
    EXPECT_EQ(saved.value(u"Meter", 2), QStringLiteral("3"));
    EXPECT_EQ(saved.value(u"MeterAlarmType", 4), QStringLiteral("2"));
    EXPECT_EQ(saved.value(u"MeterNum", 4), QStringLiteral("2"));

    // Cancel Changes shows alarm 1 again, with what the database holds.
    typeInto(widget<QLineEdit>(QStringLiteral("MeterSetPointSet")), QStringLiteral("99"));
    editor->cancelChanges();
    EXPECT_EQ(widget<QComboBox>(QStringLiteral("MeterAlarmNumSet"))->currentText(), u"1");
    EXPECT_EQ(widget<QLineEdit>(QStringLiteral("MeterSetPointSet"))->text(),
              db.value(u"MeterSetPoint", 1));
}

} // namespace
} // namespace kovo
