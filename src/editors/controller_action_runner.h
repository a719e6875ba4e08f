#pragma once

#include "link/controller_action.h"

#include <functional>

namespace kovo {

// How an editor sends a controller action: the desktop program runs it on the link thread and
// reports through message boxes; tests run it against the emulated Tarsis or record it.
class ControllerActionRunner {
public:
    virtual ~ControllerActionRunner() = default;

    // Starts `action` and returns at once; `done(succeeded)` runs on the GUI thread when it has
    // ended. False, and nothing starts, while another link job runs.
    virtual bool run(const ControllerAction& action,
                     std::function<void(bool succeeded)> done = {}) = 0;
    // Asks the running action to stop at its next check; a playing preview stops at once.
    virtual void cancel() = 0;
    virtual bool busy() const = 0;
};

} // namespace kovo
