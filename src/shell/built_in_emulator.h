#pragma once

#include <QString>
#include <memory>

namespace kovo {

class TarsisEmulator;

// The emulated Tarsis inside the desktop program, behind the port named "Built-in Tarsis
// emulator". Its memory is kept in the program folder (emulator.mem, with its companion file of
// kept values) between runs: read when the program starts, written after every transfer that
// used it and when the program ends.
class BuiltInEmulator {
public:
    explicit BuiltInEmulator(const QString& programFolder);
    ~BuiltInEmulator();
    BuiltInEmulator(const BuiltInEmulator&) = delete;
    BuiltInEmulator& operator=(const BuiltInEmulator&) = delete;

    static QString portName();
    static bool isBuiltIn(const QString& comPort);

    const std::shared_ptr<TarsisEmulator>& emulator() const { return m_emulator; }
    QString memoryPath() const { return m_memoryPath; }
    // Writes the memory to emulator.mem; false (with *error) when it cannot be written.
    bool save(QString* error = nullptr);
    // Notes that a transfer used the emulator, so that its memory is written at the end.
    void markUsed() { m_used = true; }

private:
    std::shared_ptr<TarsisEmulator> m_emulator;
    QString m_memoryPath;
    bool m_used = false;
};

} // namespace kovo
