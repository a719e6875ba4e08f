// Start-up of the desktop program, offscreen, to the main window shown with the editor in front,
// and the first showing of the heaviest editor (macros), each against an empty QMainWindow shown
// in the same process (the program measures them itself).
#include "bench.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <limits>

namespace kovo::bench {
namespace {

struct StartupFigures {
    double startupMs = 0;
    double emptyWindowMs = 0;
    double macrosFirstMs = 0;
    int editors = 0;
    bool ok = false;
};

StartupFigures measureOnce() {
    QTemporaryDir home;
    QProcess kovo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    kovo.setProcessEnvironment(environment);
    kovo.start(QStringLiteral(KOVO_GUI_PATH),
               {QStringLiteral("--home"), home.path(), QStringLiteral("--measure-startup"),
                QStringLiteral(KOVO_EXAMPLES_DIR "/sample.dat")});
    StartupFigures figures;
    if (!kovo.waitForFinished(60000)) {
        kovo.kill();
        return figures;
    }
    static const QRegularExpression line(QStringLiteral(
        R"(startup_ms=([0-9.]+) empty_window_ms=([0-9.]+) ratio=[0-9.]+ editors=(\d+) )"
        R"(macros_first_ms=([0-9.]+))"));
    const auto match = line.match(QString::fromLatin1(kovo.readAllStandardOutput()));
    if (!match.hasMatch())
        return figures;
    figures.startupMs = match.captured(1).toDouble();
    figures.emptyWindowMs = match.captured(2).toDouble();
    figures.editors = match.captured(3).toInt();
    figures.macrosFirstMs = match.captured(4).toDouble();
    figures.ok = true;
    return figures;
}

void startupBench(const BenchOptions& options) {
    StartupFigures best;
    best.startupMs = std::numeric_limits<double>::max();
    for (int run = 0; run < (options.quick ? 1 : 5); ++run) {
        const StartupFigures figures = measureOnce();
        if (figures.ok && figures.startupMs < best.startupMs)
            best = figures;
    }
    if (!best.ok) {
        note(QStringLiteral("startup"), QStringLiteral("kovo did not report its start-up time"));
        return;
    }
    note(QStringLiteral("startup.editors-built"),
         QString::number(best.editors) + QStringLiteral(" of 11 (the rest wait for "
                                                        "their tabs)"));
    report(QStringLiteral("startup.main-window"), best.startupMs, QStringLiteral("ms"), 500.0,
           QStringLiteral("the limit (goal ratio <= 1.0)"));
    report(QStringLiteral("startup.against-empty-window"), best.startupMs, QStringLiteral("ms"),
           5.0 * best.emptyWindowMs,
           QStringLiteral("five times an empty QMainWindow shown in the same run (goal ratio <= "
                          "1.0; the empty window took ") +
               QString::number(best.emptyWindowMs, 'f', 1) + QStringLiteral(" ms)"));
    report(QStringLiteral("startup.macros-tab-first-shown"), best.macrosFirstMs,
           QStringLiteral("ms"), 5.0 * best.emptyWindowMs,
           QStringLiteral("five times the same empty window (goal ratio <= 1.0)"));
}

const BenchRegistration registration("startup", startupBench);

} // namespace
} // namespace kovo::bench
