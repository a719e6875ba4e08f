#pragma once

#include <QString>
#include <functional>

namespace kovo::bench {

struct BenchOptions {
    bool quick = false; // fewer repetitions: CI runs this so the benchmark cannot rot
};

// Prints one figure: its value, the limit or baseline it is judged against, and their ratio.
void report(const QString& name, double value, const QString& unit, double limit,
            const QString& against);
// Prints a plain figure that has no limit (counts, sizes).
void note(const QString& name, const QString& text);

// Milliseconds taken by `work`, the best of `repetitions` runs.
double bestMilliseconds(int repetitions, const std::function<void()>& work);

using BenchFunction = std::function<void(const BenchOptions&)>;

// Each benchmark file registers itself with one static BenchRegistration.
struct BenchRegistration {
    BenchRegistration(const char* name, BenchFunction function);
};

} // namespace kovo::bench
