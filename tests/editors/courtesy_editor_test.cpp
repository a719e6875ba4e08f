#include "database/database.h"
#include "database/database_file.h"
#include "editor_test_support.h"
#include "editors/controller_action_runner.h"
#include "editors/courtesy_editor.h"
#include "editors/recording_message_service.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

// Records the actions asked for; a preview "plays" until it is cancelled.
class FakeRunner : public ControllerActionRunner {
public:
    bool run(const ControllerAction& action, std::function<void(bool)> done) override {
        actions << action;
        m_done = std::move(done);
        return true;
    }
    void cancel() override {
        ++cancels;
        if (auto done = std::exchange(m_done, {}))
            done(false);
    }
    bool busy() const override { return bool(m_done); }

    QVector<ControllerAction> actions;
    int cancels = 0;

private:
    std::function<void(bool)> m_done;
};

class CourtesyEditorTest : public ::testing::Test {
protected:
    void SetUp() override { editor = std::make_unique<CourtesyEditor>(db, messages); }

    QLineEdit* box(const QString& name) const {
        auto* found = editor->control<QLineEdit>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    void chooseTone(int tone) const {
        test::choose(editor->control<QComboBox>(u"CTSet"_s), QString::number(tone));
    }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<CourtesyEditor> editor;
};

TEST_F(CourtesyEditorTest, LeavingABoxRefusesEmptyAndOutOfRangeValues) {
    struct Case {
        const char* box;
        const char* typed;
        const char* refusal; // nullptr: accepted
    };
    const Case cases[] = {
        {"Delay1Set(1)", "32767", nullptr},
        {"Delay2Set(2)", "32768", "The delay value must be less than 32768"},
        {"Delay3Set(3)", "", "The delay value must be less than 32768"},
        {"Dur4Set(1)", "32767", nullptr},
        {"Dur1Set(3)", "40000", "The duration value must be less than 32768"},
        {"Dur2Set(2)", "", "The duration value must be less than 32768"},
        {"Tone1Set(1)", "3500", nullptr},
        {"Tone8Set(2)", "3501", "The tone value must be between 0 and 3500"},
        {"Tone5Set(3)", "", "The tone value must be between 0 and 3500"},
        {"Tone2Set(1)", "0", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " = " + c.typed);
        messages.clear();
        QLineEdit* edit = box(QString::fromLatin1(c.box));
        EXPECT_TRUE(EditorWindow::isDigitsOnly(edit));
        test::typeInto(edit, QString::fromLatin1(c.typed));
        test::leaveBox(edit);
        if (!c.refusal) {
            EXPECT_TRUE(messages.calls.isEmpty());
            EXPECT_EQ(edit->text(), QString::fromLatin1(c.typed));
            continue;
        }
        ASSERT_EQ(messages.calls.size(), 1);
        EXPECT_EQ(messages.calls[0].text, QString::fromLatin1(c.refusal));
        EXPECT_EQ(messages.calls[0].title, u"Try Again!"_s);
        EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
        EXPECT_EQ(edit->text(), u"0"_s);
    }
}

TEST_F(CourtesyEditorTest, EditsOfEveryToneAreKeptAndApplyMarksTheirSegments) {
    EXPECT_EQ(editor->windowTitle(), u"Courtesy Tones"_s);
    EXPECT_EQ(test::accessibleName(box(u"Tone3Set(2)"_s)), u"Tone 3"_s);
    chooseTone(4);
    test::typeInto(box(u"Tone2Set(3)"_s), u"1209"_s);
    EXPECT_EQ(EditorWindow::textColour(box(u"Tone2Set(3)"_s)), EditorWindow::changedColour());
    chooseTone(9);
    test::typeInto(box(u"Delay4Set(1)"_s), u"0075"_s);
    EXPECT_EQ(editor->workingCopy(u"P1Delay4", 9), u"75"_s);
    chooseTone(4);
    EXPECT_EQ(box(u"Tone2Set(3)"_s)->text(), u"1209"_s);
    EXPECT_EQ(box(u"Delay4Set(1)"_s)->text(), db.value(u"P1Delay4", 4));

    editor->control<QPushButton>(u"Apply"_s)->click();
    EXPECT_EQ(db.pendingNames(),
              (QStringList{u"CourtesyPending(%1)"_s.arg(Database::courtesyIndex(1, 4, 9)),
                           u"CourtesyPending(%1)"_s.arg(Database::courtesyIndex(3, 1, 4))}));
    EXPECT_TRUE(db.groupChanged(Group::Courtesy));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(EditorWindow::textColour(box(u"Tone2Set(3)"_s)), EditorWindow::unchangedColour());

    // Cancel Changes drops what was not applied.
    test::typeInto(box(u"Dur1Set(2)"_s), u"999"_s);
    editor->control<QPushButton>(u"CancelChanges"_s)->click();
    EXPECT_EQ(editor->workingCopy(u"P2Dur1", 4), db.value(u"P2Dur1", 4));
    EXPECT_EQ(box(u"Dur1Set(2)"_s)->text(), db.value(u"P2Dur1", 4));

    QTemporaryDir dir;
    const QString path = dir.filePath(u"courtesy.dat"_s);
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    Database loaded = test::reloaded(path);
    EXPECT_EQ(loaded.value(u"P3Tone2", 4), u"1209"_s);
    EXPECT_EQ(loaded.value(u"P1Delay4", 9), u"75"_s);
}

TEST_F(CourtesyEditorTest, PreviewPlaysTheShownToneAndStopsWhenPressedAgainOrClosed) {
    FakeRunner runner;
    editor->setActionRunner(&runner);
    chooseTone(2);
    editor->findChild<QTabWidget*>(u"SSTab1"_s)->setCurrentIndex(1);
    test::typeInto(box(u"Tone1Set(2)"_s), u"697"_s);
    auto* preview = editor->control<QPushButton>(u"Preview"_s);
    EXPECT_EQ(preview->text(), u"Preview"_s);
    preview->click();
    ASSERT_EQ(runner.actions.size(), 1);
    const ControllerAction& played = runner.actions[0];
    EXPECT_EQ(played.kind, ControllerAction::Kind::PreviewCourtesyTone);
    EXPECT_EQ(played.port, 2);
    ASSERT_EQ(played.courtesyValues.size(), 16);
    EXPECT_EQ(played.courtesyValues[0], db.value(u"P2Delay1", 2));
    EXPECT_EQ(played.courtesyValues[4], db.value(u"P2Dur1", 2));
    EXPECT_EQ(played.courtesyValues[8], u"697"_s); // not applied yet
    EXPECT_TRUE(editor->previewing());

    preview->click(); // again: stops
    EXPECT_EQ(runner.cancels, 1);
    EXPECT_FALSE(editor->previewing());
    EXPECT_EQ(runner.actions.size(), 1);

    preview->click();
    editor->close();
    EXPECT_EQ(runner.cancels, 2);
    editor.reset();
    EXPECT_EQ(runner.cancels, 2);
}

TEST_F(CourtesyEditorTest, TheTimelineFollowsTheValuesTyped) {
    chooseTone(3);
    const std::pair<const char*, const char*> typed[] = {
        {"Delay1Set(1)", "100"}, {"Dur1Set(1)", "200"}, {"Tone1Set(1)", "697"},
        {"Tone2Set(1)", "1209"}, {"Delay2Set(1)", "0"}, {"Dur2Set(1)", "0"},
        {"Delay3Set(1)", "50"},  {"Dur3Set(1)", "150"}, {"Delay4Set(1)", "0"},
        {"Dur4Set(1)", "500"},   {"Tone7Set(1)", "440"}};
    for (const auto& [name, text] : typed)
        test::typeInto(box(QString::fromLatin1(name)), QString::fromLatin1(text));
    CourtesyTimeline* timeline = editor->timeline(1);
    timeline->resize(1012, 64);
    EXPECT_EQ(timeline->totalMs(), 1000);
    const QVector<CourtesyTimeline::Bar> bars = timeline->bars();
    ASSERT_EQ(bars.size(), 3); // segment 2 has no duration
    const int expected[][3] = {{1, 100, 300}, {3, 350, 500}, {4, 500, 1000}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bars[i].segment, expected[i][0]);
        EXPECT_EQ(bars[i].startMs, expected[i][1]);
        EXPECT_EQ(bars[i].endMs, expected[i][2]);
        // One millisecond is one pixel of the 1000 between the margins.
        EXPECT_DOUBLE_EQ(bars[i].rect.left() - timeline->xAt(0), expected[i][1]);
        EXPECT_DOUBLE_EQ(bars[i].rect.width(), expected[i][2] - expected[i][1]);
    }
    EXPECT_EQ(bars[0].label, u"697/1209 Hz"_s);
    EXPECT_EQ(bars[2].label, u"440/%1 Hz"_s.arg(db.value(u"P1Tone8", 3)));
    // Nothing is stored by drawing.
    EXPECT_EQ(db.value(u"P1Delay1", 3), Database().value(u"P1Delay1", 3));
    // Another tone shows its own shape.
    chooseTone(1);
    EXPECT_EQ(timeline->totalMs(), 2000); // the defaults: four pauses and tones of 250 ms
}

} // namespace
} // namespace kovo
