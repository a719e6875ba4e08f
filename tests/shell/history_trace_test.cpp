#include "editors/editor_window.h"
#include "link/link_trace.h"
#include "link/recording_audio_output.h"
#include "link_fixture.h"
#include "shell/history_commands.h"

#include <QAction>
#include <QLineEdit>

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

    // Over the air: the keying line and every digit played reach the trace too.
    main.linkWorker().setAudioFactory([] { return std::make_shared<RecordingAudioOutput>(); });
    settings->setComPort(QStringLiteral("0"));
    settings->setDtmfComPort(ChannelFactory::builtInEmulatorName());
    settings->setWhichSend(QStringLiteral("2"));
    timers->control<QLineEdit>(QStringLiteral("HangTimer(1)"))->setText(QStringLiteral("44"));
    timers->control<QPushButton>(QStringLiteral("Apply"))->click();
    openUploadWindow();
    clickAndWait(QStringLiteral("Update"));
    QStringList events;
    QString digits;
    for (const LinkTrace::Entry& entry : main.history().linkTrace()->entries()) {
        if (entry.event == LinkTrace::Event::Digit)
            digits += QString::fromLatin1(entry.data);
        else if (entry.event == LinkTrace::Event::Keying)
            events << QString::fromLatin1(entry.data);
    }
    EXPECT_EQ(events, (QStringList{QStringLiteral("RTS on"), QStringLiteral("DTR off"),
                                   QStringLiteral("RTS off")}));
    EXPECT_TRUE(digits.contains(QStringLiteral("*100044"))) << qPrintable(digits);
}

} // namespace
} // namespace kovo::testing
