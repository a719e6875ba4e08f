#include "link/link_trace.h"
#include "shell_fixture.h"

namespace kovo::testing {
namespace {

class HistoryTraceTest : public ShellTest {};

TEST_F(HistoryTraceTest, SaveLinkTraceWritesTheLastJobsLinesAndAnswersInOrder) {
    KovoMain& main = startOnEmulator();
    QAction* save = item("mnuSaveLinkTrace");

    EditorWindow* timers = main.editor(TimersTab);
    for (const char* name : {"HangTimer(1)", "HangTimer(3)"})
        timers->control<QLineEdit>(QLatin1String(name))->setText(u"33"_s);
    timers->control<QPushButton>(u"Apply"_s)->click();
    openUploadWindow();
    clickAndWait(u"Update"_s);
    // Closing the port is a job of its own that says nothing: the upload stays the last trace.
    clickAndWait(u"Close"_s);

    const QString file = path(u"trace.txt"_s);
    dialogs.answers = {file};
    save->trigger();
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].title, u"Save Link Trace"_s);
    QStringList exchanges;
    for (const QString& line : QString::fromUtf8(readFile(u"trace.txt"_s)).split(u'\n')) {
        const QStringList parts = line.split(u"  "_s, Qt::SkipEmptyParts);
        if (parts.size() == 4 && (parts[2] == u"out" || parts[2] == u"in"))
            exchanges << parts[2] + u' ' + parts[3];
    }
    ASSERT_EQ(emulator->receivedLines().size(), 2);
    QStringList expected;
    for (const QString& sent : emulator->receivedLines())
        expected << u"out "_s + sent + u"<CR>"_s << u"in +"_s;
    EXPECT_EQ(exchanges, expected);

    // Over the air: the keying line and every digit played reach the trace too.
    main.linkWorker().setAudioFactory([] { return std::make_shared<RecordingAudioOutput>(); });
    settings->setComPort(u"0"_s);
    settings->setDtmfComPort(ChannelFactory::builtInEmulatorName());
    settings->setWhichSend(u"2"_s);
    timers->control<QLineEdit>(u"HangTimer(1)"_s)->setText(u"44"_s);
    timers->control<QPushButton>(u"Apply"_s)->click();
    openUploadWindow();
    clickAndWait(u"Update"_s);
    QStringList events;
    QString digits;
    for (const LinkTrace::Entry& entry : main.history().linkTrace()->entries()) {
        if (entry.event == LinkTrace::Event::Digit)
            digits += QString::fromLatin1(entry.data);
        else if (entry.event == LinkTrace::Event::Keying)
            events << QString::fromLatin1(entry.data);
    }
    EXPECT_EQ(events, (QStringList{u"RTS on"_s, u"DTR off"_s, u"RTS off"_s}));
    EXPECT_TRUE(digits.contains(u"*100044"_s)) << qPrintable(digits);
}

} // namespace
} // namespace kovo::testing
