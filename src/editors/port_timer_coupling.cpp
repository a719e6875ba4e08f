#include "port_timer_coupling.h"

#include "port_switches_editor.h"
#include "timers_editor.h"

#include <QLineEdit>

namespace kovo {

PortTimerCoupling::PortTimerCoupling(TimersSource timers, PortSwitchesSource portSwitches,
                                     QObject* parent)
    : QObject(parent), m_timers(std::move(timers)), m_portSwitches(std::move(portSwitches)) {}

void PortTimerCoupling::attach(TimersEditor* timers) {
    connect(timers, &TimersEditor::disableTimeoutDerived, this, [this](int port, bool disabled) {
        if (PortSwitchesEditor* switches = portSwitches())
            switches->setDisableTimeout(port, disabled);
    });
}

void PortTimerCoupling::attach(PortSwitchesEditor* portSwitches) {
    connect(portSwitches, &PortSwitchesEditor::timerZeroed, this, [this](const QString& timerBox) {
        TimersEditor* editor = timers();
        if (auto* box = editor ? editor->control<QLineEdit>(timerBox) : nullptr)
            box->setText(QStringLiteral("0"));
    });
}

} // namespace kovo
