#include "editors/editor_window.h"
#include "link/link_trace.h"
#include "link_fixture.h"
#include "shell/history_commands.h"

#include <QAction>
#include <QLineEdit>

// Failures show texts as text.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kovo::testing {
namespace {

class HistoryTraceTest : public LinkWindowTest {};

TEST_F(HistoryTraceTest, SaveLinkTraceWritesTheLastJobsLinesAndAnswersInOrder) {
    KovoMain& main = startOnEmulator();
    QAction* save = main.menuAction(QStringLiteral("mnuSaveLinkTrace"));
    save->trigger();
    EXPECT_EQ(messages.messageTexts(), QStringList{HistoryCommands::noTraceText()});
    EXPECT_EQ(messages.calls[0].title, QStringLiteral("Save Link Trace"));
    EXPECT_TRUE(dialogs.calls.isEmpty());

    EditorWindow* timers = main.editor(TimersTab);
    for (const char* name : {"HangTimer(1)", "HangTimer(3)"})
        timers->control<QLineEdit>(QLatin1String(name))->setText(QStringLiteral("33"));
    timers->control<QPushButton>(QStringLiteral("Apply"))->click();
    openUploadWindow();
    clickAndWait(QStringLiteral("Update"));
    // Closing the port is a job of its own that says nothing: the upload stays the last trace.
    clickAndWait(QStringLiteral("Close"));

    const QString file = path(QStringLiteral("trace.txt"));
    dialogs.answers = {file};
    save->trigger();
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].title, QStringLiteral("Save Link Trace"));
    QStringList exchanges;
    for (const QString& line :
         QString::fromUtf8(readFile(QStringLiteral("trace.txt"))).split(u'\n')) {
        const QStringList parts = line.split(QStringLiteral("  "), Qt::SkipEmptyParts);
        if (parts.size() == 4 && (parts[2] == u"out" || parts[2] == u"in"))
            exchanges << parts[2] + u' ' + parts[3];
    }
    ASSERT_EQ(emulator->receivedLines().size(), 2);
    QStringList expected;
    for (const QString& sent : emulator->receivedLines())
        expected << QStringLiteral("out ") + sent + QStringLiteral("<CR>")
                 << QStringLiteral("in +");
    EXPECT_EQ(exchanges, expected);
}

} // namespace
} // namespace kovo::testing
