#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace kovo::cli {

// Exit statuses of every command.
inline constexpr int ExitDone = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

// The command line after the command name, with the options every command shares taken out.
struct CliContext {
    QStringList arguments; // positional arguments and the command's own options, in order
    QString programFolder; // resolved from --home DIR (kovo.ini, error.log, download.mem)
    bool backUp = true;    // false with --no-backup: transfers keep no copy in backups/
};

// Takes "--name VALUE" out of `arguments`; empty when absent. Sets *missingValue when the option
// is the last word.
QString takeOption(QStringList& arguments, const QString& name, bool* missingValue = nullptr);
// Takes a "--name" switch out of `arguments`.
bool takeSwitch(QStringList& arguments, const QString& name);

// Prints "kovo-cli COMMAND: WHY" (when `why` is not empty) and the command's usage on stderr;
// returns ExitUsage.
int reportUsageError(const char* command, const char* usage, const QString& why);

// True when both names lead to one file (the same path, or one file under two names).
bool sameFile(const QString& first, const QString& second);
// True, with the reason on stderr, when `output` is the same file as one of `inputs` (empty
// names are skipped): a command never writes over what it reads.
bool outputIsAnInput(const char* command, const QString& output, const QStringList& inputs);

using CliHandler = std::function<int(CliContext&)>;

// Each command file registers itself with one static CliCommandRegistration.
struct CliCommandRegistration {
    CliCommandRegistration(const char* name, const char* usage, CliHandler handler);
};

} // namespace kovo::cli
