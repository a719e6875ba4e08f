#include "title_bar.h"

#include <QDir>
#include <algorithm>

namespace kovo {

QString titleBarText(const QString& databasePath) {
    const QString path = QDir::toNativeSeparators(databasePath);
    if (path.size() < 21)
        return mainCaption() + QStringLiteral("    ") + path;
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    const QString fileName = path.mid(cut + 1);
    return mainCaption() + QStringLiteral("   ") + path.left(20) + QStringLiteral("....") +
           QDir::separator() + fileName;
}

} // namespace kovo
