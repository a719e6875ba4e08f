#pragma once

#include "editor_window.h"
#include "link/controller_action.h"
#include "working_copies.h"

#include <deque>

class QButtonGroup;
class QListWidget;
class QLineEdit;

namespace kovo {

// The special codes editor (caption "Special Codes"): the unlock code of each port, the lock
// code and the terminator, the user DTMF regenerate settings, the Ostrik autopatch with its 200
// autodial memories and up to 100 toll-restricted numbers, and the prefixes, macro subset and
// DTMF mute digit.
//
// New unlock, lock and terminator codes go to the controller at once when applied: each is one
// controller action, run one after the other, which writes the code into the open database file
// and the database before it is sent and reports how the sending went. A code the controller
// took moves to its "Current" box; one that could not be sent stays in its "New" box, so the
// next Apply sends it again.
class SpecialCodesEditor : public EditorWindow {
    Q_OBJECT

public:
    SpecialCodesEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);

    static constexpr int AutoDialSlots = 200;
    static constexpr int TollNumbers = 100;

    QString ownWorkingCopy(const QString& field, int index = 0) const {
        return m_copies.value(field, index);
    }

    void addTollNumber();
    void deleteTollNumbers();

protected:
    void boxChanged(Binding& binding) override;
    void loaded() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildCodes();
    QWidget* buildUserDtmf();
    QWidget* buildAutopatch();
    QWidget* buildAutoDial();
    QWidget* buildTollRestrict();
    QWidget* buildPrefixes();
    QWidget* buildSubsetAndMute();
    void bindAll();
    void connectOwnControls();
    void showSlot(int slot);
    void applyOwnFields();
    void applyTollNumbers();
    // The new codes typed, as controller actions in the order they are sent.
    void queueNewCodes();
    void runNextCode();
    void codeEnded(const ControllerAction& action, bool succeeded);
    QLineEdit* newCodeBox(const ControllerAction& action) const;
    void showCurrentCodes();
    void colourOwnControls();

    WorkingCopies m_copies;
    QButtonGroup* m_muteDigit = nullptr;
    QListWidget* m_tollList = nullptr;
    QLineEdit* m_tollBox = nullptr;
    std::deque<ControllerAction> m_codes;
    int m_slot = 1;
    bool m_filling = false;
    bool m_checkingCode = false;
};

} // namespace kovo
