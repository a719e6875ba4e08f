// Opens each word editor on a full configuration, offscreen, and the timers editor in the same
// run; prints the best time of each. kovo-bench runs this as a child process, so the benchmark
// program itself never links Widgets.
#include "database/database.h"
#include "database/vocabulary.h"
#include "editors/dtmf_memories_editor.h"
#include "editors/identification_editor.h"
#include "editors/macros_editor.h"
#include "editors/message_macros_editor.h"
#include "editors/recording_message_service.h"
#include "editors/timers_editor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <functional>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace {

using namespace kovo;

// Every list at its longest: 15-unit and 4-unit macros, 9-word messages, 22-word voice and
// 15-token CW identifiers, 10-digit memories.
Database fullConfiguration() {
    Database db;
    const QStringList& words = speechVocabulary();
    auto wordList = [&](int count, int from) {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << words[(from + i) % 234];
        return list.join(u' ');
    };
    for (int i = 1; i <= 40; ++i) {
        db.setValue(u"Macro", i,
                    QStringLiteral("001 002 003 004 005 006 007 008 009 010 011 012 013 014 015"));
        db.setValue(u"MessageMacro", i, wordList(9, i));
    }
    for (int i = 1; i <= 50; ++i)
        db.setValue(u"ShortMacro", i, QStringLiteral("401 402"));
    for (int i = 1; i <= 20; ++i)
        db.setValue(u"DTMF", i, QStringLiteral("1 2 3 4 5 6 7 8 9 0"));
    for (int port = 1; port <= 3; ++port) {
        for (const char* field : {"VoiceID1", "VoiceID2", "VoiceID3"})
            db.setValue(QLatin1String(field), port, wordList(22, port * 7));
        for (const char* field : {"CWID1", "CWID2"})
            db.setValue(QLatin1String(field), port,
                        QStringLiteral("W 1 X Y Z / R A B C D E F G H"));
    }
    return db;
}

double openOnce(const std::function<QWidget*()>& open) {
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<QWidget> editor(open());
    editor->show();
    QApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = app.arguments().contains(QStringLiteral("--quick")) ? 2 : 20;
    Database db = fullConfiguration();
    RecordingMessageService messages;
    const std::pair<const char*, std::function<QWidget*()>> editors[] = {
        {"timers", [&] { return new TimersEditor(db, messages); }},
        {"macros", [&] { return new MacrosEditor(db, messages); }},
        {"identification", [&] { return new IdentificationEditor(db, messages); }},
        {"messages", [&] { return new MessageMacrosEditor(db, messages); }},
        {"dtmf", [&] { return new DtmfMemoriesEditor(db, messages); }},
    };
    // One opening of each first, so fonts and styles are loaded before anything is timed; then
    // the editors take turns, so a busy machine slows them alike, and each keeps its best time.
    std::vector<double> best(std::size(editors), std::numeric_limits<double>::max());
    for (int round = 0; round <= repetitions; ++round) {
        for (std::size_t e = 0; e < std::size(editors); ++e) {
            const double ms = openOnce(editors[e].second);
            if (round > 0)
                best[e] = std::min(best[e], ms);
        }
    }
    QTextStream out(stdout);
    for (std::size_t e = 0; e < std::size(editors); ++e)
        out << editors[e].first << "_ms=" << best[e] << "\n";
    return 0;
}
