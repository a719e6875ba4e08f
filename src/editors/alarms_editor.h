#pragma once

#include "editor_window.h"
#include "working_copies.h"

#include <array>

class QButtonGroup;
class QLineEdit;

namespace kovo {

// The alarms and remote base editor (caption "Alarms"): the macros run when each of the five
// alarm inputs changes state, the remote-base radio type and prefix, and the ten remote-base
// memories, each alarm and memory shown one at a time through its number list.
class AlarmsEditor : public EditorWindow {
    Q_OBJECT

public:
    AlarmsEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);

    int currentAlarm() const { return m_alarm; }
    int currentMemory() const { return m_memory; }
    QString ownWorkingCopy(const QString& field, int index = 0) const {
        return m_copies.value(field, index);
    }

    // A remote-base frequency as the controller stores it: six digits without the point, three
    // for the megahertz and three for the kilohertz ("146.52", "146.520" and "146520" are all
    // "146520"). `refusal` tells the person why a text cannot be one; empty text stays empty.
    struct Frequency {
        QString digits;
        QString refusal;
    };
    static Frequency frequencyDigits(const QString& typed);

protected:
    void loaded() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildAlarms();
    QWidget* buildRemoteBase();
    QWidget* buildMemories(const QString& name, const QString& caption, const QString& prefix);
    void addWorkingCopies();
    void connectControls();
    void showAlarm(int alarm);
    void showMemory(int memory);
    void storeAlarmMacro(const QString& field, const QString& list);
    void showYaesuType();
    // The frequency typed for the shown memory made into six digits; a refused one is reported
    // and the box shows the stored frequency again. False when refused.
    bool settleFrequency();
    // The stored text of memory m from what is shown: frequency digits and offset digit.
    QString composedFrequency(int memory) const;
    // The stored frequency of a memory as its box shows it, and its offset digit; both empty for
    // an empty memory.
    QString storedFrequency(int memory) const;
    QString storedOffset(int memory) const;
    void showStoredFrequencies();
    void applyOwnFields();
    void colourControls();

    WorkingCopies m_copies;
    // Per memory the frequency as typed and the offset digit ("1" minus, "2" simplex, "3" plus).
    std::array<QString, 11> m_frequency;
    std::array<QString, 11> m_offset;
    QButtonGroup* m_offsets = nullptr;
    QButtonGroup* m_toneModes = nullptr;
    QButtonGroup* m_radioModes = nullptr;
    QLineEdit* m_frequencyBox = nullptr;
    int m_alarm = 1;
    int m_memory = 1;
    bool m_filling = false;
};

} // namespace kovo
