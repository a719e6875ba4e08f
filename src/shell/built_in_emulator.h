#pragma once

#include <QString>
#include <atomic>
#include <memory>

namespace kovo {

class TarsisEmulator;

// The emulated Tarsis inside the desktop program, behind the port named "Built-in Tarsis
// emulator". Its memory is kept in the program folder (emulator.mem, with its companion file of
// kept values) between runs: read when the program starts, written after every transfer that
// reached it (on the link thread, by saveIfChanged) and when the program ends.
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
    // Writes it when the host has sent anything since the last time. Any thread.
    bool saveIfChanged();

private:
    std::shared_ptr<TarsisEmulator> m_emulator;
    QString m_memoryPath;
    std::atomic<bool> m_changed{false};
};

} // namespace kovo
