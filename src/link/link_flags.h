#pragma once

#include <atomic>

namespace kovo {

// The state that the serial link, the senders and the upload share while a job runs.
struct LinkFlags {
    // Set by the Interrupt button (from the GUI thread) and by the error-limit path.
    std::atomic<bool> updateInterrupted{false};
    // Set when the controller answered "-" or the error limit was reached.
    bool updateAborted = false;
    // Set when an answer started with "+"; cleared by the sender that waits for it.
    bool commandAcknowledged = false;
};

} // namespace kovo
