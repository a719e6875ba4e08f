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

namespace kovo {
namespace {

using test::choose;

void type(QLineEdit* box, const QString& text) {
    test::typeInto(box, text);
}
void leave(QLineEdit* box) {
    test::leaveBox(box);
}

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
        const QString flag = c.index
                                 ? QStringLiteral("%1(%2)").arg(QLatin1String(c.flag)).arg(c.index)
                                 : QString::fromLatin1(c.flag);
        EXPECT_EQ(db.pendingNames(), QStringList{flag});
    }
    // An option pair shows the stored value: "1" selects the second button, anything else the
    // first; the access mode shows its entry.
    db.setValue(u"CTCSSCT", 1, QStringLiteral("1"));
    db.setValue(u"PLEncodePolarity", 1, QStringLiteral("7"));
    db.setValue(u"PLAccess", 1, QStringLiteral("1"));
    editor = std::make_unique<PortSwitchesEditor>(db, messages);
    EXPECT_TRUE(widget<QRadioButton>(QStringLiteral("PLCT(1)"))->isChecked());
    EXPECT_TRUE(widget<QRadioButton>(QStringLiteral("PLLow(1)"))->isChecked());
    EXPECT_EQ(widget<QComboBox>(QStringLiteral("AccessMode(1)"))->currentText(),
              QStringLiteral("Tone & Carrier"));
}

TEST_F(PortSwitchesEditorTest, CaptionsAndLabelsNameEveryControl) {
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Port Switches"));
    QStringList texts;
    for (const QAbstractButton* button : editor->findChildren<QAbstractButton*>())
        texts << button->text();
    for (const QGroupBox* frame : editor->findChildren<QGroupBox*>())
        texts << frame->title();
    for (const char* caption : {"Transmitter Enable",
                                "Receiver Enable",
                                "Repeater Mode",
                                "DTMF Enable",
                                "DTMF Require Tone",
                                "DTMF Mute",
                                "DTMF Covertone",
                                "Monitor Mix",
                                "Kerchunk Filter",
                                "Speech Override",
                                "Speech ID Override",
                                "Disable Inactivity Timer",
                                "ON During ID/Speech",
                                "Timer Starts After COS",
                                "Timer Starts After CT",
                                "Lo",
                                "Hi",
                                "COS",
                                "Tone",
                                "Port 1",
                                "Port 3",
                                "Tone Encode Control",
                                "Tone Encode Polarity",
                                "DTMF Evaluate On Closure",
                                "Alarms",
                                "Alarm 5",
                                "Allow Speech w/Terminator",
                                "&Apply",
                                "C&ancel Changes"})
        EXPECT_EQ(texts.count(QString::fromLatin1(caption)),
                  QString::fromLatin1(caption).startsWith(QLatin1String("Port ")) ||
                          QString::fromLatin1(caption).contains(QLatin1String("&")) ||
                          QString::fromLatin1(caption).startsWith(QLatin1String("Al"))
                      ? 1
                      : 3)
            << caption;
    EXPECT_EQ(widget<QPushButton>(QStringLiteral("Cancel"))->text(),
              QStringLiteral("C&ancel Changes"));
    const QStringList access = {QStringLiteral("Carrier"), QStringLiteral("Tone & Carrier"),
                                QStringLiteral("Tone Only")};
    auto* mode = widget<QComboBox>(QStringLiteral("AccessMode(2)"));
    for (int i = 0; i < mode->count(); ++i)
        EXPECT_EQ(mode->itemText(i), access[i]);
    auto* tail = widget<QComboBox>(QStringLiteral("TailMessageNumSet(2)"));
    EXPECT_EQ(tail->itemText(0), QStringLiteral("NONE"));
    EXPECT_EQ(tail->count(), 4);
    EXPECT_EQ(widget<QComboBox>(QStringLiteral("MessageNumSet(2)"))->count(), 90);
    const std::pair<const char*, const char*> named[] = {{"AccessMode(3)", "Access Mode"},
                                                         {"TailMessageNumSet(3)", "Tail Message"},
                                                         {"MessageNumSet(3)", "Macro To Use"},
                                                         {"TailCounterSet(3)", "Tail Counter"}};
    for (const auto& [name, caption] : named)
        EXPECT_EQ(test::accessibleName(widget<QWidget>(QString::fromLatin1(name))),
                  QString::fromLatin1(caption));
}

TEST_F(PortSwitchesEditorTest, TailMessagesPickTheMacroListAndNoneClearsCounterAndTimer) {
    db.setValue(u"TailMessageNum", 1, QStringLiteral("2"));
    db.setValue(u"TailCounter", 1, QStringLiteral("9"));
    db.setValue(u"AnnounceTime", 1, QStringLiteral("120"));
    db.setValue(u"P1MessageNum", 2, QStringLiteral("17"));
    db.setValue(u"P3MessageNum", 2, QStringLiteral("5"));
    editor = std::make_unique<PortSwitchesEditor>(db, messages);
    auto* macro1 = widget<QComboBox>(QStringLiteral("MessageNumSet(1)"));
    auto* macro3 = widget<QComboBox>(QStringLiteral("MessageNumSet(3)"));
    EXPECT_TRUE(macro1->isVisibleTo(editor.get()));
    EXPECT_EQ(macro1->currentText(), QStringLiteral("17"));
    EXPECT_FALSE(macro3->isVisibleTo(editor.get())); // the default tail message is NONE
    EXPECT_FALSE(widget<QLineEdit>(QStringLiteral("TailCounterSet(3)"))->isVisibleTo(editor.get()));

    // Tail message 2 on port 3, then macro 45: P3MessageNum(2), shown red until applied.
    choose(widget<QComboBox>(QStringLiteral("TailMessageNumSet(3)")), QStringLiteral("2"));
    EXPECT_EQ(editor->currentTailMessage(), 2);
    EXPECT_TRUE(macro3->isVisibleTo(editor.get()));
    EXPECT_EQ(macro3->currentText(), QStringLiteral("5"));
    choose(macro3, QStringLiteral("45"));
    EXPECT_EQ(macro3->palette().color(QPalette::ButtonText), EditorWindow::changedColour());

    // NONE on port 1 hides its list and counter; Apply zeroes counter and tail-message timer.
    choose(widget<QComboBox>(QStringLiteral("TailMessageNumSet(1)")), QStringLiteral("NONE"));
    EXPECT_FALSE(macro1->isVisibleTo(editor.get()));
    EXPECT_FALSE(widget<QLabel>(QStringLiteral("TailCounterLabel(1)"))->isVisibleTo(editor.get()));
    editor->apply();
    EXPECT_EQ(db.value(u"P3MessageNum", 2), QStringLiteral("45"));
    EXPECT_EQ(db.value(u"TailMessageNum", 3), QStringLiteral("2"));
    EXPECT_EQ(db.value(u"TailMessageNum", 1), QStringLiteral("0"));
    EXPECT_EQ(db.value(u"TailCounter", 1), QStringLiteral("0"));
    EXPECT_EQ(db.value(u"AnnounceTime", 1), QStringLiteral("0"));
    EXPECT_EQ(macro3->palette().color(QPalette::ButtonText), EditorWindow::unchangedColour());
    EXPECT_EQ(db.pendingNames(), (QStringList{QStringLiteral("AnnounceTimePending(1)"),
                                              QStringLiteral("TailMessageNumPending(1)"),
                                              QStringLiteral("TailMessageNumPending(3)"),
                                              QStringLiteral("PortMessageNumPending(2)"),
                                              QStringLiteral("TailCounterPending(1)")}));
    EXPECT_TRUE(db.groupChanged(Group::Timers));
    EXPECT_TRUE(db.groupChanged(Group::PortSwitches));
}

TEST_F(PortSwitchesEditorTest, TailCounterAcceptsUpTo254) {
    db.setValue(u"TailMessageNum", 2, QStringLiteral("1"));
    editor = std::make_unique<PortSwitchesEditor>(db, messages);
    auto* counter = widget<QLineEdit>(QStringLiteral("TailCounterSet(2)"));
    EXPECT_TRUE(EditorWindow::isDigitsOnly(counter));
    type(counter, QStringLiteral("254"));
    leave(counter);
    EXPECT_TRUE(messages.calls.isEmpty());
    type(counter, QStringLiteral("255"));
    leave(counter);
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(messages.calls[0].text,
              QStringLiteral("The Tail Counter value must be between 0 and 254"));
    EXPECT_EQ(messages.calls[0].title, QStringLiteral("Try Again!"));
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
    db.setValue(u"InActiveTime", 2, QStringLiteral("30"));
    db.setValue(u"AnnounceTime", 3, QStringLiteral("60"));
    editor.reset();
    PortSwitchesEditor* switches = coupling.portSwitches();
    ASSERT_EQ(timers, nullptr);
    widget<QCheckBox>(QStringLiteral("DisableTimeout(2)"))->click();
    switches->apply();
    ASSERT_NE(timers, nullptr);
    EXPECT_EQ(db.value(u"InActiveTime", 2), QStringLiteral("0"));
    EXPECT_TRUE(db.pending(u"InActiveTimePending", 2));
    EXPECT_EQ(db.value(u"AnnounceTime", 3), QStringLiteral("0")); // port 3 has no tail message
    auto* inactive = timers->control<QLineEdit>(QStringLiteral("InactiveTimer(2)"));
    EXPECT_EQ(inactive->text(), QStringLiteral("0"));
    EXPECT_EQ(timers->control<QLineEdit>(QStringLiteral("AnnounceTimer(3)"))->text(),
              QStringLiteral("0"));
    EXPECT_EQ(EditorWindow::textColour(inactive), EditorWindow::unchangedColour());
    db.setAllPending(false);
    timers->apply();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_EQ(db.value(u"DisableTimeout", 2), QStringLiteral("1"));

    // Timers to port switches: the check box follows, so its Apply keeps the derived value.
    type(inactive, QStringLiteral("15"));
    timers->apply();
    EXPECT_EQ(db.value(u"DisableTimeout", 2), QStringLiteral("0"));
    EXPECT_FALSE(widget<QCheckBox>(QStringLiteral("DisableTimeout(2)"))->isChecked());
    switches->apply();
    EXPECT_EQ(db.value(u"InActiveTime", 2), QStringLiteral("15"));
    EXPECT_EQ(db.value(u"DisableTimeout", 2), QStringLiteral("0"));

    // Cancel Changes in the timers editor derives again, and a port switches window not yet
    // made is made hidden to follow.
    editor.reset();
    db.setValue(u"InActiveTime", 1, QStringLiteral("0"));
    timers->cancelChanges();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(widget<QCheckBox>(QStringLiteral("DisableTimeout(1)"))->isChecked());
    EXPECT_EQ(editor->workingCopy(u"DisableTimeout", 1), QStringLiteral("1"));
}

TEST_F(PortSwitchesEditorTest, ApplyMarksOnlyWhatChangedAndTheFileKeepsIt) {
    editor->apply();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_TRUE(db.settingsSaved());

    widget<QCheckBox>(QStringLiteral("SpeechIDOverride(1)"))->click();
    widget<QPushButton>(QStringLiteral("Apply"))->click();
    EXPECT_TRUE(db.groupChanged(Group::PortSwitches));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(db.pendingNames(), QStringList{QStringLiteral("SpeechIDOverridePending(1)")});

    // Cancel Changes puts back what was not applied.
    choose(widget<QComboBox>(QStringLiteral("AccessMode(1)")), QStringLiteral("Tone Only"));
    widget<QPushButton>(QStringLiteral("Cancel"))->click();
    EXPECT_EQ(widget<QComboBox>(QStringLiteral("AccessMode(1)"))->currentText(),
              QStringLiteral("Carrier"));
    EXPECT_EQ(editor->workingCopy(u"PLAccess", 1), QStringLiteral("0"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("switches.dat"));
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    Database loaded;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(loaded, path, log).errorLines.isEmpty());
    PortSwitchesEditor reopened(loaded, messages);
    EXPECT_FALSE(reopened.control<QCheckBox>(QStringLiteral("SpeechIDOverride(1)"))->isChecked());
}

} // namespace
} // namespace kovo
