#include "editor_test_support.h"
#include "editors/courtesy_editor.h"

#include <QTabWidget>

namespace kovo::test {

using CourtesyEditorTest = EditorTest<CourtesyEditor>;

// A refused value shows as 0.
TEST_F(CourtesyEditorTest, LeavingABoxRefusesEmptyAndOutOfRangeValues) {
    const char* delay = "The delay value must be less than 32768";
    const char* duration = "The duration value must be less than 32768";
    const char* tone = "The tone value must be between 0 and 3500";
    expectEdits({
        typed("Delay1Set(1)=32767|~", "Delay1Set(1)=32767"),
        typed("Delay2Set(2)=32768|~", "Delay2Set(2)=0", delay),
        typed("Delay3Set(3)=|~", "Delay3Set(3)=0", delay),
        typed("Dur4Set(1)=32767|~", "Dur4Set(1)=32767"),
        typed("Dur1Set(3)=32768|~", "Dur1Set(3)=0", duration),
        typed("Dur2Set(2)=|~", "Dur2Set(2)=0", duration),
        typed("Tone1Set(1)=3500|~", "Tone1Set(1)=3500"),
        typed("Tone8Set(2)=3501|~", "Tone8Set(2)=0", tone),
        typed("Tone5Set(3)=|~", "Tone5Set(3)=0", tone),
        typed("Tone2Set(1)=0|~", "Tone2Set(1)=0"),
    });
    for (const char* box : {"Delay1Set(1)", "Dur4Set(2)", "Tone8Set(3)"})
        EXPECT_TRUE(EditorWindow::isDigitsOnly(get(QString::fromLatin1(box)))) << box;
}

TEST_F(CourtesyEditorTest, PreviewPlaysTheShownToneAndStopsWhenPressedAgainOrClosed) {
    editor->setActionRunner(&runner);
    editor->findChild<QTabWidget*>(u"SSTab1"_s)->setCurrentIndex(1);
    edit("CTSet=2|Delay1Set(2)=11|Dur1Set(2)=22|Tone1Set(2)=697|Tone8Set(2)=1633");
    auto* preview = get<QPushButton>(u"Preview"_s);
    EXPECT_EQ(preview->text(), u"Preview"_s);
    preview->click();
    ASSERT_EQ(runner.actions.size(), 1u);
    const ControllerAction& played = runner.actions[0];
    EXPECT_EQ(played.kind, ControllerAction::Kind::PreviewCourtesyTone);
    EXPECT_EQ(played.port, 2);
    // Four delays, four durations and eight tones of the shown tone, not yet applied.
    EXPECT_EQ(played.courtesyValues.join(u' '),
              u"11 250 250 250 22 250 250 250 697 0 0 0 0 0 0 1633"_s);
    EXPECT_TRUE(editor->previewing());

    preview->click(); // again: stops
    EXPECT_EQ(runner.cancels, 1);
    EXPECT_FALSE(editor->previewing());
    EXPECT_EQ(runner.actions.size(), 1u);
    preview->click();
    editor->close();
    EXPECT_EQ(runner.cancels, 2);
    editor.reset();
    EXPECT_EQ(runner.cancels, 2);
}

TEST_F(CourtesyEditorTest, TheTimelineFollowsTheValuesTyped) {
    edit("CTSet=3|Delay1Set(1)=100|Dur1Set(1)=200|Tone1Set(1)=697|Tone2Set(1)=1209|Delay2Set(1)=0|"
         "Dur2Set(1)=0|Delay3Set(1)=50|Dur3Set(1)=150|Delay4Set(1)=0|Dur4Set(1)=500|Tone7Set(1)="
         "440");
    CourtesyTimeline* timeline = editor->timeline(1);
    timeline->resize(1012, 64);
    EXPECT_EQ(timeline->totalMs(), 1000);
    // Segment 2 has no duration; one millisecond is one pixel of the 1000 between the margins.
    QStringList bars;
    for (const CourtesyTimeline::Bar& bar : timeline->bars())
        bars << QString::asprintf("%d: %d-%d ms at %g+%g, ", bar.segment, bar.startMs, bar.endMs,
                                  bar.rect.left() - timeline->xAt(0), bar.rect.width()) +
                    bar.label;
    EXPECT_EQ(bars, (QStringList{
                        u"1: 100-300 ms at 100+200, 697/1209 Hz"_s,
                        u"3: 350-500 ms at 350+150, %1/%2 Hz"_s.arg(db.value(u"P1Tone5", 3),
                                                                    db.value(u"P1Tone6", 3)),
                        u"4: 500-1000 ms at 500+500, 440/%1 Hz"_s.arg(db.value(u"P1Tone8", 3))}));
    // Nothing is stored by drawing; another tone shows its own shape.
    EXPECT_EQ(db.value(u"P1Delay1", 3), Database().value(u"P1Delay1", 3));
    edit("CTSet=1");
    EXPECT_EQ(timeline->totalMs(), 2000); // the defaults: four pauses and tones of 250 ms
}

} // namespace kovo::test
