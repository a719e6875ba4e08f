#pragma once

#include "database/program_settings.h"

#include <QRect>
#include <QSize>
#include <optional>

namespace kovo {

// The rectangle a stored placement asks for, when it is usable: at least `minimum` in size and
// with a strip of its title bar on a screen the person can reach (a monitor may have been
// unplugged since it was stored). Empty when the window should be placed afresh.
std::optional<QRect> reachablePlacement(const WindowPlacement& placement, QSize minimum,
                                        int titleBarHeight = 40);

} // namespace kovo
