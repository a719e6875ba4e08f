// The desktop program's responsiveness during a complete upload with 9600-baud pacing through
// the upload window, and that upload's wall time against the same upload run the way kovo-cli
// runs it. The program measures both in one process and prints one line.
#include "bench.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace kovo::bench {
namespace {

void guiUploadBench(const BenchOptions&) {
    QTemporaryDir home;
    QProcess kovo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    kovo.setProcessEnvironment(environment);
    kovo.start(QStringLiteral(KOVO_GUI_PATH),
               {QStringLiteral("--home"), home.path(), QStringLiteral("--measure-upload"),
                QStringLiteral(KOVO_EXAMPLES_DIR "/sample.dat")});
    if (!kovo.waitForFinished(300000)) {
        kovo.kill();
        note(QStringLiteral("gui-upload"), QStringLiteral("kovo did not finish within 5 minutes"));
        return;
    }
    static const QRegularExpression line(
        QStringLiteral(R"(upload_gui_ms=([0-9.]+) upload_cli_ms=([0-9.]+) ratio=[0-9.]+ )"
                       R"(max_tick_gap_ms=([0-9.]+) ticks=(\d+) progress=(\d+) commands=(\d+))"));
    const auto match = line.match(QString::fromLatin1(kovo.readAllStandardOutput()));
    if (kovo.exitCode() != 0 || !match.hasMatch()) {
        note(QStringLiteral("gui-upload"),
             QStringLiteral("kovo did not report a completed upload"));
        return;
    }
    note(QStringLiteral("gui-upload.commands"),
         match.captured(6) + QStringLiteral(" commands, progress ") + match.captured(5) +
             QStringLiteral(" of 724, ") + match.captured(4) + QStringLiteral(" timer ticks"));
    report(QStringLiteral("gui-upload.longest-tick-gap"), match.captured(3).toDouble(),
           QStringLiteral("ms"), 50.0, QStringLiteral("the limit (goal ratio <= 1.0)"));
    report(QStringLiteral("gui-upload.wall-time"), match.captured(1).toDouble() / 1000.0,
           QStringLiteral("s"), match.captured(2).toDouble() / 1000.0,
           QStringLiteral("the same upload without the window (goal ratio <= 1.02)"));
}

const BenchRegistration registration("gui-upload", guiUploadBench);

} // namespace
} // namespace kovo::bench
