#pragma once

#include "editor_window.h"
#include "working_copies.h"

#include <array>

class QButtonGroup;
class QComboBox;

namespace kovo {

// The port switches editor (caption "Port Switches"): one frame per radio port with its on/off
// switches, access mode, tone encode control, tail message, encode polarity and DTMF closure,
// then the five alarm enables and "Allow Speech w/Terminator".
//
// Its "Disable Inactivity Timer" switch and the timers editor's inactivity timer of the same port
// keep each other consistent (see PortTimerCoupling).
class PortSwitchesEditor : public EditorWindow {
    Q_OBJECT

public:
    PortSwitchesEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);

    // The timers editor derived DisableTimeout(port) into the database; the check box follows.
    void setDisableTimeout(int port, bool disabled);
    // The tail-message number the macro lists edit: the one last chosen in any port's list.
    int currentTailMessage() const { return m_currentTailMessage; }

signals:
    // Apply set a timer of the timers editor to "0" in the database; `timerBox` names the box
    // that shows it ("InactiveTimer(2)", "AnnounceTimer(1)"), so that box can show "0" too.
    void timerZeroed(const QString& timerBox);

protected:
    void boxChanged(Binding& binding) override;
    void fieldApplied(const Binding& binding) override;
    void loaded() override;
    void applyUnbound() override;
    std::optional<QString> unboundWorkingCopy(QStringView field, int index) const override;

private:
    QWidget* buildPortFrame(int port);
    QWidget* buildAlarms();
    void bindAll();
    void chooseTailMessage(int port);
    void chooseMacro(int port);
    void showTailControls(int port, bool visible);
    void showMacro(int port, int tailMessage);
    void colourMacro(int port);
    void zeroTimer(const QString& field, const char* box, int port);

    QButtonGroup* pairGroup(const QString& field, int port) const;

    WorkingCopies m_working; // access mode, option pairs, tail messages
    int m_currentTailMessage = 1;
    // Per port (1-3): the tail-message number whose macro the port's list shows.
    std::array<int, 4> m_macroShown{};
    bool m_loading = false;
};

} // namespace kovo
