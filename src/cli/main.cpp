#include "cli_command.h"
#include "database/program_folder.h"

#include <QCoreApplication>
#include <QMap>
#include <QTextStream>
#include <cstdio>

namespace kovo::cli {
namespace {

struct Entry {
    QString usage;
    CliHandler handler;
};

QMap<QString, Entry>& Registry() {
    static QMap<QString, Entry> registry;
    return registry;
}

int PrintUsage() {
    QTextStream err(stderr);
    err << "usage: kovo-cli COMMAND [ARGS] [--home DIR]\n";
    for (auto it = Registry().cbegin(); it != Registry().cend(); ++it)
        err << "  kovo-cli " << it.value().usage << "\n";
    return ExitUsage;
}

} // namespace

CliCommandRegistration::CliCommandRegistration(const char* name, const char* usage,
                                               CliHandler handler) {
    Registry().insert(QString::fromLatin1(name),
                      Entry{QString::fromLatin1(usage), std::move(handler)});
}

QString TakeOption(QStringList& arguments, const QString& name, bool* missingValue) {
    const qsizetype at = arguments.indexOf(name);
    if (at < 0)
        return {};
    if (at + 1 >= arguments.size()) {
        arguments.removeAt(at);
        if (missingValue)
            *missingValue = true;
        return {};
    }
    const QString value = arguments.at(at + 1);
    arguments.remove(at, 2);
    return value;
}

int ReportUsageError(const char* command, const char* usage, const QString& why) {
    QTextStream err(stderr);
    if (!why.isEmpty())
        err << "kovo-cli " << command << ": " << why << "\n";
    err << "usage: kovo-cli " << usage << "\n";
    return ExitUsage;
}

bool TakeSwitch(QStringList& arguments, const QString& name) {
    return arguments.removeAll(name) > 0;
}

} // namespace kovo::cli

int main(int argc, char** argv) {
    using namespace kovo::cli;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kovo"));
    QCoreApplication::setOrganizationName(QStringLiteral("Veltrane"));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return PrintUsage();
    const QString command = arguments.takeFirst();
    const auto entry = Registry().constFind(command);
    if (entry == Registry().cend())
        return PrintUsage();

    bool missingHome = false;
    const QString home = TakeOption(arguments, QStringLiteral("--home"), &missingHome);
    if (missingHome)
        return PrintUsage();

    CliContext context;
    context.arguments = arguments;
    context.programFolder =
        kovo::ResolveProgramFolder(home, QCoreApplication::applicationDirPath());
    return entry.value().handler(context);
}
