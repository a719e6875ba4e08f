#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "editor_test_support.h"
#include "editors/port_switches_editor.h"
#include "editors/port_timer_coupling.h"
#include "editors/recording_message_service.h"
#include "editors/timers_editor.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

using test::choose;
using test::leaveBox;
using test::typeInto;

class PortSwitchesEditorTest : public ::testing::Test {
protected:
    void SetUp() override { editor = std::make_unique<PortSwitchesEditor>(db, messages); }

    template <typename T> T* widget(const QString& name) const {
        auto* found = editor->control<T>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<PortSwitchesEditor> editor;
};

TEST_F(PortSwitchesEditorTest, EachControlStoresItsValueWithItsOwnFlag) {
    struct Case {
        const char* control; // clicked (check box, option) or chosen in (list: `entry`)
        const char* entry;
        const char* field;
        int index;
        const char* stored;
        const char* flag;
    };
    const Case cases[] = {
        {"TxEnable(1)", nullptr, "TxEnable", 1, "0", "TxEnablePending"},
        {"RxEnable(2)", nullptr, "RxEnable", 2, "0", "RxEnablePending"},
        {"FDup(3)", nullptr, "FDup", 3, "0", "FDupPending"},
        {"DTMFNeedPL(1)", nullptr, "DTMFNeedPL", 1, "1", "DTMFNeedPLPending"},
        {"Kerchunk(2)", nullptr, "Kerchunk", 2, "1", "KerchunkPending"},
        {"SpeechIDOverride(1)", nullptr, "SpeechIDOverride", 1, "0", "SpeechIDOverridePending"},
        {"PLID(3)", nullptr, "CTCSSID", 3, "1", "CTCSSIDPending"},
        {"PLCOS(2)", nullptr, "CTCSSCT", 2, "0", "CTCSSCTPending"},
        {"PLHigh(1)", nullptr, "PLEncodePolarity", 1, "1", "PLEncodePolarityPending"},
        {"PLCloseSet(3)", nullptr, "COSClose", 3, "1", "COSClosePending"},
        {"Alarm(4)", nullptr, "Alarm", 4, "0", "AlarmPending"},
        {"AllowTerminatorSpeechSet", nullptr, "AllowTerminatorSpeech", 0, "1",
         "AllowTerminatorSpeechPending"},
        {"AccessMode(2)", "Tone Only", "PLAccess", 2, "2", "PLAccessPending"},
        {"AccessMode(3)", "Tone & Carrier", "PLAccess", 3, "1", "PLAccessPending"},
        {"TailMessageNumSet(1)", "3", "TailMessageNum", 1, "3", "TailMessageNumPending"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        db.setAllPending(false);
        editor = std::make_unique<PortSwitchesEditor>(db, messages);
        const QString name = QString::fromLatin1(c.control);
        if (c.entry)
            choose(widget<QComboBox>(name), QString::fromLatin1(c.entry));
        else
            widget<QAbstractButton>(name)->click();
        EXPECT_EQ(editor->workingCopy(QString::fromLatin1(c.field), c.index),
                  QString::fromLatin1(c.stored));
        editor->apply();
        EXPECT_EQ(db.value(QString::fromLatin1(c.field), c.index), QString::fromLatin1(c.stored));
        const QString flag = c.index ? u"%1(%2)"_s.arg(QLatin1String(c.flag)).arg(c.index)
                                     : QString::fromLatin1(c.flag);
        EXPECT_EQ(db.pendingNames(), QStringList{flag});
    }
    // An option pair shows the stored value: "1" selects the second button, anything else the
    // first; the access mode shows its entry.
    db.setValue(u"CTCSSCT", 1, u"1"_s);
    db.setValue(u"PLEncodePolarity", 1, u"7"_s);
    db.setValue(u"PLAccess", 1, u"1"_s);
    editor = std::make_unique<PortSwitchesEditor>(db, messages);
    EXPECT_TRUE(widget<QRadioButton>(u"PLCT(1)"_s)->isChecked());
    EXPECT_TRUE(widget<QRadioButton>(u"PLLow(1)"_s)->isChecked());
    EXPECT_EQ(widget<QComboBox>(u"AccessMode(1)"_s)->currentText(), u"Tone & Carrier"_s);
}

TEST_F(PortSwitchesEditorTest, CaptionsAndLabelsNameEveryControl) {
    EXPECT_EQ(editor->windowTitle(), u"Port Switches"_s);
    QStringList texts;
    for (const QAbstractButton* button : editor->findChildren<QAbstractButton*>())
        texts << button->text();
    for (const QGroupBox* frame : editor->findChildren<QGroupBox*>())
        texts << frame->title();
    const QString perPort =
        u"Transmitter Enable|Receiver Enable|Repeater Mode|DTMF Enable|"
        "DTMF Require Tone|DTMF Mute|DTMF Covertone|Monitor Mix|Kerchunk Filter|"
        "Speech Override|Speech ID Override|Disable Inactivity Timer|"
        "ON During ID/Speech|Timer Starts After COS|Timer Starts After CT|Lo|"
        "Hi|COS|Tone|Tone Encode Control|Tone Encode Polarity|"
        "DTMF Evaluate On Closure"_s;
    for (const QString& caption : perPort.split(u'|'))
        EXPECT_EQ(texts.count(caption), 3) << caption.toStdString();
    for (const QString& caption :
         u"Port 1|Port 3|Alarms|Alarm 5|Allow Speech w/Terminator|&Apply"_s.split(u'|'))
        EXPECT_EQ(texts.count(caption), 1) << caption.toStdString();
    EXPECT_EQ(widget<QPushButton>(u"Cancel"_s)->text(), u"C&ancel Changes"_s);
    auto* mode = widget<QComboBox>(u"AccessMode(2)"_s);
    ASSERT_EQ(mode->count(), 3);
    EXPECT_EQ(mode->itemText(0) + u'|' + mode->itemText(1) + u'|' + mode->itemText(2),
              u"Carrier|Tone & Carrier|Tone Only"_s);
    auto* tail = widget<QComboBox>(u"TailMessageNumSet(2)"_s);
    EXPECT_EQ(tail->itemText(0), u"NONE"_s);
    EXPECT_EQ(tail->count(), 4);
    EXPECT_EQ(widget<QComboBox>(u"MessageNumSet(2)"_s)->count(), 90);
    const std::pair<const char*, const char*> named[] = {{"AccessMode(3)", "Access Mode"},
                                                         {"TailMessageNumSet(3)", "Tail Message"},
                                                         {"MessageNumSet(3)", "Macro To Use"},
                                                         {"TailCounterSet(3)", "Tail Counter"}};
    for (const auto& [name, caption] : named)
        EXPECT_EQ(test::accessibleName(widget<QWidget>(QString::fromLatin1(name))),
                  QString::fromLatin1(caption));
}

TEST_F(PortSwitchesEditorTest, TailMessagesPickTheMacroListAndNoneClearsCounterAndTimer) {
    db.setValue(u"TailMessageNum", 1, u"2"_s);
    db.setValue(u"TailCounter", 1, u"9"_s);
    db.setValue(u"AnnounceTime", 1, u"120"_s);
    db.setValue(u"P1MessageNum", 2, u"17"_s);
    db.setValue(u"P3MessageNum", 2, u"5"_s);
    editor = std::make_unique<PortSwitchesEditor>(db, messages);
    auto* macro1 = widget<QComboBox>(u"MessageNumSet(1)"_s);
    auto* macro3 = widget<QComboBox>(u"MessageNumSet(3)"_s);
    EXPECT_TRUE(macro1->isVisibleTo(editor.get()));
    EXPECT_EQ(macro1->currentText(), u"17"_s);
    EXPECT_FALSE(macro3->isVisibleTo(editor.get())); // the default tail message is NONE
    EXPECT_FALSE(widget<QLineEdit>(u"TailCounterSet(3)"_s)->isVisibleTo(editor.get()));

    // Tail message 2 on port 3, then macro 45: P3MessageNum(2), shown red until applied.
    choose(widget<QComboBox>(u"TailMessageNumSet(3)"_s), u"2"_s);
    EXPECT_EQ(editor->currentTailMessage(), 2);
    EXPECT_TRUE(macro3->isVisibleTo(editor.get()));
    EXPECT_EQ(macro3->currentText(), u"5"_s);
    choose(macro3, u"45"_s);
    EXPECT_EQ(macro3->palette().color(QPalette::ButtonText), EditorWindow::changedColour());

    // NONE on port 1 hides its list and counter; Apply zeroes counter and tail-message timer.
    choose(widget<QComboBox>(u"TailMessageNumSet(1)"_s), u"NONE"_s);
    EXPECT_FALSE(macro1->isVisibleTo(editor.get()));
    EXPECT_FALSE(widget<QLabel>(u"TailCounterLabel(1)"_s)->isVisibleTo(editor.get()));
    editor->apply();
    EXPECT_EQ(db.value(u"P3MessageNum", 2), u"45"_s);
    EXPECT_EQ(db.value(u"TailMessageNum", 3), u"2"_s);
    EXPECT_EQ(db.value(u"TailMessageNum", 1), u"0"_s);
    EXPECT_EQ(db.value(u"TailCounter", 1), u"0"_s);
    EXPECT_EQ(db.value(u"AnnounceTime", 1), u"0"_s);
    EXPECT_EQ(macro3->palette().color(QPalette::ButtonText), EditorWindow::unchangedColour());
    EXPECT_EQ(db.pendingNames(),
              (QStringList{u"AnnounceTimePending(1)"_s, u"TailMessageNumPending(1)"_s,
                           u"TailMessageNumPending(3)"_s, u"PortMessageNumPending(2)"_s,
                           u"TailCounterPending(1)"_s}));
    EXPECT_TRUE(db.groupChanged(Group::Timers));
    EXPECT_TRUE(db.groupChanged(Group::PortSwitches));
}

TEST_F(PortSwitchesEditorTest, TailCounterAcceptsUpTo254) {
    db.setValue(u"TailMessageNum", 2, u"1"_s);
    editor = std::make_unique<PortSwitchesEditor>(db, messages);
    auto* counter = widget<QLineEdit>(u"TailCounterSet(2)"_s);
    EXPECT_TRUE(EditorWindow::isDigitsOnly(counter));
    typeInto(counter, u"254"_s);
    leaveBox(counter);
    EXPECT_TRUE(messages.calls.isEmpty());
    typeInto(counter, u"255"_s);
    leaveBox(counter);
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(messages.calls[0].text, u"The Tail Counter value must be between 0 and 254"_s);
    EXPECT_EQ(messages.calls[0].title, u"Try Again!"_s);
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
    EXPECT_EQ(counter->text(), db.value(u"TailCounter", 2));
}

TEST_F(PortSwitchesEditorTest, TimersAndPortSwitchesFollowEachOther) {
    // Each editor is made on first need, as the main window does.
    std::unique_ptr<TimersEditor> timers;
    PortTimerCoupling coupling(
        [&] {
            if (!timers) {
                timers = std::make_unique<TimersEditor>(db, messages);
                coupling.attach(timers.get());
            }
            return timers.get();
        },
        [&] {
            if (!editor) {
                editor = std::make_unique<PortSwitchesEditor>(db, messages);
                coupling.attach(editor.get());
            }
            return editor.get();
        });
    db.setValue(u"InActiveTime", 2, u"30"_s);
    db.setValue(u"AnnounceTime", 3, u"60"_s);
    editor.reset();
    PortSwitchesEditor* switches = coupling.portSwitches();
    ASSERT_EQ(timers, nullptr);
    widget<QCheckBox>(u"DisableTimeout(2)"_s)->click();
    switches->apply();
    ASSERT_NE(timers, nullptr);
    EXPECT_EQ(db.value(u"InActiveTime", 2), u"0"_s);
    EXPECT_TRUE(db.pending(u"InActiveTimePending", 2));
    EXPECT_EQ(db.value(u"AnnounceTime", 3), u"0"_s); // port 3 has no tail message
    auto* inactive = timers->control<QLineEdit>(u"InactiveTimer(2)"_s);
    EXPECT_EQ(inactive->text(), u"0"_s);
    EXPECT_EQ(timers->control<QLineEdit>(u"AnnounceTimer(3)"_s)->text(), u"0"_s);
    EXPECT_EQ(EditorWindow::textColour(inactive), EditorWindow::unchangedColour());
    db.setAllPending(false);
    timers->apply();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_EQ(db.value(u"DisableTimeout", 2), u"1"_s);

    // Timers to port switches: the check box follows, so its Apply keeps the derived value.
    typeInto(inactive, u"15"_s);
    timers->apply();
    EXPECT_EQ(db.value(u"DisableTimeout", 2), u"0"_s);
    EXPECT_FALSE(widget<QCheckBox>(u"DisableTimeout(2)"_s)->isChecked());
    switches->apply();
    EXPECT_EQ(db.value(u"InActiveTime", 2), u"15"_s);
    EXPECT_EQ(db.value(u"DisableTimeout", 2), u"0"_s);

    // Cancel Changes in the timers editor derives again, and a port switches window not yet
    // made is made hidden to follow.
    editor.reset();
    db.setValue(u"InActiveTime", 1, u"0"_s);
    timers->cancelChanges();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(widget<QCheckBox>(u"DisableTimeout(1)"_s)->isChecked());
    EXPECT_EQ(editor->workingCopy(u"DisableTimeout", 1), u"1"_s);
}

TEST_F(PortSwitchesEditorTest, ApplyMarksOnlyWhatChangedAndTheFileKeepsIt) {
    editor->apply();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_TRUE(db.settingsSaved());

    widget<QCheckBox>(u"SpeechIDOverride(1)"_s)->click();
    widget<QPushButton>(u"Apply"_s)->click();
    EXPECT_TRUE(db.groupChanged(Group::PortSwitches));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(db.pendingNames(), QStringList{u"SpeechIDOverridePending(1)"_s});

    // Cancel Changes puts back what was not applied.
    choose(widget<QComboBox>(u"AccessMode(1)"_s), u"Tone Only"_s);
    widget<QPushButton>(u"Cancel"_s)->click();
    EXPECT_EQ(widget<QComboBox>(u"AccessMode(1)"_s)->currentText(), u"Carrier"_s);
    EXPECT_EQ(editor->workingCopy(u"PLAccess", 1), u"0"_s);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"switches.dat"_s);
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    Database loaded = test::reloaded(path);
    PortSwitchesEditor reopened(loaded, messages);
    EXPECT_FALSE(reopened.control<QCheckBox>(u"SpeechIDOverride(1)"_s)->isChecked());
}

} // namespace
} // namespace kovo
