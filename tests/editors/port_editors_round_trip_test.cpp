#include "editor_test_support.h"
#include "editors/courtesy_editor.h"
#include "editors/port_switches_editor.h"
#include "editors/recording_message_service.h"
#include "editors/scheduler_editor.h"

#include <QAbstractButton>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

// Each editor's changes go the whole road: typed and chosen, applied, sent by "Update Changes
// Only" to the emulated Tarsis, downloaded from its memory, and shown by the editor reopened on
// what came back.
TEST(PortEditorsRoundTrip, EditedValuesComeBackFromTheController) {
    using Edit = std::function<void(EditorWindow&)>;
    auto button = [](EditorWindow& e, const char* name) {
        e.control<QAbstractButton>(QString::fromLatin1(name))->click();
    };
    auto choose = [](EditorWindow& e, const char* name, const char* entry) {
        test::choose(e.control<QComboBox>(QString::fromLatin1(name)), QString::fromLatin1(entry));
    };
    auto type = [](EditorWindow& e, const char* name, const char* text) {
        test::typeInto(e.control<QLineEdit>(QString::fromLatin1(name)), QString::fromLatin1(text));
    };
    struct Case {
        const char* name;
        std::function<EditorWindow*(Database&, MessageService&)> open;
        Edit edit;
        Edit check;
    };
    const Case cases[] = {
        {"port switches",
         [](Database& db, MessageService& m) { return new PortSwitchesEditor(db, m); },
         [&](EditorWindow& e) {
             button(e, "SpeechIDOverride(1)");
             choose(e, "AccessMode(2)", "Tone Only");
             choose(e, "TailMessageNumSet(3)", "2");
             choose(e, "MessageNumSet(3)", "45");
             type(e, "TailCounterSet(3)", "7");
             button(e, "PLHigh(1)");
         },
         [&](EditorWindow& e) {
             EXPECT_FALSE(e.control<QAbstractButton>(u"SpeechIDOverride(1)"_s)->isChecked());
             EXPECT_EQ(e.control<QComboBox>(u"AccessMode(2)"_s)->currentText(), u"Tone Only"_s);
             EXPECT_EQ(e.control<QComboBox>(u"TailMessageNumSet(3)"_s)->currentText(), u"2"_s);
             EXPECT_EQ(e.control<QComboBox>(u"MessageNumSet(3)"_s)->currentText(), u"45"_s);
             EXPECT_EQ(e.control<QLineEdit>(u"TailCounterSet(3)"_s)->text(), u"7"_s);
             EXPECT_TRUE(e.control<QAbstractButton>(u"PLHigh(1)"_s)->isChecked());
         }},
        {"scheduler", [](Database& db, MessageService& m) { return new SchedulerEditor(db, m); },
         [&](EditorWindow& e) {
             choose(e, "SetPointNumSet", "7");
             choose(e, "DOWSet", "Sunday");
             choose(e, "HoursSet", "Every Hour");
             choose(e, "MinutesSet", "30");
             choose(e, "MacroSet", "42");
             // A slow correction ("A5") comes back from the memory image as its 16-bit word
             // (65531): the image does not carry the sign the way the command does.
             type(e, "ClockCorrectionSet", "12");
         },
         [&](EditorWindow& e) {
             choose(e, "SetPointNumSet", "7");
             EXPECT_EQ(e.control<QComboBox>(u"DOWSet"_s)->currentText(), u"Sunday"_s);
             EXPECT_EQ(e.control<QComboBox>(u"HoursSet"_s)->currentText(), u"Every Hour"_s);
             EXPECT_EQ(e.control<QComboBox>(u"MinutesSet"_s)->currentText(), u"30"_s);
             EXPECT_EQ(e.control<QComboBox>(u"MacroSet"_s)->currentText(), u"42"_s);
             EXPECT_EQ(e.control<QLineEdit>(u"ClockCorrectionSet"_s)->text(), u"12"_s);
         }},
        {"courtesy", [](Database& db, MessageService& m) { return new CourtesyEditor(db, m); },
         [&](EditorWindow& e) {
             choose(e, "CTSet", "4");
             type(e, "Tone2Set(3)", "1209");
             type(e, "Delay1Set(3)", "100");
             choose(e, "CTSet", "10");
             type(e, "Dur4Set(1)", "32767");
         },
         [&](EditorWindow& e) {
             choose(e, "CTSet", "4");
             EXPECT_EQ(e.control<QLineEdit>(u"Tone2Set(3)"_s)->text(), u"1209"_s);
             EXPECT_EQ(e.control<QLineEdit>(u"Delay1Set(3)"_s)->text(), u"100"_s);
             choose(e, "CTSet", "10");
             EXPECT_EQ(e.control<QLineEdit>(u"Dur4Set(1)"_s)->text(), u"32767"_s);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Database db;
        RecordingMessageService messages;
        testing::EmulatedTarsis tarsis;
        std::unique_ptr<EditorWindow> editor(c.open(db, messages));
        c.edit(*editor);
        editor->apply();
        ASSERT_TRUE(db.anyPending());
        EXPECT_TRUE(tarsis.updateChangesOnly(db)) << tarsis.refused.join(u' ').toStdString();
        Database downloaded = tarsis.download(Database());
        std::unique_ptr<EditorWindow> reopened(c.open(downloaded, messages));
        c.check(*reopened);
        EXPECT_TRUE(messages.calls.isEmpty());
    }
}

} // namespace
} // namespace kovo
