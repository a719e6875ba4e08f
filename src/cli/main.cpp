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

QMap<QString, Entry>& registry() {
    static QMap<QString, Entry> registry;
    return registry;
}

int printUsage() {
    QTextStream err(stderr);
    err << "usage: kovo-cli COMMAND [ARGS] [--home DIR]\n";
    for (auto it = registry().cbegin(); it != registry().cend(); ++it)
        err << "  kovo-cli " << it.value().usage << "\n";
    return ExitUsage;
}

} // namespace

CliCommandRegistration::CliCommandRegistration(const char* name, const char* usage,
                                               CliHandler handler) {
    registry().insert(QString::fromLatin1(name),
                      Entry{QString::fromLatin1(usage), std::move(handler)});
}

QString takeOption(QStringList& arguments, const QString& name, bool* missingValue) {
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

int reportUsageError(const char* command, const char* usage, const QString& why) {
    QTextStream err(stderr);
    if (!why.isEmpty())
        err << "kovo-cli " << command << ": " << why << "\n";
    err << "usage: kovo-cli " << usage << "\n";
    return ExitUsage;
}

bool takeSwitch(QStringList& arguments, const QString& name) {
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
        return printUsage();
    const QString command = arguments.takeFirst();
    const auto entry = registry().constFind(command);
    if (entry == registry().cend())
        return printUsage();

    bool missingHome = false;
    const QString home = takeOption(arguments, QStringLiteral("--home"), &missingHome);
    if (missingHome)
        return printUsage();

    CliContext context;
    context.arguments = arguments;
    context.programFolder =
        kovo::resolveProgramFolder(home, QCoreApplication::applicationDirPath());
    return entry.value().handler(context);
}
