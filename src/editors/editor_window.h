#pragma once

#include "database/database.h"
#include "message_service.h"

#include <QColor>
#include <QHash>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QHBoxLayout;

namespace kovo {

class ControllerActionRunner;

// The base of every editor window: working copies of the fields it shows, the red/black rule,
// digits-only boxes, the range check when a box is left, Apply with its send-pending and group
// flags and SettingsSaved, Cancel Changes, and apply for the main window.
//
// An editor builds its controls, then binds each to its field element in the order Apply walks
// them, then calls loadFromDatabase(). Controls carry their control names as objectName
// ("HangTimer(2)" for element 2 of a control array). Laid out with each box's label left of it
// (or a frame caption over a group), the boxes get their buddy labels and accessible names
// without more code (see nameControls).
class EditorWindow : public QWidget {
    Q_OBJECT

public:
    EditorWindow(Database& db, MessageService& messages, QWidget* parent = nullptr);
    ~EditorWindow() override;

    // No more range checks when a box is left: the window is about to be closed or destroyed,
    // and focus moving away then is not the person leaving a box.
    void suspendLeaveChecks() { m_leaveChecksSuspended = true; }

    // What sends this editor's controller actions (erase macros, set clock, ...); may be null,
    // and then the editor's send buttons report that no link is available.
    void setActionRunner(ControllerActionRunner* runner) { m_actionRunner = runner; }
    ControllerActionRunner* actionRunner() const { return m_actionRunner; }

    // The working copy of one field element this editor edits; empty when it edits none.
    QString workingCopy(QStringView field, int index = 0) const;

    // Gives a text box the number-only edit style: only the digits 0 to 9 can be typed.
    // Calling it again on the same box is harmless.
    static void makeDigitsOnly(QLineEdit* box);
    static bool isDigitsOnly(const QLineEdit* box);
    // Text colour of a box whose working copy differs from the database (255) or not (0).
    static QColor changedColour() { return QColor(255, 0, 0); }
    static QColor unchangedColour() { return QColor(0, 0, 0); }
    static QColor textColour(const QLineEdit* box);

    // The control that edits one field element: its own, else the one control that shows every
    // element of the field (a list chooses which); nullptr when this editor shows none.
    QWidget* controlFor(QStringView field, int index = 0) const;

    // A control of this editor by its control name; nullptr when there is none.
    template <typename T> T* control(const QString& name) const { return findChild<T*>(name); }

signals:
    // apply() finished.
    void applied();

public slots:
    // Writes every changed working copy into the database, setting its send-pending flag and
    // group flag and clearing SettingsSaved; unchanged ones set nothing. The main window runs it
    // on the editor whose tab is left.
    void apply();
    // Puts the database values back into the controls and working copies.
    void cancelChanges();

protected:
    enum class Kind {
        Numeric,       // digits-only box; working copy = the numeric value as plain decimal
        Text,          // free text; working copy = the text exactly as typed
        TrimmedText,   // free text; working copy = the trimmed text
        List,          // drop-down list; working copy = the entry's text
        Check,         // check box; checked "1", clear "0"
        InvertedCheck, // check box; checked "0", clear "1"
    };

    struct Binding {
        Kind kind = Kind::Numeric;
        QWidget* control = nullptr;
        QString field;
        int index = 0;
        QString flag; // send-pending flag; empty when the field has none
        Group group = Group::Timers;
        QString working;
        bool trimOnLoad = false;
        // Range check when the box is left.
        bool checked = false;
        double low = 0;
        double high = 0;
        QString refusal;
        bool refocus = false;
    };

    Binding& bind(Kind kind, QWidget* control, const QString& field, int index, const QString& flag,
                  Group group);
    static void setRange(Binding& binding, double low, double high, const QString& refusal,
                         bool refocus = false);

    // load, and Cancel Changes: every control from its database value (text boxes through their
    // change handlers), then every working copy set to the database value.
    void loadFromDatabase();

    // The Apply and cancel buttons, wired to apply and cancelChanges.
    QHBoxLayout* makeButtonRow(const QString& cancelName, const QString& cancelCaption);

    // A text box's change, after its working copy was set and before its colour is; may change
    // the box's text again.
    virtual void boxChanged(Binding& binding) { Q_UNUSED(binding); }
    // After Apply wrote one element into the database.
    virtual void fieldApplied(const Binding& binding) { Q_UNUSED(binding); }
    // After load and after Cancel Changes put the database values back.
    virtual void loaded() {}
    virtual void changesCancelled() {}
    // Working copies an editor keeps outside the bindings, where one control shows one element
    // of many (the set point or courtesy tone chosen in a list). apply() writes them after the
    // bound ones and before applied(); workingCopy() asks here for elements it has no binding
    // for.
    virtual void applyUnbound() {}
    virtual std::optional<QString> unboundWorkingCopy(QStringView field, int index) const {
        Q_UNUSED(field);
        Q_UNUSED(index);
        return std::nullopt;
    }

    const std::vector<std::unique_ptr<Binding>>& bindings() const { return m_bindings; }
    Binding* findBinding(QStringView field, int index) const;
    QString databaseValue(const Binding& binding) const;
    void updateColour(const Binding& binding);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    Database& m_db;
    MessageService& m_messages;

private:
    void textChanged(Binding& binding);
    void leaveBox(Binding& binding);
    void setControlFromDatabase(Binding& binding);

    std::vector<std::unique_ptr<Binding>> m_bindings;
    QHash<QObject*, Binding*> m_byControl;
    bool m_inLeaveCheck = false;
    bool m_leaveChecksSuspended = false;
    // Every box and list is named for screen readers from its label and frame (nameControls) at
    // the first load and again when first shown.
    bool m_controlsNamed = false;
    bool m_shownOnce = false;
    ControllerActionRunner* m_actionRunner = nullptr;
};

} // namespace kovo
