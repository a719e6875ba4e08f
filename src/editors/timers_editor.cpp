#include "timers_editor.h"

#include "program_info.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>
#include <limits>

namespace kovo {

namespace {

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// One per-port timer box: control name, field, label, unit, accepted range, refusal.
struct PortTimer {
    const char* control;
    const char* field;
    const char* label;
    const char* unit;
    int low;
    int high;
    const char* refusal;
};

constexpr PortTimer PortTimers[] = {
    {"HangTimer", "HangTime", "Hang Timer", "1/10 seconds", 0, 255,
     "The value must be between 0 and 255"},
    {"TimeOutTimer", "TimeOut", "Timeout Timer", "seconds", 0, 32767,
     "The value must be between 0 and 32767"},
    {"IIDTimer", "IIDTime", "Initial ID Timer", "minutes", 0, 255,
     "The value must be between 0 and 255"},
    {"PIDTimer", "PIDTime", "Pending ID Timer", "minutes", 0, 255,
     "The value must be between 0 and 255"},
    {"InactiveTimer", "InActiveTime", "Inactivity Timer", "minutes", 0, 255,
     "The value must be between 0 and 255"},
    {"DTMFTimer", "DTMFTime", "DTMF Mute Timer", "1/10 seconds", 0, 9999,
     "The value must be between 1 and 9999"},
    {"CTCSSTimer", "CTCSSTime", "Encode Timer", "1/10 seconds", 0, 255,
     "The value must be between 0 and 255"},
    {"KerchunkTimer", "KerchunkTime", "Kerchunk Timer", "1/1000 seconds", 0, 32000,
     "The value must be between 0 and 32000"},
    {"IDSpeakTimer", "IDSpeakTime", "Pending ID Speech Timer", "seconds", 0, 32000,
     "The value must be between 0 and 32000"},
    {"AnnounceTimer", "AnnounceTime", "TailMessage Timer", "seconds", 0, 3600,
     "The value must be between 0 and 3600"},
};

constexpr int GeneralTimerLimit = 32767;

QLineEdit* newBox(const QString& name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaximumWidth(90);
    return box;
}

QComboBox* newMacroList(const QString& name, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    for (int macro = 1; macro <= 90; ++macro)
        list->addItem(QString::number(macro));
    return list;
}

QLabel* newLabel(const char* text, QWidget* parent) {
    return new QLabel(QString::fromLatin1(text), parent);
}

} // namespace

TimersEditor::TimersEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent) {
    setObjectName(QStringLiteral("Timers"));
    setWindowTitle(QStringLiteral("Timers"));

    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TimerTabs"));
    for (int port = 1; port <= 3; ++port)
        m_tabs->addTab(buildPortTab(port), QStringLiteral("Port %1").arg(port));
    m_tabs->addTab(buildGlobalTab(), QStringLiteral("Global"));
    layout->addWidget(m_tabs);
    layout->addLayout(
        makeButtonRow(QStringLiteral("CancelChanges"), QStringLiteral("Cancel Changes")));

    bindAll();
    loadFromDatabase();
}

QWidget* TimersEditor::buildPortTab(int port) {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("PortTab(%1)").arg(port));
    auto* grid = new QGridLayout(page);
    int row = 0;
    for (const PortTimer& timer : PortTimers) {
        grid->addWidget(newLabel(timer.label, page), row, 0);
        grid->addWidget(newBox(indexed(timer.control, port), page), row, 1);
        grid->addWidget(newLabel(timer.unit, page), row, 2);
        ++row;
    }
    auto* note = newLabel("(note: setting this to 0 will disable IDs)", page);
    grid->addWidget(note, row++, 0, 1, 3);

    auto* frame = new QGroupBox(QStringLiteral("Inactivity Timer Macro Select"), page);
    frame->setObjectName(indexed("InactivityFrame", port));
    auto* frameLayout = new QHBoxLayout(frame);
    frameLayout->addWidget(newMacroList(indexed("InActivityMacroSet", port), frame));
    frameLayout->addStretch(1);
    grid->addWidget(frame, row++, 0, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(3, 1);
    return page;
}

QWidget* TimersEditor::buildGlobalTab() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("GlobalTab"));
    auto* grid = new QGridLayout(page);

    auto* aux = new QGroupBox(QStringLiteral("Aux Audio Timers"), page);
    aux->setObjectName(QStringLiteral("AuxFrame"));
    auto* auxGrid = new QGridLayout(aux);
    for (int n = 1; n <= 3; ++n) {
        auxGrid->addWidget(new QLabel(QStringLiteral("Port %1").arg(n), aux), n - 1, 0);
        auxGrid->addWidget(newBox(indexed("AuxTimer", n), aux), n - 1, 1);
        auxGrid->addWidget(newLabel("seconds", aux), n - 1, 2);
    }
    grid->addWidget(aux, 0, 0);

    auto* fan = new QGroupBox(QStringLiteral("Fan"), page);
    fan->setObjectName(QStringLiteral("FanFrame"));
    auto* fanGrid = new QGridLayout(fan);
    fanGrid->addWidget(newLabel("Timer", fan), 0, 0);
    fanGrid->addWidget(newBox(QStringLiteral("FanTimer"), fan), 0, 1);
    fanGrid->addWidget(newLabel("minutes", fan), 0, 2);
    auto* fanSelect = new QCheckBox(QStringLiteral("All Xmt Activity"), fan);
    fanSelect->setObjectName(QStringLiteral("FanSelect"));
    fanGrid->addWidget(fanSelect, 1, 0, 1, 3);
    grid->addWidget(fan, 0, 1);

    auto* delay = new QGroupBox(QStringLiteral("Speech/CW Delay"), page);
    delay->setObjectName(QStringLiteral("XmtDelayFrame"));
    auto* delayGrid = new QGridLayout(delay);
    delayGrid->addWidget(newLabel("Before Transmit", delay), 0, 0);
    delayGrid->addWidget(newBox(QStringLiteral("XmtDelaySet"), delay), 0, 1);
    delayGrid->addWidget(newLabel("ms", delay), 0, 2);
    grid->addWidget(delay, 1, 0);

    auto* link = new QGroupBox(QStringLiteral("Timeout Timer Control"), page);
    link->setObjectName(QStringLiteral("TimeoutLinkFrame"));
    auto* linkLayout = new QVBoxLayout(link);
    auto* linkSet = new QCheckBox(QStringLiteral("Enable Linking Control"), link);
    linkSet->setObjectName(QStringLiteral("TimeoutLinkSet"));
    linkLayout->addWidget(linkSet);
    grid->addWidget(link, 1, 1);

    auto* general = new QGroupBox(QStringLiteral("General Timers"), page);
    general->setObjectName(QStringLiteral("GeneralTimerFrame"));
    auto* generalGrid = new QGridLayout(general);
    for (int n = 1; n <= 3; ++n) {
        generalGrid->addWidget(new QLabel(QStringLiteral("Timer %1").arg(n), general), n - 1, 0);
        generalGrid->addWidget(newBox(indexed("GeneralTimerSet", n), general), n - 1, 1);
        generalGrid->addWidget(newLabel("seconds", general), n - 1, 2);
        generalGrid->addWidget(newLabel("Macro To Use", general), n - 1, 3);
        generalGrid->addWidget(newMacroList(indexed("GeneralTimerMacroSet", n), general), n - 1, 4);
    }
    grid->addWidget(general, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
    return page;
}

// Bindings in the order Apply walks them: per port the ten timers, AuxTime, InActivityMacro and
// the general timer with its macro; then the four single fields.
void TimersEditor::bindAll() {
    for (int port = 1; port <= 3; ++port) {
        for (const PortTimer& timer : PortTimers) {
            const QString field = QString::fromLatin1(timer.field);
            Binding& binding = bind(Kind::Numeric, control<QLineEdit>(indexed(timer.control, port)),
                                    field, port, field + QStringLiteral("Pending"), Group::Timers);
            setRange(binding, timer.low, timer.high, QString::fromLatin1(timer.refusal));
        }
        Binding& aux =
            bind(Kind::Numeric, control<QLineEdit>(indexed("AuxTimer", port)),
                 QStringLiteral("AuxTime"), port, QStringLiteral("AuxTimePending"), Group::Timers);
        aux.trimOnLoad = true;
        setRange(aux, 0, 32767, QStringLiteral("The value must be between 1 and 32767"));

        bind(Kind::List, control<QComboBox>(indexed("InActivityMacroSet", port)),
             QStringLiteral("InActivityMacro"), port, QStringLiteral("InActivityMacroPending"),
             Group::Timers);

        Binding& general =
            bind(Kind::TrimmedText, control<QLineEdit>(indexed("GeneralTimerSet", port)),
                 QStringLiteral("GeneralTimer"), port, QStringLiteral("GeneralTimerPending"),
                 Group::Timers);
        setRange(general, -std::numeric_limits<double>::infinity(), GeneralTimerLimit,
                 QStringLiteral("The value must be less than 32767"), true);
        bind(Kind::List, control<QComboBox>(indexed("GeneralTimerMacroSet", port)),
             QStringLiteral("GeneralTimerMacro"), port, QStringLiteral("GeneralTimerPending"),
             Group::Timers);
    }

    Binding& fan =
        bind(Kind::Numeric, control<QLineEdit>(QStringLiteral("FanTimer")),
             QStringLiteral("FanTime"), 0, QStringLiteral("FanTimePending"), Group::Timers);
    setRange(fan, 0, 32767, QStringLiteral("The value must be greater than 1 and less than 32767"));
    bind(Kind::InvertedCheck, control<QCheckBox>(QStringLiteral("FanSelect")),
         QStringLiteral("FanSelect"), 0, QStringLiteral("FanSelectPending"), Group::Timers);
    bind(Kind::Text, control<QLineEdit>(QStringLiteral("XmtDelaySet")), QStringLiteral("XmtDelay"),
         0, QStringLiteral("XmtDelayPending"), Group::Timers);
    bind(Kind::Check, control<QCheckBox>(QStringLiteral("TimeoutLinkSet")),
         QStringLiteral("TimeoutLink"), 0, QStringLiteral("TimeoutLinkPending"), Group::Timers);
}

void TimersEditor::boxChanged(Binding& binding) {
    if (binding.field == QLatin1String("InActiveTime")) {
        setInactivityEnabled(binding.index, numericValue(binding.working) != 0);
    } else if (binding.field == QLatin1String("GeneralTimer")) {
        if (numericValue(binding.working) > GeneralTimerLimit) {
            m_messages.message(QStringLiteral("Value must be less than 32767"), programTitle());
            // Emptying the box runs this handler again, which leaves the working copy empty.
            static_cast<QLineEdit*>(binding.control)->setText(QString());
        }
    }
}

void TimersEditor::loaded() {
    for (int port = 1; port <= 3; ++port)
        setInactivityEnabled(port, workingCopy(u"InActiveTime", port) != QLatin1String("0"));
}

void TimersEditor::setInactivityEnabled(int port, bool enabled) {
    if (auto* frame = control<QGroupBox>(indexed("InactivityFrame", port)))
        frame->setEnabled(enabled);
    if (auto* list = control<QComboBox>(indexed("InActivityMacroSet", port)))
        list->setEnabled(enabled);
}

void TimersEditor::fieldApplied(const Binding& binding) {
    if (binding.field == QLatin1String("InActiveTime"))
        deriveDisableTimeout(binding.index);
}

void TimersEditor::changesCancelled() {
    for (int port = 1; port <= 3; ++port)
        deriveDisableTimeout(port);
}

// The port switch follows the inactivity timer: "1" when the timer is "0". This derived change
// sets no send-pending flag and no group flag.
void TimersEditor::deriveDisableTimeout(int port) {
    const bool disabled = m_db.value(u"InActiveTime", port) == QLatin1String("0");
    m_db.setValue(u"DisableTimeout", port, disabled ? QStringLiteral("1") : QStringLiteral("0"));
    emit disableTimeoutDerived(port, disabled);
}

} // namespace kovo
