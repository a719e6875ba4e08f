#include "macros_editor.h"

#include "controller_action_runner.h"
#include "database/macro_functions.h"
#include "database/vocabulary.h"
#include "function_list_model.h"
#include "program_info.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeView>

namespace kovo {

namespace {

const QString NoneStored = QStringLiteral("NONE STORED");
constexpr int LongLimit = 15;
constexpr int ShortLimit = 4;
constexpr int CodeLength = 8;

QLabel* labelFor(const QString& text, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    // Lists are not named by their buddies on every platform.
    if (qobject_cast<QAbstractItemView*>(control))
        control->setAccessibleName(QString(text).remove(u'&'));
    return label;
}

// The box of macro m (1-90) and its code box.
QString macroBoxName(int macro) {
    return macro <= MacrosEditor::LongMacros
               ? QStringLiteral("MacroSet(%1)").arg(macro)
               : QStringLiteral("ShortMacroSet(%1)").arg(macro - MacrosEditor::LongMacros);
}
QString codeBoxName(int macro) {
    return macro <= MacrosEditor::LongMacros
               ? QStringLiteral("MacroCodeSet(%1)").arg(macro)
               : QStringLiteral("ShortMacroCodeSet(%1)").arg(macro - MacrosEditor::LongMacros);
}

} // namespace

const QStringList& MacrosEditor::portValues() {
    static const QStringList values = {
        QStringLiteral("1"),  QStringLiteral("2"),  QStringLiteral("3"),   QStringLiteral("12"),
        QStringLiteral("13"), QStringLiteral("23"), QStringLiteral("123"),
    };
    return values;
}

const QStringList& MacrosEditor::portNames() {
    static const QStringList names = {
        QStringLiteral("Port 1"),      QStringLiteral("Port 2"),      QStringLiteral("Port 3"),
        QStringLiteral("Ports 1 & 2"), QStringLiteral("Ports 1 & 3"), QStringLiteral("Ports 2 & 3"),
        QStringLiteral("All Ports"),
    };
    return names;
}

MacrosEditor::MacrosEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent) {
    setObjectName(QStringLiteral("Macros"));
    setWindowTitle(QStringLiteral("Macros"));

    auto* layout = new QGridLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    for (int first = 1; first <= LongMacros; first += 10)
        m_tabs->addTab(buildMacroTab(first, first + 9, false),
                       QStringLiteral("%1-%2").arg(first).arg(first + 9));
    m_tabs->addTab(buildMacroTab(41, 60, false), QStringLiteral("41-60"));
    m_tabs->addTab(buildMacroTab(61, 80, false), QStringLiteral("61-80"));
    m_tabs->addTab(buildMacroTab(81, 90, true), QStringLiteral("81-90/Port Restrictions"));
    layout->addWidget(m_tabs, 0, 0, 3, 1);

    m_functions = new QTreeView(this);
    m_functions->setObjectName(QStringLiteral("FunctionList"));
    m_functions->setRootIsDecorated(false);
    m_functions->setUniformRowHeights(true);
    m_functions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_functions->setModel(new FunctionListModel(m_functions));
    m_functions->header()->resizeSection(0, 60);
    m_functions->setMinimumWidth(290);
    layout->addWidget(labelFor(QStringLiteral("&Function List"), m_functions, this), 0, 1);
    layout->addWidget(m_functions, 1, 1);

    auto* counter = new QLineEdit(this);
    counter->setObjectName(QStringLiteral("CharCounter"));
    counter->setReadOnly(true);
    counter->setMaximumWidth(50);
    auto* counterRow = new QHBoxLayout;
    counterRow->addWidget(labelFor(QStringLiteral("Function Counter"), counter, this));
    counterRow->addWidget(counter);
    counterRow->addStretch(1);
    layout->addLayout(counterRow, 2, 1);

    QHBoxLayout* buttons =
        makeButtonRow(QStringLiteral("CancelChanges"), QStringLiteral("&Cancel Changes"));
    m_erase = new QPushButton(QStringLiteral("&Erase All Macros"), this);
    m_erase->setObjectName(QStringLiteral("Erase"));
    buttons->insertWidget(0, m_erase);
    layout->addLayout(buttons, 3, 0, 1, 2);
    connect(m_erase, &QPushButton::clicked, this, &MacrosEditor::eraseAllMacros);

    const QString why = QStringLiteral(" (remember that functions greater than 255 count as 2)");
    for (auto [rules, limit] : {std::pair{&m_longRules, LongLimit}, {&m_shortRules, ShortLimit}}) {
        rules->limit = limit;
        rules->limitMessage =
            QStringLiteral("You can only use %1 functions in this macro!").arg(limit) + why;
        rules->cutWhenTyped = false;
        rules->count = &TokenEntry::countMacroUnits;
        rules->placeholder = NoneStored;
    }
    m_shortRules.normalizeOnLeave = false;
    m_entry = std::make_unique<TokenEntry>(messages, counter);

    bindAll();
    connect(m_functions, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& entry) { insertFunction(entry.data(Qt::UserRole).toInt()); });
    m_entry->setCurrentBox(control<QLineEdit>(macroBoxName(1)));

    loadFromDatabase();
}

MacrosEditor::~MacrosEditor() = default;

// The macro boxes and the code boxes in two frames of identical rows, so each code stands beside
// its macro.
QWidget* MacrosEditor::buildMacroTab(int first, int last, bool withPorts) {
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    auto* functions = new QGroupBox(QStringLiteral("Functions"), page);
    auto* functionGrid = new QGridLayout(functions);
    auto* codes = new QGroupBox(QStringLiteral("Code"), page);
    auto* codeGrid = new QGridLayout(codes);
    for (QGridLayout* rows : {functionGrid, codeGrid})
        rows->setVerticalSpacing(2);
    for (int m = first; m <= last; ++m) {
        const int row = m - first;
        auto* box = new QLineEdit(functions);
        box->setObjectName(macroBoxName(m));
        box->setAccessibleName(QStringLiteral("Macro %1").arg(m));
        box->setMinimumWidth(360);
        functionGrid->addWidget(labelFor(QString::number(m), box, functions), row, 0);
        functionGrid->addWidget(box, row, 1);
        auto* code = new QLineEdit(codes);
        code->setObjectName(codeBoxName(m));
        code->setAccessibleName(QStringLiteral("Macro %1 Code").arg(m));
        code->setMaximumWidth(90);
        codeGrid->addWidget(labelFor(QString::number(m), code, codes), row, 0);
        codeGrid->addWidget(code, row, 1);
    }
    grid->addWidget(functions, 0, 0, Qt::AlignTop);
    grid->addWidget(codes, 0, 1, Qt::AlignTop);
    int row = 1;
    if (withPorts)
        grid->addWidget(buildPortFrame(page), row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* MacrosEditor::buildPortFrame(QWidget* parent) {
    auto* frame = new QGroupBox(QStringLiteral("Macro Port Assignments"), parent);
    auto* grid = new QGridLayout(frame);
    m_macroNumber = new QComboBox(frame);
    m_macroNumber->setObjectName(QStringLiteral("MacroNum"));
    for (int m = 1; m <= Macros; ++m)
        m_macroNumber->addItem(QString::number(m));
    m_portList = new QComboBox(frame);
    m_portList->setObjectName(QStringLiteral("PortToAllow"));
    for (int entry = 0; entry < portNames().size(); ++entry)
        m_portList->addItem(portNames()[entry], portValues()[entry].toInt());
    grid->addWidget(labelFor(QStringLiteral("Macro &Number"), m_macroNumber, frame), 0, 0);
    grid->addWidget(m_macroNumber, 0, 1);
    grid->addWidget(labelFor(QStringLiteral("&Ports Allowed To Run From"), m_portList, frame), 1,
                    0);
    grid->addWidget(m_portList, 1, 1);
    grid->setColumnStretch(2, 1);
    connect(m_macroNumber, &QComboBox::activated, this, [this](int entry) {
        m_currentMacro = entry + 1;
        showPortAssignment();
    });
    connect(m_portList, &QComboBox::activated, this, [this](int entry) {
        m_ports[m_currentMacro - 1] = QString::number(m_portList->itemData(entry).toInt());
    });
    return frame;
}

// Bindings in the order Apply walks them: each long macro with its code, each short macro with
// its code; the port assignments follow them (applyPortAssignments).
void MacrosEditor::bindAll() {
    for (int m = 1; m <= Macros; ++m) {
        const bool isLong = m <= LongMacros;
        const int index = isLong ? m : m - LongMacros;
        const QString field = isLong ? QStringLiteral("Macro") : QStringLiteral("ShortMacro");
        const QString codeField = field + QStringLiteral("Code");
        auto* box = control<QLineEdit>(macroBoxName(m));
        auto* code = control<QLineEdit>(codeBoxName(m));
        bind(Kind::Text, box, field, index, field + QStringLiteral("Pending"), Group::Macros)
            .trimOnLoad = true;
        bind(Kind::Text, code, codeField, index, codeField + QStringLiteral("Pending"),
             Group::Macros)
            .trimOnLoad = !isLong;
        m_entry->addBox(box, isLong ? m_longRules : m_shortRules);
        box->installEventFilter(this);
        code->installEventFilter(this);
        connect(code, &QLineEdit::textEdited, this, [this, code] {
            if (code->text().size() <= CodeLength)
                return;
            m_messages.message(
                QStringLiteral("This code must be 8 characters long or less. Please try again."),
                QString());
            code->clear();
            code->setFocus(Qt::OtherFocusReason);
        });
    }
    connect(this, &EditorWindow::applied, this, &MacrosEditor::applyPortAssignments);
}

void MacrosEditor::boxChanged(Binding& binding) {
    if (!binding.field.endsWith(QLatin1String("Code")))
        binding.working = binding.working.toUpper();
}

void MacrosEditor::fieldApplied(const Binding& binding) {
    if (binding.field.endsWith(QLatin1String("Code")))
        return;
    auto* box = static_cast<QLineEdit*>(binding.control);
    QString stored = binding.working;
    if (binding.field == QLatin1String("ShortMacro"))
        stored = normalizeSpaces(stored);
    // An emptied macro is stored as the placeholder; the flag was set by the change.
    if (stored.trimmed().isEmpty())
        stored = NoneStored;
    if (stored == binding.working)
        return;
    m_db.setValue(binding.field, binding.index, stored);
    box->setText(stored);
}

// The port assignments have no control of their own for every macro: they are loaded here, so
// Cancel Changes drops an assignment not applied.
void MacrosEditor::loaded() {
    for (int m = 1; m <= Macros; ++m)
        m_ports[m - 1] = m_db.value(u"PortToAllow", m);
    showPortAssignment();
}

void MacrosEditor::applyPortAssignments() {
    for (int m = 1; m <= Macros; ++m) {
        if (m_ports[m - 1] != m_db.value(u"PortToAllow", m)) {
            m_db.setPending(u"PortToAllowPending", m);
            m_db.setGroupChanged(Group::PortToAllow);
            m_db.setSettingsSaved(false);
        }
        m_db.setValue(u"PortToAllow", m, m_ports[m - 1]);
    }
}

void MacrosEditor::showPortAssignment() {
    const int entry = portValues().indexOf(m_ports[m_currentMacro - 1].trimmed());
    m_macroNumber->setCurrentIndex(m_currentMacro - 1);
    if (entry >= 0)
        m_portList->setCurrentIndex(entry);
}

bool MacrosEditor::eventFilter(QObject* watched, QEvent* event) {
    // A macro's tool tip is made when the mouse rests on it, from what the box holds then.
    if (event->type() == QEvent::ToolTip) {
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (box && box->objectName().contains(QLatin1String("MacroSet")))
            updateToolTip(box);
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (box && box->objectName().contains(QLatin1String("CodeSet")) &&
            reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            leaveCodeBox(box);
    }
    return EditorWindow::eventFilter(watched, event);
}

// An access code left empty becomes "1090" followed by the macro's number.
void MacrosEditor::leaveCodeBox(QLineEdit* box) {
    if (!box->text().isEmpty())
        return;
    for (int m = 1; m <= Macros; ++m) {
        if (box->objectName() == codeBoxName(m)) {
            box->setText(QStringLiteral("1090") + QString::number(m));
            return;
        }
    }
}

void MacrosEditor::updateToolTip(QLineEdit* box) {
    const QString text = box->text().trimmed();
    box->setToolTip(text.isEmpty() || text == NoneStored ? QString()
                                                         : MacroFunctions::describeMacro(text));
}

void MacrosEditor::insertFunction(int number) {
    if (number <= 0)
        return;
    if (QLineEdit* box = m_entry->currentBox(); box && box->text() == QLatin1String("NONE"))
        box->clear();
    m_entry->insert(QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0')));
}

void MacrosEditor::eraseAllMacros() {
    const Answer answer = m_messages.ask(
        QStringLiteral("Are you sure you want to erase all macros (this will cause an immediate "
                       "update to be sent)?"),
        QStringLiteral("Erase All Macros"), Buttons::YesNo);
    if (answer != Answer::Yes)
        return;
    ControllerActionRunner* runner = actionRunner();
    if (!runner) {
        m_messages.message(QStringLiteral("No link to the Tarsis is available."), QString());
        return;
    }
    ControllerAction action;
    action.kind = ControllerAction::Kind::EraseAllMacros;
    m_erase->setEnabled(false);
    // The action reports its own end ("All Macros have been erased, ...").
    const bool started = runner->run(action, [self = QPointer(this)](bool erased) {
        if (!self)
            return;
        self->m_erase->setEnabled(true);
        // The controller's macros are gone: the boxes follow; the database waits for Apply.
        if (erased) {
            for (int m = 1; m <= Macros; ++m)
                self->control<QLineEdit>(macroBoxName(m))->setText(NoneStored);
        }
    });
    if (!started) {
        m_erase->setEnabled(true);
        m_messages.message(
            QStringLiteral("The link to the Tarsis is busy. Try again when it has finished."),
            QString());
    }
}

} // namespace kovo
