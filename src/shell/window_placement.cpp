#include "window_placement.h"

#include <QGuiApplication>
#include <QScreen>

namespace kovo {

std::optional<QRect> reachablePlacement(const WindowPlacement& placement, QSize minimum,
                                        int titleBarHeight) {
    const QRect rect(qRound(placement.left), qRound(placement.top), qRound(placement.width),
                     qRound(placement.height));
    if (!placement.present || rect.width() < minimum.width() || rect.height() < minimum.height())
        return std::nullopt;
    const QRect titleBar(rect.topLeft(), QSize(rect.width(), titleBarHeight));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(titleBar))
            return rect;
    }
    return std::nullopt;
}

} // namespace kovo
