#include "program_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kovo {

QString resolveProgramFolder(const QString& homeOverride, const QString& executableFolder) {
    QString folder;
    if (!homeOverride.isEmpty())
        folder = homeOverride;
    else if (!executableFolder.isEmpty() &&
             QFileInfo::exists(QDir(executableFolder).filePath(QStringLiteral("kovo.ini"))))
        folder = executableFolder;
    else
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return QDir(folder).absolutePath();
}

} // namespace kovo
