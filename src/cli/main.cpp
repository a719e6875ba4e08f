#include "cli_command.h"
#include "database/program_folder.h"
#include "link/link_trace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <memory>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

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

void printUsage(FILE* to) {
    QTextStream stream(to);
    stream << "usage: kovo-cli COMMAND [ARGS] [--home DIR]\n"
              "       kovo-cli --help | kovo-cli COMMAND --help\n"
              "Every command takes --home DIR, the folder of kovo.ini, error.log, download.mem\n"
              "and Tempfile.dat (and backups/ of every transfer, unless --no-backup). Link\n"
              "commands take --trace FILE: every byte, digit and keying change, timed.\n"
              "Exit status: 0 done, 1 refused or failed, 2 usage.\n";
    for (auto it = registry().cbegin(); it != registry().cend(); ++it)
        stream << "  kovo-cli " << it.value().usage << "\n";
}

int usageError(const QString& why) {
    QTextStream(stderr) << "kovo-cli: " << why << "\n";
    printUsage(stderr);
    return ExitUsage;
}

bool isHelp(const QString& argument) {
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
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

bool sameFile(const QString& first, const QString& second) {
    const QFileInfo a(first);
    const QFileInfo b(second);
    if (QDir::cleanPath(a.absoluteFilePath()) == QDir::cleanPath(b.absoluteFilePath()))
        return true;
    if (!a.exists() || !b.exists())
        return false;
#ifdef Q_OS_UNIX
    struct stat aStat {};
    struct stat bStat {};
    if (::stat(QFile::encodeName(first).constData(), &aStat) == 0 &&
        ::stat(QFile::encodeName(second).constData(), &bStat) == 0)
        return aStat.st_dev == bStat.st_dev && aStat.st_ino == bStat.st_ino;
#endif
    return a.canonicalFilePath() == b.canonicalFilePath();
}

bool outputIsAnInput(const char* command, const QString& output, const QStringList& inputs) {
    for (const QString& input : inputs) {
        if (!input.isEmpty() && !output.isEmpty() && sameFile(output, input)) {
            QTextStream(stderr) << "kovo-cli " << command << ": " << output
                                << " is the same file as the input " << input
                                << "; nothing was written\n";
            return true;
        }
    }
    return false;
}

} // namespace kovo::cli

int main(int argc, char** argv) {
    using namespace kovo::cli;
    // Only the report lays out text and pictures, which needs the GUI application's fonts; it
    // draws off screen, so it needs no display.
    const bool drawsText = argc > 1 && qstrcmp(argv[1], "report") == 0;
    if (drawsText && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app(drawsText ? new QGuiApplication(argc, argv)
                                                          : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("Kovo"));
    QCoreApplication::setOrganizationName(QStringLiteral("Veltrane"));

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return usageError(QStringLiteral("give a command"));
    const QString command = arguments.takeFirst();
    if (isHelp(command) || command == QLatin1String("help")) {
        printUsage(stdout);
        return ExitDone;
    }
    const auto entry = registry().constFind(command);
    if (entry == registry().cend())
        return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
    const QByteArray name = command.toLatin1();
    const QByteArray usage = entry.value().usage.toLatin1();
    if (std::any_of(arguments.cbegin(), arguments.cend(), isHelp)) {
        QTextStream(stdout) << "usage: kovo-cli " << entry.value().usage << "\n";
        return ExitDone;
    }

    bool missingHome = false;
    const QString home = takeOption(arguments, QStringLiteral("--home"), &missingHome);
    if (missingHome)
        return reportUsageError(name.constData(), usage.constData(),
                                QStringLiteral("--home needs a folder"));

    const QString tracePath = takeOption(arguments, QStringLiteral("--trace"), &missingHome);
    if (missingHome)
        return reportUsageError(name.constData(), usage.constData(),
                                QStringLiteral("--trace needs a file"));
    CliContext context;
    context.backUp = !takeSwitch(arguments, QStringLiteral("--no-backup"));
    context.arguments = arguments;
    QString error;
    context.programFolder =
        kovo::resolveProgramFolder(home, QCoreApplication::applicationDirPath(), &error);
    if (context.programFolder.isEmpty()) {
        QTextStream(stderr) << "kovo-cli " << command << ": " << error << "\n";
        return ExitFailed;
    }
    if (tracePath.isEmpty())
        return entry.value().handler(context);

    // Every channel made while the trace is installed reports to it; it is written even when
    // the command fails, since that is when it is wanted.
    auto trace = std::make_shared<kovo::LinkTrace>();
    trace->beginJob(QStringLiteral("kovo-cli ") + QCoreApplication::arguments().mid(1).join(u' '));
    kovo::LinkTrace::install(trace);
    const int status = entry.value().handler(context);
    kovo::LinkTrace::install(nullptr);
    if (!trace->save(tracePath, &error))
        QTextStream(stderr) << "kovo-cli " << command << ": " << error << "\n";
    return status;
}
