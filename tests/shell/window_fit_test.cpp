#include "editors/editor_window.h"
#include "shell_fixture.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>

namespace kovo::testing {
namespace {

class WindowFitTest : public ShellTest {};

// 1024x700 is what a 1024x768 screen leaves for the window inside its frame and a task bar. Every
// editor keeps its full width there, and its Apply button can be reached: the tallest editors
// scroll rather than lose their lowest rows.
TEST_F(WindowFitTest, EveryEditorCanBeUsedOnA1024By768Screen) {
    KovoMain& main = startWithSample();
    main.resize(1024, 700);
    main.show();
    EXPECT_LE(main.tabStrip()->sizeHint().width(), 1024); // no tab behind scroll arrows
    for (int tab = 0; tab < main.tabStrip()->count(); ++tab) {
        SCOPED_TRACE(main.tabStrip()->tabText(tab).toStdString());
        main.tabStrip()->setCurrentIndex(tab);
        QCoreApplication::processEvents(); // lays out the editor just shown
        EditorWindow* editor = main.frontEditor();
        ASSERT_NE(editor, nullptr);
        auto* scroller = qobject_cast<QScrollArea*>(editor->parentWidget()->parentWidget());
        ASSERT_NE(scroller, nullptr);
        EXPECT_LE(editor->minimumSizeHint().width(), scroller->viewport()->width());
        EXPECT_GE(editor->height(), editor->minimumSizeHint().height());
        auto* apply = editor->findChild<QPushButton*>(QStringLiteral("Apply"));
        ASSERT_NE(apply, nullptr);
        apply->setFocus(Qt::OtherFocusReason);
        const QRect shown(apply->mapTo(scroller->viewport(), QPoint(0, 0)), apply->size());
        EXPECT_TRUE(scroller->viewport()->rect().contains(shown))
            << shown.bottom() << " " << scroller->viewport()->height();
    }
}

} // namespace
} // namespace kovo::testing
