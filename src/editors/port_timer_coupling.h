#pragma once

#include <QObject>
#include <functional>

namespace kovo {

class PortSwitchesEditor;
class TimersEditor;

// Keeps the timers editor and the port switches editor in step. The timers editor's Apply and
// Cancel Changes derive DisableTimeout(port) from InActiveTime(port) into the database, and the
// port switches editor's check box follows; the port switches editor's Apply sets
// InActiveTime(port) (and AnnounceTime(port)) to 0, and the timers editor's box follows. Without
// this, either editor's next Apply would write its stale working copy over the other's value.
//
// Each side is reached through a function that makes its window (hidden) when it does not exist
// yet; the window that is made then loads the value the other editor just wrote.
class PortTimerCoupling : public QObject {
    Q_OBJECT

public:
    using TimersSource = std::function<TimersEditor*()>;
    using PortSwitchesSource = std::function<PortSwitchesEditor*()>;

    PortTimerCoupling(TimersSource timers, PortSwitchesSource portSwitches,
                      QObject* parent = nullptr);

    // Connects an editor that was just made; each editor is attached once.
    void attach(TimersEditor* timers);
    void attach(PortSwitchesEditor* portSwitches);

    // Each editor, made through its source when it does not exist yet; null without a source.
    TimersEditor* timers() const { return m_timers ? m_timers() : nullptr; }
    PortSwitchesEditor* portSwitches() const { return m_portSwitches ? m_portSwitches() : nullptr; }

private:
    TimersSource m_timers;
    PortSwitchesSource m_portSwitches;
};

} // namespace kovo
