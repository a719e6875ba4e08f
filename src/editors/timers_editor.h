#pragma once

#include "editor_window.h"

class QGroupBox;
class QTabWidget;

namespace kovo {

// The timers editor (caption "Timers"): the per-port timers on the tabs "Port 1" to "Port 3",
// and the auxiliary-audio, fan, speech/CW delay and general timers and the time-out linking
// switch on the tab "Global".
class TimersEditor : public EditorWindow {
    Q_OBJECT

public:
    TimersEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }

signals:
    // Apply and Cancel Changes derive the port switch DisableTimeout(port) from
    // InActiveTime(port); the port switches editor follows its check box with this.
    void disableTimeoutDerived(int port, bool disabled);

protected:
    void boxChanged(Binding& binding) override;
    void fieldApplied(const Binding& binding) override;
    void loaded() override;
    void changesCancelled() override;

private:
    QWidget* buildPortTab(int port);
    QWidget* buildGlobalTab();
    void bindAll();
    void setInactivityEnabled(int port, bool enabled);
    void deriveDisableTimeout(int port);

    QTabWidget* m_tabs = nullptr;
};

} // namespace kovo
