#pragma once

#include "editors/controller_action_runner.h"

#include <QString>
#include <functional>

namespace kovo {

class Database;
class LinkWorker;
class ProgramSettings;

// The desktop program's controller actions: each runs as a job on the link thread, with the
// link settings of kovo.ini as they are when it starts, and talks to the person through the
// link thread's operator (message boxes on the GUI thread). `done` runs on the GUI thread.
class LinkActionRunner : public ControllerActionRunner {
public:
    // `databaseFile` tells which file a code change is written into (the file open now).
    LinkActionRunner(LinkWorker& link, Database& db, ProgramSettings& settings,
                     std::function<QString()> databaseFile);

    bool run(const ControllerAction& action, std::function<void(bool)> done = {}) override;
    void cancel() override;
    bool busy() const override;

private:
    LinkWorker& m_link;
    Database& m_db;
    ProgramSettings& m_settings;
    std::function<QString()> m_databaseFile;
};

} // namespace kovo
