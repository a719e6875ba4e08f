// kovo-bench: every speed and size target of the program, each printed as a ratio against its
// limit or against a baseline measured in the same run. `--quick` runs fewer repetitions.
#include "bench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QTextStream>
#include <algorithm>
#include <limits>

namespace kovo::bench {
namespace {

QMap<QString, BenchFunction>& registry() {
    static QMap<QString, BenchFunction> registry;
    return registry;
}

} // namespace

BenchRegistration::BenchRegistration(const char* name, BenchFunction function) {
    registry().insert(QString::fromLatin1(name), std::move(function));
}

void report(const QString& name, double value, const QString& unit, double limit,
            const QString& against) {
    QTextStream out(stdout);
    const double ratio = limit > 0 ? value / limit : 0;
    out << qSetFieldWidth(0) << name << ": " << QString::number(value, 'f', 3) << " " << unit
        << " against " << against << " " << QString::number(limit, 'f', 3) << " " << unit
        << " -> ratio " << QString::number(ratio, 'f', 3) << "\n";
}

void note(const QString& name, const QString& text) {
    QTextStream(stdout) << name << ": " << text << "\n";
}

double bestMilliseconds(int repetitions, const std::function<void()>& work) {
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < std::max(1, repetitions); ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace kovo::bench

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    kovo::bench::BenchOptions options;
    options.quick = arguments.contains(QStringLiteral("--quick"));
    QStringList only;
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QStringLiteral("--")))
            only << argument;
    }
    const auto& registry = kovo::bench::registry();
    for (auto it = registry.cbegin(); it != registry.cend(); ++it) {
        if (!only.isEmpty() && !only.contains(it.key()))
            continue;
        QTextStream(stdout) << "== " << it.key() << "\n";
        it.value()(options);
    }
    return 0;
}
