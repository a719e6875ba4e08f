#pragma once

// Shared by the link tests: kovo-cli as a child process, multimon-ng as the independent DTMF
// decoder, and readable QString values in failure messages.

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <ostream>

// GoogleTest looks for these by this name.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << "{\"" << list.join(QStringLiteral("\", \"")).toStdString() << "\"}";
}

namespace kovo::test {

struct CliRun {
    int exitCode = -1; // -1: it crashed or hung
    QString out;
    QString err;
};

// kovo-cli with `arguments`, and --home `home` when given; the wait is a hang guard only.
inline CliRun runCli(const QStringList& arguments, const QString& home = {}) {
    if (!QCoreApplication::instance()) { // QProcess wants an application object
        static int argc = 1;
        static char name[] = "kovo-tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
    QProcess process;
    process.start(QStringLiteral(KOVO_CLI_PATH),
                  home.isEmpty() ? arguments
                                 : arguments + QStringList{QStringLiteral("--home"), home});
    CliRun run;
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

inline bool haveMultimon() {
    return !QStandardPaths::findExecutable(QStringLiteral("multimon-ng")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty();
}

// The DTMF digits multimon-ng hears in a WAV file.
inline QString multimonDigits(const QString& wavPath, QString* problem) {
    QProcess process;
    process.start(QStringLiteral("multimon-ng"),
                  {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("wav"),
                   QStringLiteral("-a"), QStringLiteral("DTMF"), wavPath});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        *problem = QString::fromLocal8Bit(process.readAllStandardError());
        return {};
    }
    QString digits;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("DTMF: ") && line.size() > 6)
            digits.append(QLatin1Char(line.at(6)));
    }
    return digits;
}

} // namespace kovo::test
