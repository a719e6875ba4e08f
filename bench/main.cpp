// kovo-bench: every speed and size target of the program, each printed as a ratio against its
// limit or against a baseline measured in the same run. `--quick` runs fewer repetitions.
#include "bench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>
#include <limits>

namespace kovo::bench {
namespace {

QMap<QString, BenchFunction>& registry() {
    static QMap<QString, BenchFunction> registry;
    return registry;
}

struct Goal {
    QString name;
    bool met = false;
};

// Every figure whose comparison text states a goal ("goal ratio <= 1.05", "ratio >= 1.0"), in
// the order printed, for the summary line.
QList<Goal>& goals() {
    static QList<Goal> goals;
    return goals;
}

void noteGoal(const QString& name, double ratio, const QString& against) {
    static const QRegularExpression goal(QStringLiteral("ratio\\s*(<=|>=)\\s*([0-9.]+)"));
    const QRegularExpressionMatch match = goal.match(against);
    if (!match.hasMatch())
        return;
    const double bound = match.captured(2).toDouble();
    const bool atMost = match.captured(1) == QLatin1String("<=");
    goals().append({name, atMost ? ratio <= bound : ratio >= bound});
}

void printSummary() {
    QStringList missed;
    for (const Goal& goal : goals()) {
        if (!goal.met)
            missed << goal.name;
    }
    QTextStream out(stdout);
    out << "Summary: " << goals().size() - missed.size() << " of " << goals().size()
        << " goals met";
    if (!missed.isEmpty())
        out << "; missed: " << missed.join(QStringLiteral(", "));
    out << "\n";
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
    noteGoal(name, ratio, against);
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
    kovo::bench::printSummary();
    return 0;
}
