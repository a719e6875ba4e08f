#pragma once

#include <QAnyStringView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>

namespace kovo {

struct FieldSpec;

// The groups of file keys that the database writer writes only when changed. `Unlock` has no
// flag of its own in the file format's rules: every write includes it.
enum class Group {
    Timers,
    Scheduler,
    Analog,
    Remote,
    Alarms,
    ID,
    IDExtras,
    Macros,
    PortToAllow,
    Courtesy,
    MessageMacros,
    DTMF,
    Autopatch,
    MacroSubset,
    DTMFMuteDigitSelect,
    PortSwitches,
    Unlock,
};
inline constexpr int GroupCount = static_cast<int>(Group::Unlock) + 1;

// The whole configuration of one controller, every field held as text exactly as the database
// file stores it. Fields are addressed by their file key without the index ("HangTime") and a
// 1-based index; single fields use index 0. send-pending flags are addressed by their full name
// ("HangTimePending", "GeneralTimerPending", "CourtesyPending") and the same kind of index.
//
// Naming a field or flag that does not exist, or an index outside its range, is a programming
// error and stops the program with a message naming it.
class Database {
public:
    Database(); // every field at its default, every flag clear, SettingsSaved true

    QString value(QAnyStringView field, int index = 0) const;
    void setValue(QAnyStringView field, int index, const QString& text);
    void setValue(QAnyStringView field, const QString& text) { setValue(field, 0, text); }
    // The same by table entry, for code that walks the field table.
    const QString& value(const FieldSpec& field, int index) const;
    void setValue(const FieldSpec& field, int index, const QString& text);

    bool pending(QAnyStringView flag, int index = 0) const;
    void setPending(QAnyStringView flag, int index = 0, bool on = true);
    void clearPending(QAnyStringView flag, int index = 0) { setPending(flag, index, false); }
    void setAllPending(bool on);
    bool anyPending() const;
    // Every (flag, index) pair that is set, in declaration order; for tests and diagnostics.
    QStringList pendingNames() const;

    // Courtesy tones have one flag per port (1-3), segment (1-4) and tone (1-10).
    static int courtesyIndex(int port, int segment, int tone) {
        return (port - 1) * 40 + (segment - 1) * 10 + tone;
    }

    bool groupChanged(Group group) const { return m_groupChanged[static_cast<int>(group)]; }
    void setGroupChanged(Group group, bool on = true) {
        m_groupChanged[static_cast<int>(group)] = on;
    }
    void setAllGroupsChanged(bool on = true) { m_groupChanged.fill(on); }

    // True while the configuration holds no applied change that is not in its file.
    bool settingsSaved() const { return m_settingsSaved; }
    void setSettingsSaved(bool saved) { m_settingsSaved = saved; }
    // True when the last load wrote at least one error-log line.
    bool loadErrors() const { return m_loadErrors; }
    void setLoadErrors(bool on) { m_loadErrors = on; }
    // True when the last load found the working Lock equal to the working Terminator.
    bool lockTerminatorClash() const { return m_lockTerminatorClash; }
    void setLockTerminatorClash(bool on) { m_lockTerminatorClash = on; }

    // Lock and Terminator exist twice. value("Lock") / value("Terminator") are the working copies
    // that the special-codes editor changes; the stored copies are what the file gets and what
    // the command senders append as the terminator.
    QString storedLock() const { return m_storedLock; }
    QString storedTerminator() const { return m_storedTerminator; }
    void setStoredLock(const QString& lock) { m_storedLock = lock; }
    void setStoredTerminator(const QString& terminator) { m_storedTerminator = terminator; }

    // Per meter alarm (1-10): true when its type is not "0". Kept by the analog editor.
    bool meterAlarmOn(int alarm) const;
    void setMeterAlarmOn(int alarm, bool on);

    // Field values only (not flags), for round-trip comparisons.
    bool sameValues(const Database& other) const;
    // "Field(index): ours != theirs" for every differing value; empty when sameValues().
    QStringList differences(const Database& other) const;

private:
    int fieldSlot(QAnyStringView field, int index) const;
    int flagSlot(QAnyStringView flag, int index) const;
    int fieldSlot(const FieldSpec& field, int index) const;

    QVector<QString> m_values; // every field element, in field-table order
    QVector<bool> m_pending;   // every flag element, in flag-table order
    std::array<bool, GroupCount> m_groupChanged{};
    std::array<bool, 10> m_meterAlarmOn{};
    QString m_storedLock;
    QString m_storedTerminator;
    bool m_settingsSaved = true;
    bool m_loadErrors = false;
    bool m_lockTerminatorClash = false;
};

// The numeric value of a text: the number at its start, blanks skipped wherever they stand,
// reading stopped at the first character that cannot continue a decimal number; 0 when there is
// none ("12A" is 12, "ABC" is 0, "-5" is -5, " 2.5x" is 2.5, "2 56" is 256).
double numericValue(QStringView text);
// The numeric value truncated toward zero and clamped to the int range.
int numericInt(QStringView text);

} // namespace kovo
