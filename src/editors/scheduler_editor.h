#pragma once

#include "editor_window.h"
#include "working_copies.h"

#include <functional>

class QButtonGroup;
class QComboBox;
class QPushButton;

namespace kovo {

// The scheduler and clock editor (caption "Scheduler/Clock Configuration"): the 20 set points,
// each running a macro at a day, hour and minute, shown one at a time through "Setpoint Number";
// the real-time clock's speech switches and correction; the PC's date format; and "Set Clock",
// which sets the controller's clock and calendar from this PC at once.
class SchedulerEditor : public EditorWindow {
    Q_OBJECT

public:
    SchedulerEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);

    // The database file the date format is written into when it is chosen (the file open now);
    // nothing is written while it gives an empty path.
    void setDatabaseFileSource(std::function<QString()> databaseFile) {
        m_databaseFile = std::move(databaseFile);
    }

    int currentSetPoint() const { return m_setPoint; }

public slots:
    // Sets the controller's clock and calendar from this PC through the action runner.
    void setClock();

protected:
    void boxChanged(Binding& binding) override;
    void loaded() override;
    void applyUnbound() override;
    std::optional<QString> unboundWorkingCopy(QStringView field, int index) const override;

private:
    QWidget* buildSetPoints();
    QWidget* buildClock();
    void bindAll();
    void showSetPoint(int setPoint);
    void storeList(QComboBox* list, const QString& field);
    void setWeekEnabled(bool enabled);
    void chooseDateFormat(bool international);

    WorkingCopies m_working; // the six fields of the 20 set points
    int m_setPoint = 1;
    bool m_showing = false;
    QButtonGroup* m_dateFormat = nullptr;
    QPushButton* m_clockSet = nullptr;
    std::function<QString()> m_databaseFile;
};

} // namespace kovo
