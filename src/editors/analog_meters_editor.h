#pragma once

#include "editor_window.h"
#include "working_copies.h"

namespace kovo {

// The analog meters editor (caption "Analog Channels Configuration"): what each of the eight
// meter channels measures and its two calibration points, the reference voltage, and the ten
// meter alarms shown one at a time through "Alarm Number".
class AnalogMetersEditor : public EditorWindow {
    Q_OBJECT

public:
    AnalogMetersEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);

    int currentAlarm() const { return m_alarm; }
    // Working copies the framework does not hold: Meter, Vref and the alarm fields.
    QString ownWorkingCopy(const QString& field, int index = 0) const {
        return m_copies.value(field, index);
    }

    // How the controller turns a meter's 8-bit reading into the measured value, from the two
    // calibration points: "reading 0–255 → 0.0–15.0 Volts, 0.059 Volts per step", or "needs two
    // different points" when both points have the same meter reading. `unit` may be empty.
    static QString calibrationText(const QString& unit, double realLow, double meterLow,
                                   double realHigh, double meterHigh);

protected:
    void boxChanged(Binding& binding) override;
    void loaded() override;

private:
    QWidget* buildMeter(int meter);
    QWidget* buildAlarms();
    void bindAll();
    void connectOwnControls();
    void showAlarm(int alarm);
    void storeAlarmField(const QString& field, const QString& text);
    void applyOwnFields();
    void updateCalibration(int meter);
    void colourOwnControls();

    WorkingCopies m_copies;
    int m_alarm = 1;
    bool m_showing = false;
};

} // namespace kovo
