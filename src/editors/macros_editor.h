#pragma once

#include "editor_window.h"
#include "token_entry.h"

#include <array>

class QComboBox;
class QPushButton;
class QTabWidget;
class QTreeView;

namespace kovo {

// The macros editor (caption "Macros"): the function lists and access codes of the 40 long and 50
// short macros, the ports each of the 90 macros may be run from, the controller's function list
// to insert from, and the erasing of every macro in the controller.
class MacrosEditor : public EditorWindow {
    Q_OBJECT

public:
    static constexpr int LongMacros = 40;
    static constexpr int ShortMacros = 50;
    static constexpr int Macros = LongMacros + ShortMacros;

    MacrosEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);
    ~MacrosEditor() override;

    // The working port assignment of macro m (1-90), as stored ("1" ... "123").
    QString portAssignment(int macro) const { return m_ports[macro - 1]; }
    // The seven assignments: stored value and display name, in list order.
    static const QStringList& portValues();
    static const QStringList& portNames();

    // Inserts function `number` into the current macro box by the insertion rules.
    void insertFunction(int number);
    // "&Erase All Macros": asks, erases every macro in the controller, then empties every box.
    void eraseAllMacros();

protected:
    void boxChanged(Binding& binding) override;
    void fieldApplied(const Binding& binding) override;
    void loaded() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildMacroTab(int first, int last, bool withPorts);
    QWidget* buildPortFrame(QWidget* parent);
    void bindAll();
    void showPortAssignment();
    void applyPortAssignments();
    void leaveCodeBox(QLineEdit* box);
    void updateToolTip(QLineEdit* box);

    TokenEntry::Rules m_longRules;
    TokenEntry::Rules m_shortRules;
    std::unique_ptr<TokenEntry> m_entry;
    QTabWidget* m_tabs = nullptr;
    QTreeView* m_functions = nullptr;
    QComboBox* m_macroNumber = nullptr;
    QComboBox* m_portList = nullptr;
    QPushButton* m_erase = nullptr;
    std::array<QString, Macros> m_ports;
    int m_currentMacro = 1;
};

} // namespace kovo
