// Opening the macros, identification, message macros and DTMF memories editors on a full
// configuration, offscreen, against the timers editor opened in the same run (measured by the
// kovo-bench-editors child process, which links the editors).
#include "bench.h"

#include <QHash>
#include <QProcess>
#include <QRegularExpression>

namespace kovo::bench {
namespace {

void wordEditorsBench(const BenchOptions& options) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QStringLiteral(KOVO_BENCH_EDITORS_PATH),
                options.quick ? QStringList{QStringLiteral("--quick")} : QStringList());
    if (!child.waitForFinished(120000)) {
        child.kill();
        note(QStringLiteral("word-editors"), QStringLiteral("the editors did not open in time"));
        return;
    }
    QHash<QString, double> ms;
    static const QRegularExpression line(QStringLiteral(R"((\w+)_ms=([0-9.]+))"));
    auto matches = line.globalMatch(QString::fromLatin1(child.readAllStandardOutput()));
    while (matches.hasNext()) {
        const auto match = matches.next();
        ms.insert(match.captured(1), match.captured(2).toDouble());
    }
    const double timers = ms.value(QStringLiteral("timers"));
    if (timers <= 0) {
        note(QStringLiteral("word-editors"), QStringLiteral("no time reported"));
        return;
    }
    for (const char* editor : {"macros", "identification", "messages", "dtmf"}) {
        const QString name = QString::fromLatin1(editor);
        const double value = ms.value(name);
        report(QStringLiteral("open-editor.") + name + QStringLiteral(".against-timers"), value,
               QStringLiteral("ms"), 3.0 * timers,
               QStringLiteral("three times the timers editor (goal ratio <= 1.0; timers took ") +
                   QString::number(timers, 'f', 1) + QStringLiteral(" ms)"));
        report(QStringLiteral("open-editor.") + name, value, QStringLiteral("ms"), 100.0,
               QStringLiteral("the limit (goal ratio <= 1.0)"));
    }
}

const BenchRegistration registration("word-editors", wordEditorsBench);

} // namespace
} // namespace kovo::bench
