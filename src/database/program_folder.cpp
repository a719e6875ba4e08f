#include "program_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace kovo {

namespace {

QString chooseFolder(const QString& homeOverride, const QString& executableFolder) {
    QString folder;
    if (!homeOverride.isEmpty())
        folder = homeOverride;
    else if (!executableFolder.isEmpty() &&
             QFileInfo::exists(QDir(executableFolder).filePath(QStringLiteral("kovo.ini"))))
        folder = executableFolder;
    else
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).absolutePath();
}

} // namespace

QString resolveProgramFolder(const QString& homeOverride, const QString& executableFolder) {
    const QString path = chooseFolder(homeOverride, executableFolder);
    QDir().mkpath(path);
    return path;
}

QString resolveProgramFolder(const QString& homeOverride, const QString& executableFolder,
                             QString* error) {
    const QString path = chooseFolder(homeOverride, executableFolder);
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        *error = QStringLiteral("%1 is a file, not a folder").arg(QDir::toNativeSeparators(path));
        return {};
    }
    if (!QDir().mkpath(path)) {
        *error =
            QStringLiteral("the folder %1 cannot be created").arg(QDir::toNativeSeparators(path));
        return {};
    }
    // Writable in fact, not only by its permission bits.
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral("kovo-XXXXXX.tmp")));
    if (!probe.open()) {
        *error = QStringLiteral("the folder %1 cannot be written: %2")
                     .arg(QDir::toNativeSeparators(path), probe.errorString());
        return {};
    }
    return path;
}

} // namespace kovo
