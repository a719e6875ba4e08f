#include "shell/compare_window.h"
#include "shell_fixture.h"

#include <QAccessible>
#include <QTableView>

namespace kovo::testing {
namespace {

class HistoryCompareTest : public ShellTest {};

TEST_F(HistoryCompareTest, DifferencesShowTheirEditorFilterAndLeadToTheControl) {
    KovoMain& main = startWithSample();
    const struct {
        const char* field;
        int index;
        const char* value;
        const char* editor;  // as the table names it
        int tab;             // whose editor the double-click brings to the front
        const char* control; // and whose control it focuses
    } rows[] = {
        {"HangTime", 2, "77", "Timers", TimersTab, "HangTimer(2)"},
        {"VoiceID1", 3, "HELLO", "Identification", IdTab, "VoiceID1Set(3)"},
        {"DTMFDur", 0, "120", "DTMF Memories", DtmfTab, "DTMFDurSet"},
    };
    Database other = db;
    for (const auto& row : rows)
        other.setValue(QLatin1String(row.field), row.index, QLatin1String(row.value));
    const QString otherFile = path(u"other.dat"_s);
    ASSERT_TRUE(saveWholeDatabase(other, otherFile).ok);

    dialogs.answers = {otherFile};
    trigger("mnuCompareWith");
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].title, u"Compare With"_s);
    CompareWindow* compare = main.history().compareWindow();
    ASSERT_NE(compare, nullptr);
    EXPECT_EQ(compare->windowTitle(), u"Compare With other.dat"_s);
    EXPECT_EQ(compare->summary()->text(), u"3 field(s) differ from other.dat."_s);
    QTableView* table = compare->table();
    QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        const auto& row = rows[r];
        EXPECT_EQ(model->index(r, 0).data().toString(), QLatin1String(row.editor));
        EXPECT_EQ(model->index(r, 1).data().toString(),
                  row.index ? u"%1(%2)"_s.arg(QLatin1String(row.field)).arg(row.index)
                            : QLatin1String(row.field));
        EXPECT_EQ(model->index(r, 2).data().toString(),
                  db.value(QLatin1String(row.field), row.index));
        EXPECT_EQ(model->index(r, 3).data().toString(), QLatin1String(row.value));
    }
    for (QWidget* box : {static_cast<QWidget*>(compare->filterBox()), static_cast<QWidget*>(table)})
        EXPECT_EQ(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name),
                  box == table ? u"Differences"_s : u"Filter:"_s);

    compare->filterBox()->setText(u"dtmf"_s);
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, 1).data().toString(), u"DTMFDur"_s);
    EXPECT_EQ(compare->summary()->text(), u"3 field(s) differ from other.dat. 1 shown."_s);
    compare->filterBox()->clear();

    for (int r = 0; r < 3; ++r) {
        const auto& row = rows[r];
        const QRect cell = table->visualRect(model->index(r, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        EditorWindow* editor = main.frontEditor();
        ASSERT_NE(editor, nullptr) << row.field;
        EXPECT_EQ(editor, main.editor(row.tab)) << row.field;
        ASSERT_NE(editor->focusWidget(), nullptr) << row.field;
        EXPECT_EQ(editor->focusWidget()->objectName(), QLatin1String(row.control));
    }
}

} // namespace
} // namespace kovo::testing
