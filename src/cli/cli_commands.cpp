// kovo-cli commands: the commands an upload of a database file sends, one per line.
#include "cli_command.h"
#include "cli_database_load.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "link/change_marker.h"
#include "link/command_set.h"
#include "link/digit_sink.h"
#include "link/line_sink.h"
#include "link/link_flags.h"
#include "link/recording_operator.h"
#include "link/upload.h"

#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace kovo::cli {
namespace {

// Transports that take everything and answer every command with "+".
class AcceptingLines : public LineSink {
public:
    bool open() override { return true; }
    void close() override {}
    void sendCommand(const QString&) override {}
    void writeLine(const QString&) override {}
    void setLockCode(const QString&) override {}
};

class SilentDigits : public DigitSink {
public:
    void sendDigit(const QString&) override {}
    bool key(bool) override { return true; }
};

// Serial: each line as written, without its CR. DTMF: the unlock, body and lock parts as keypad
// characters, separated by single spaces.
QStringList commandText(const Command& command, Transport transport) {
    if (transport == Transport::Serial)
        return command.serialLines;
    QString text = digitCodesText(command.dtmfUnlock) + u' ' + digitCodesText(command.dtmfBody);
    if (!command.dtmfLock.isEmpty())
        text += u' ' + digitCodesText(command.dtmfLock);
    return {text};
}

constexpr char Usage[] = "commands FILE.dat [--dtmf] [--since OLD.dat]\n"
                         "                            the commands an upload sends, one per line";

int usageError(const QString& why) {
    return reportUsageError("commands", Usage, why);
}

int commands(CliContext& context) {
    QStringList& arguments = context.arguments;
    bool missingSince = false;
    const QString since = takeOption(arguments, u"--since"_s, &missingSince);
    const bool dtmf = takeSwitch(arguments, u"--dtmf"_s);
    if (missingSince)
        return usageError(u"--since needs a database file"_s);
    for (const QString& argument : std::as_const(arguments)) {
        if (argument.startsWith(u"--"))
            return usageError(u"unknown option "_s + argument);
    }
    if (arguments.size() != 1)
        return usageError(u"give one database file"_s);

    Database db;
    if (!loadWithChangesSince(db, arguments.first(), since, u"commands"_s))
        return ExitFailed;

    LinkFlags flags;
    RecordingOperator person;
    AcceptingLines lines;
    SilentDigits digits;
    Upload upload = dtmf ? Upload(db, flags, person, digits) : Upload(db, flags, person, lines);
    QTextStream out(stdout);
    QTextStream err(stderr);
    upload.setCommandObserver([&](const Command& command) {
        for (const QString& line : commandText(command, upload.transport()))
            out << line << '\n';
        for (const QString& line : skippedReport(command))
            err << line << '\n';
    });
    const UploadResult result =
        since.isEmpty() ? upload.sendCompleteData() : upload.sendChangesOnly();
    out.flush();
    err << result.commandsSent << " command(s)\n";
    return result.outcome == UploadOutcome::Completed ? ExitDone : ExitFailed;
}

const CliCommandRegistration commandsCommand("commands", Usage, commands);

} // namespace
} // namespace kovo::cli
