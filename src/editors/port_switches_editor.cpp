#include "port_switches_editor.h"

#include "editor_controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kovo {

namespace {

QString indexed(const QString& name, int index) {
    return QStringLiteral("%1(%2)").arg(name).arg(index);
}
QString indexed(const char* name, int index) {
    return indexedName(name, index);
}

// The per-port check boxes, in the order shown and applied: control name (= field), caption.
struct PortCheck {
    const char* field;
    const char* caption;
};

constexpr PortCheck PortChecks[] = {
    {"TxEnable", "Transmitter Enable"},
    {"RxEnable", "Receiver Enable"},
    {"DisableTimeout", "Disable Inactivity Timer"},
    {"FDup", "Repeater Mode"},
    {"DTMFEnable", "DTMF Enable"},
    {"DTMFNeedPL", "DTMF Require Tone"},
    {"DTMFMute", "DTMF Mute"},
    {"DTMFCovertone", "DTMF Covertone"},
    {"MonMix", "Monitor Mix"},
    {"Kerchunk", "Kerchunk Filter"},
    {"SpeechOverride", "Speech Override"},
    {"SpeechIDOverride", "Speech ID Override"},
};

// An option pair: the field, its frame caption (none for the pair inside "Tone Encode Control"),
// and the buttons storing "0" and "1".
struct OptionPair {
    const char* field;
    const char* zeroName;
    const char* zeroCaption;
    const char* oneName;
    const char* oneCaption;
};

constexpr OptionPair EncodeTimerPair = {"CTCSSCT", "PLCOS", "Timer Starts After COS", "PLCT",
                                        "Timer Starts After CT"};
constexpr OptionPair PolarityPair = {"PLEncodePolarity", "PLLow", "Lo", "PLHigh", "Hi"};
constexpr OptionPair ClosurePair = {"COSClose", "COSCloseSet", "COS", "PLCloseSet", "Tone"};

const QString TailMessageField = QStringLiteral("TailMessageNum");

// P1MessageNum for port 1, and so on.
QString messageNumField(int port) {
    return QStringLiteral("P%1MessageNum").arg(port);
}

// A caption set as the buddy of `buddy`, with a control name of its own so it can be hidden.
QLabel* newNamedLabel(const QString& text, const QString& name, QWidget* buddy, QWidget* parent) {
    QLabel* label = newBuddyLabel(text, buddy, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

PortSwitchesEditor::PortSwitchesEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent), m_working(db) {
    setObjectName(QStringLiteral("PortSwitches"));
    setWindowTitle(QStringLiteral("Port Switches"));

    auto* layout = new QVBoxLayout(this);
    auto* ports = new QHBoxLayout;
    for (int port = 1; port <= 3; ++port)
        ports->addWidget(buildPortFrame(port));
    ports->addWidget(buildAlarms(), 0, Qt::AlignTop);
    layout->addLayout(ports);
    layout->addLayout(makeButtonRow(QStringLiteral("Cancel"), QStringLiteral("C&ancel Changes")));

    bindAll();
    loadFromDatabase();
}

QButtonGroup* PortSwitchesEditor::pairGroup(const QString& field, int port) const {
    return findChild<QButtonGroup*>(indexed(field + QStringLiteral("Pair"), port),
                                    Qt::FindDirectChildrenOnly);
}

QWidget* PortSwitchesEditor::buildPortFrame(int port) {
    auto* frame = new QGroupBox(QStringLiteral("Port %1").arg(port), this);
    frame->setObjectName(indexed("PortFrame", port));
    auto* grid = new QGridLayout(frame);
    int row = 0;

    grid->setVerticalSpacing(3);
    for (const PortCheck& check : PortChecks) {
        auto* box = new QCheckBox(QString::fromLatin1(check.caption), frame);
        box->setObjectName(indexed(check.field, port));
        grid->addWidget(box, row++, 0, 1, 2);
    }

    auto makePair = [this, port](const OptionPair& pair, QWidget* parent, QBoxLayout* into) {
        auto* group = new QButtonGroup(this);
        group->setObjectName(indexed(QLatin1String(pair.field) + QStringLiteral("Pair"), port));
        auto* zero = new QRadioButton(QString::fromLatin1(pair.zeroCaption), parent);
        zero->setObjectName(indexed(pair.zeroName, port));
        auto* one = new QRadioButton(QString::fromLatin1(pair.oneCaption), parent);
        one->setObjectName(indexed(pair.oneName, port));
        group->addButton(zero, 0);
        group->addButton(one, 1);
        into->addWidget(zero);
        into->addWidget(one);
        const QString field = QString::fromLatin1(pair.field);
        connect(group, &QButtonGroup::idClicked, this, [this, field, port](int id) {
            m_working.setValue(field, port, QString::number(id));
        });
    };

    auto* access = newList(indexed("AccessMode", port), frame);
    addNumberedEntries(access, {{"Carrier", 0}, {"Tone & Carrier", 1}, {"Tone Only", 2}});
    connect(access, &QComboBox::currentIndexChanged, this, [this, access, port](int entry) {
        if (!m_loading && entry >= 0)
            m_working.setValue(QStringLiteral("PLAccess"), port, currentNumber(access));
    });
    grid->addWidget(newNamedLabel(QStringLiteral("Access Mode"), indexed("AccessModeLabel", port),
                                  access, frame),
                    row, 0);
    grid->addWidget(access, row++, 1);

    auto* encode = new QGroupBox(QStringLiteral("Tone Encode Control"), frame);
    encode->setObjectName(indexed("ToneEncodeFrame", port));
    auto* encodeLayout = new QVBoxLayout(encode);
    auto* plid = new QCheckBox(QStringLiteral("ON During ID/Speech"), encode);
    plid->setObjectName(indexed("PLID", port));
    encodeLayout->addWidget(plid);
    makePair(EncodeTimerPair, encode, encodeLayout);
    grid->addWidget(encode, row++, 0, 1, 2);

    auto* tail = newList(indexed("TailMessageNumSet", port), frame);
    addNumberedEntries(tail, {{"NONE", 0}, {"1", 1}, {"2", 2}, {"3", 3}});
    connect(tail, &QComboBox::currentIndexChanged, this, [this, port] {
        if (!m_loading)
            chooseTailMessage(port);
    });
    grid->addWidget(newNamedLabel(QStringLiteral("Tail Message"),
                                  indexed("TailMessageNumLabel", port), tail, frame),
                    row, 0);
    grid->addWidget(tail, row++, 1);

    auto* macro = newList(indexed("MessageNumSet", port), frame);
    addNumberEntries(macro, 1, 90);
    connect(macro, &QComboBox::currentIndexChanged, this, [this, port] {
        if (!m_loading)
            chooseMacro(port);
    });
    grid->addWidget(newNamedLabel(QStringLiteral("Macro To Use"), indexed("MessageNumLabel", port),
                                  macro, frame),
                    row, 0);
    grid->addWidget(macro, row++, 1);

    auto* counter = new QLineEdit(frame);
    counter->setObjectName(indexed("TailCounterSet", port));
    counter->setMaximumWidth(90);
    grid->addWidget(newNamedLabel(QStringLiteral("Tail Counter"), indexed("TailCounterLabel", port),
                                  counter, frame),
                    row, 0);
    grid->addWidget(counter, row++, 1);

    auto* polarity = new QGroupBox(QStringLiteral("Tone Encode Polarity"), frame);
    polarity->setObjectName(indexed("PolarityFrame", port));
    auto* polarityLayout = new QHBoxLayout(polarity);
    makePair(PolarityPair, polarity, polarityLayout);
    grid->addWidget(polarity, row++, 0, 1, 2);

    auto* closure = new QGroupBox(QStringLiteral("DTMF Evaluate On Closure"), frame);
    closure->setObjectName(indexed("ClosureFrame", port));
    auto* closureLayout = new QHBoxLayout(closure);
    makePair(ClosurePair, closure, closureLayout);
    grid->addWidget(closure, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    return frame;
}

QWidget* PortSwitchesEditor::buildAlarms() {
    auto* bottom = new QWidget(this);
    auto* column = new QVBoxLayout(bottom);
    column->setContentsMargins(0, 0, 0, 0);
    auto* alarms = new QGroupBox(QStringLiteral("Alarms"), bottom);
    alarms->setObjectName(QStringLiteral("AlarmFrame"));
    auto* alarmColumn = new QVBoxLayout(alarms);
    for (int a = 1; a <= 5; ++a) {
        auto* alarm = new QCheckBox(QStringLiteral("Alarm %1").arg(a), alarms);
        alarm->setObjectName(indexed("Alarm", a));
        alarmColumn->addWidget(alarm);
    }
    column->addWidget(alarms);
    auto* speech = new QCheckBox(QStringLiteral("Allow Speech w/Terminator"), bottom);
    speech->setObjectName(QStringLiteral("AllowTerminatorSpeechSet"));
    column->addWidget(speech);
    return bottom;
}

// Bound controls in the order Apply walks them; the access mode, the option pairs and the tail
// messages are working copies of the editor's own, applied after them.
void PortSwitchesEditor::bindAll() {
    for (int port = 1; port <= 3; ++port) {
        for (const PortCheck& check : PortChecks) {
            const QString field = QString::fromLatin1(check.field);
            // DisableTimeout has no command of its own: it follows the inactivity timer.
            const QString flag = field == QLatin1String("DisableTimeout")
                                     ? QString()
                                     : field + QStringLiteral("Pending");
            bind(Kind::Check, control<QCheckBox>(indexed(field, port)), field, port, flag,
                 Group::PortSwitches);
        }
        bind(Kind::Check, control<QCheckBox>(indexed("PLID", port)), QStringLiteral("CTCSSID"),
             port, QStringLiteral("CTCSSIDPending"), Group::PortSwitches);
        Binding& counter = bind(Kind::Text, control<QLineEdit>(indexed("TailCounterSet", port)),
                                QStringLiteral("TailCounter"), port,
                                QStringLiteral("TailCounterPending"), Group::PortSwitches);
        setRange(counter, 0, 254,
                 QStringLiteral("The Tail Counter value must be between 0 and 254"));
    }
    for (int a = 1; a <= 5; ++a)
        bind(Kind::Check, control<QCheckBox>(indexed("Alarm", a)), QStringLiteral("Alarm"), a,
             QStringLiteral("AlarmPending"), Group::PortSwitches);
    bind(Kind::Check, control<QCheckBox>(QStringLiteral("AllowTerminatorSpeechSet")),
         QStringLiteral("AllowTerminatorSpeech"), 0, QStringLiteral("AllowTerminatorSpeechPending"),
         Group::PortSwitches);

    for (int port = 1; port <= 3; ++port) {
        for (const char* name :
             {"PLAccess", "CTCSSCT", "TailMessageNum", "PLEncodePolarity", "COSClose"}) {
            const QString field = QString::fromLatin1(name);
            m_working.add(field, port, field + QStringLiteral("Pending"), port,
                          Group::PortSwitches);
        }
    }
    // P1MessageNum(n), P2MessageNum(n) and P3MessageNum(n) are sent together.
    for (int n = 1; n <= 3; ++n) {
        for (int port = 1; port <= 3; ++port)
            m_working.add(messageNumField(port), n, QStringLiteral("PortMessageNumPending"), n,
                          Group::PortSwitches);
    }
}

void PortSwitchesEditor::boxChanged(Binding& binding) {
    // The tail counter keeps the text as typed, digits only.
    makeDigitsOnly(static_cast<QLineEdit*>(binding.control));
}

void PortSwitchesEditor::loaded() {
    m_loading = true;
    m_working.load();
    for (int port = 1; port <= 3; ++port) {
        selectByNumber(control<QComboBox>(indexed("AccessMode", port)),
                       m_working.value(QStringLiteral("PLAccess"), port));
        for (const char* field : {"CTCSSCT", "PLEncodePolarity", "COSClose"}) {
            const QString name = QString::fromLatin1(field);
            const bool one = m_working.value(name, port) == QLatin1String("1");
            pairGroup(name, port)->button(one ? 1 : 0)->setChecked(true);
        }

        const QString tailMessage = m_working.value(TailMessageField, port);
        selectByNumber(control<QComboBox>(indexed("TailMessageNumSet", port)), tailMessage);
        const bool none = tailMessage == QLatin1String("0");
        showTailControls(port, !none);
        if (!none)
            showMacro(port, numericInt(tailMessage));
    }
    m_currentTailMessage = 1;
    m_loading = false;
}

void PortSwitchesEditor::showTailControls(int port, bool visible) {
    for (const char* name :
         {"MessageNumSet", "MessageNumLabel", "TailCounterSet", "TailCounterLabel"})
        control<QWidget>(indexed(name, port))->setVisible(visible);
}

// The macro list shows the port's message-number field at `tailMessage`.
void PortSwitchesEditor::showMacro(int port, int tailMessage) {
    auto* list = control<QComboBox>(indexed("MessageNumSet", port));
    const QString field = messageNumField(port);
    const bool wasLoading = m_loading;
    m_loading = true;
    if (tailMessage >= 1 && tailMessage <= 3) {
        m_macroShown[port] = tailMessage;
        selectByText(list, m_working.value(field, tailMessage));
        colourMacro(port);
    }
    m_loading = wasLoading;
}

// Red while the element the list last showed or took differs from the database.
void PortSwitchesEditor::colourMacro(int port) {
    const int shown = m_macroShown[port];
    if (shown >= 1 && shown <= 3)
        colourControl(control<QComboBox>(indexed("MessageNumSet", port)),
                      m_working.changed(messageNumField(port), shown));
}

void PortSwitchesEditor::chooseTailMessage(int port) {
    auto* tail = control<QComboBox>(indexed("TailMessageNumSet", port));
    const QString stored = currentNumber(tail);
    if (stored.isEmpty())
        return;
    m_working.setValue(TailMessageField, port, stored);
    if (stored != QLatin1String("0")) {
        m_currentTailMessage = stored.toInt();
        showTailControls(port, true);
        showMacro(port, m_currentTailMessage);
        return;
    }
    // No tail message: the tail counter goes to 0 with it.
    control<QLineEdit>(indexed("TailCounterSet", port))->setText(QStringLiteral("0"));
    showTailControls(port, false);
}

void PortSwitchesEditor::chooseMacro(int port) {
    auto* list = control<QComboBox>(indexed("MessageNumSet", port));
    if (list->currentIndex() < 0)
        return;
    const QString field = messageNumField(port);
    m_working.setValue(field, m_currentTailMessage, list->currentText());
    m_macroShown[port] = m_currentTailMessage;
    colourMacro(port);
}

void PortSwitchesEditor::setDisableTimeout(int port, bool disabled) {
    if (auto* box = control<QCheckBox>(indexed("DisableTimeout", port)))
        box->setChecked(disabled);
}

void PortSwitchesEditor::fieldApplied(const Binding& binding) {
    if (binding.field == QLatin1String("DisableTimeout") &&
        m_db.value(binding.field, binding.index) == QLatin1String("1"))
        zeroTimer(QStringLiteral("InActiveTime"), "InactiveTimer", binding.index);
}

// A timer of the timers editor set to "0" by this editor: sent and saved like the timers
// editor's own change, and its box shows "0".
void PortSwitchesEditor::zeroTimer(const QString& field, const char* box, int port) {
    if (m_db.value(field, port) != QLatin1String("0")) {
        m_db.setValue(field, port, QStringLiteral("0"));
        m_db.setPending(field + QStringLiteral("Pending"), port);
        m_db.setGroupChanged(Group::Timers);
        m_db.setSettingsSaved(false);
    }
    emit timerZeroed(indexed(box, port));
}

void PortSwitchesEditor::applyUnbound() {
    m_working.apply();
    for (int port = 1; port <= 3; ++port) {
        if (m_db.value(TailMessageField, port) == QLatin1String("0"))
            zeroTimer(QStringLiteral("AnnounceTime"), "AnnounceTimer", port);
        colourMacro(port);
    }
}

std::optional<QString> PortSwitchesEditor::unboundWorkingCopy(QStringView field, int index) const {
    const QString name = field.toString();
    const bool held = name == TailMessageField || name.endsWith(QLatin1String("MessageNum")) ||
                      QStringList{QStringLiteral("PLAccess"), QStringLiteral("CTCSSCT"),
                                  QStringLiteral("PLEncodePolarity"), QStringLiteral("COSClose")}
                          .contains(name);
    if (!held || index < 1 || index > 3)
        return std::nullopt;
    return m_working.value(name, index);
}

} // namespace kovo
