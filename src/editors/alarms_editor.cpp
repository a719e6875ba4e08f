#include "alarms_editor.h"

#include "editor_controls.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace kovo {

namespace {

constexpr int Alarms = 5;
constexpr int Memories = 10;
constexpr int YaesuRadio = 3;

const QString AlarmLow = QStringLiteral("AlarmLowMacroNum");
const QString AlarmHigh = QStringLiteral("AlarmHighMacroNum");
const QString RadioType = QStringLiteral("RadioType");
const QString YaesuType = QStringLiteral("YaesuType");
const QString Prefix = QStringLiteral("RemoteBasePrefix");
const QString FreqString = QStringLiteral("FreqString");
const QString Ctcss = QStringLiteral("CTCSS");
const QString CtcssMode = QStringLiteral("CTCSSMode");
const QString RadioMode = QStringLiteral("RadioMode");
const QString NoPrefix = QStringLiteral("No Prefix");
const QString NoneStored = QStringLiteral("NONE STORED");

const QString NotDigits =
    QStringLiteral("The frequency may hold only digits and one decimal point, for example 146.520");
const QString TooManyDigits =
    QStringLiteral("The frequency has too many digits: type at most three before the decimal "
                   "point and three after it, for example 146.520");
const QString WrongDigitCount = QStringLiteral(
    "Type the frequency as six digits (146520) or in megahertz with its decimal point (146.520)");

// An option button of one exclusive group: caption, control name, stored number.
struct Option {
    const char* caption;
    const char* name;
    int number;
};

constexpr Option Offsets[] = {{" -", "Minus", 1}, {"Sim", "Simplex", 2}, {" +", "Plus", 3}};
constexpr Option ToneModes[] = {{"Off", "NoPL", 0}, {"En", "Encode", 1}, {"Dec", "Decode", 2}};
constexpr Option RadioModes[] = {{"LSB", "LSBSet", 1},
                                 {"USB", "USBSet", 2},
                                 {"CW", "CWSet", 3},
                                 {"FM", "FMSet", 4},
                                 {"AM", "AMSet", 5}};

QButtonGroup* addOptions(const Option* options, int count, const QString& prefix, QWidget* parent,
                         QBoxLayout* layout) {
    auto* group = new QButtonGroup(parent);
    for (int i = 0; i < count; ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(options[i].caption), parent);
        button->setObjectName(prefix + QLatin1String(options[i].name));
        group->addButton(button, options[i].number);
        layout->addWidget(button);
    }
    return group;
}

// Checks the button carrying the numeric value of `value`; none when no button does.
void checkOption(QButtonGroup* group, const QString& value) {
    static const QRegularExpression number(QStringLiteral("^\\s*[0-9]+\\s*$"));
    QAbstractButton* button =
        number.match(value).hasMatch() ? group->button(numericInt(value)) : nullptr;
    if (button) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* each : group->buttons())
        each->setChecked(false);
    group->setExclusive(true);
}

bool isEmptyMemory(const QString& stored) {
    return stored.trimmed().isEmpty() || stored == NoneStored;
}

} // namespace

AlarmsEditor::Frequency AlarmsEditor::frequencyDigits(const QString& typed) {
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    static const QRegularExpression allowed(QStringLiteral("^[0-9]*(\\.[0-9]*)?$"));
    if (!allowed.match(text).hasMatch())
        return {QString(), NotDigits};
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0) {
        if (text.size() == 6)
            return {text, QString()};
        if (text.size() <= 3)
            return {text.rightJustified(3, QLatin1Char('0')) + QStringLiteral("000"), QString()};
        return {QString(), text.size() > 6 ? TooManyDigits : WrongDigitCount};
    }
    const QString megahertz = text.left(point);
    const QString kilohertz = text.mid(point + 1);
    if (megahertz.size() > 3 || kilohertz.size() > 3)
        return {QString(), TooManyDigits};
    if (megahertz.isEmpty() && kilohertz.isEmpty())
        return {QString(), WrongDigitCount};
    return {megahertz.rightJustified(3, QLatin1Char('0')) +
                kilohertz.leftJustified(3, QLatin1Char('0')),
            QString()};
}

AlarmsEditor::AlarmsEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent), m_copies(db) {
    setObjectName(QStringLiteral("Alarms"));
    setWindowTitle(QStringLiteral("Alarms"));

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(buildAlarms());
    top->addWidget(buildRemoteBase(), 1);
    layout->addLayout(top);
    layout->addWidget(buildMemories(QStringLiteral("OtherMemoryFrame"),
                                    QStringLiteral("Remote Base Memories"),
                                    QStringLiteral("Other")));
    // The V7 and G707 memories are kept in the same memories; their frame is never shown.
    QWidget* v7 =
        buildMemories(QStringLiteral("V7MemoryFrame"),
                      QStringLiteral("V7/G707 Remote Base Memories"), QStringLiteral("V7"));
    v7->hide();
    layout->addWidget(v7);
    layout->addStretch(1);
    layout->addLayout(
        makeButtonRow(QStringLiteral("CancelChanges"), QStringLiteral("&Cancel Changes")));

    m_frequencyBox = control<QLineEdit>(QStringLiteral("OtherFreqStringSet"));
    m_frequencyBox->installEventFilter(this);
    addWorkingCopies();
    connectControls();
    loadFromDatabase();
}

QWidget* AlarmsEditor::buildAlarms() {
    auto* frame = new QGroupBox(QStringLiteral("Alarm Setup"), this);
    frame->setObjectName(QStringLiteral("AlarmFrame"));
    auto* grid = new QGridLayout(frame);
    auto* number = newList(QStringLiteral("AlarmNumSet"), frame);
    addNumberEntries(number, 1, Alarms);
    auto* low = newList(QStringLiteral("UseLowMacroSet"), frame);
    addNumberEntries(low, 1, 90, 2);
    auto* high = newList(QStringLiteral("UseHighMacroSet"), frame);
    addNumberEntries(high, 1, 90, 2);
    grid->addWidget(newBuddyLabel(QStringLiteral("Alarm Number"), number, frame), 0, 0);
    grid->addWidget(number, 0, 1);
    grid->addWidget(newBuddyLabel(QStringLiteral("Low-to-High Macro To Use"), low, frame), 1, 0);
    grid->addWidget(low, 1, 1);
    grid->addWidget(newBuddyLabel(QStringLiteral("High-to-Low Macro To Use"), high, frame), 2, 0);
    grid->addWidget(high, 2, 1);
    return frame;
}

QWidget* AlarmsEditor::buildRemoteBase() {
    auto* frame = new QGroupBox(QStringLiteral("Remote Base Setup"), this);
    frame->setObjectName(QStringLiteral("RemoteBaseFrame"));
    auto* grid = new QGridLayout(frame);
    auto* radio = newList(RadioType, frame);
    addNumberedEntries(radio, {{"Kenwood Serial", 1},
                               {"Icom", 2},
                               {"Yaesu", 3},
                               {"Kenwood V7A", 4},
                               {"Orbisk", 5},
                               {"Kenwood G707", 7},
                               {"Kenwood TM-271/471", 8}});
    auto* yaesu = newList(YaesuType, frame);
    addNumberedEntries(
        yaesu, {{"FT-100D", 1}, {"FT-817", 2}, {"FT-847", 3}, {"FT-857", 4}, {"FT-897", 5}});
    auto* prefix = newBox(QStringLiteral("RemoteBasePrefixSet"), frame);
    grid->addWidget(newBuddyLabel(QStringLiteral("Radio Type"), radio, frame), 0, 0);
    grid->addWidget(radio, 0, 1);
    auto* yaesuLabel = newBuddyLabel(QStringLiteral("Yaesu Type"), yaesu, frame);
    yaesuLabel->setObjectName(QStringLiteral("YaesuTypeLabel"));
    grid->addWidget(yaesuLabel, 1, 0);
    grid->addWidget(yaesu, 1, 1);
    grid->addWidget(newBuddyLabel(QStringLiteral("Remote Base Prefix"), prefix, frame), 2, 0);
    grid->addWidget(prefix, 2, 1);
    grid->setColumnStretch(2, 1);
    return frame;
}

QWidget* AlarmsEditor::buildMemories(const QString& name, const QString& caption,
                                     const QString& prefix) {
    auto* frame = new QGroupBox(caption, this);
    frame->setObjectName(name);
    auto* grid = new QGridLayout(frame);
    auto* number = newList(prefix + QStringLiteral("MemoryNum"), frame);
    addNumberEntries(number, 1, Memories);
    auto* frequency = newBox(prefix + QStringLiteral("FreqStringSet"), frame);

    grid->addWidget(newBuddyLabel(QStringLiteral("Memory Number"), number, frame), 0, 0);
    grid->addWidget(number, 0, 1);
    grid->addWidget(newBuddyLabel(QStringLiteral("Frequency"), frequency, frame), 1, 0);
    grid->addWidget(frequency, 1, 1);
    auto* offsets = new QHBoxLayout;
    QButtonGroup* offsetGroup = addOptions(Offsets, 3, prefix, frame, offsets);
    offsets->addStretch(1);
    grid->addLayout(offsets, 1, 2);
    auto* tone = newBox(prefix + QStringLiteral("CTCSSSet"), frame);
    grid->addWidget(newBuddyLabel(QStringLiteral("CTCSS Code"), tone, frame), 2, 0);
    grid->addWidget(tone, 2, 1);
    auto* toneModes = new QHBoxLayout;
    QButtonGroup* toneGroup = addOptions(ToneModes, 3, prefix, frame, toneModes);
    toneModes->addStretch(1);
    grid->addLayout(toneModes, 2, 2);

    auto* mode = new QGroupBox(QStringLiteral("Mode"), frame);
    const QString modePrefix = prefix == QLatin1String("Other") ? QString() : prefix;
    mode->setObjectName(modePrefix + QStringLiteral("ModeFrame"));
    auto* modes = new QHBoxLayout(mode);
    QButtonGroup* modeGroup = addOptions(RadioModes, 5, modePrefix, mode, modes);
    modes->addStretch(1);
    grid->addWidget(mode, 3, 0, 1, 3);
    grid->setColumnStretch(3, 1);

    if (prefix == QLatin1String("Other")) {
        m_offsets = offsetGroup;
        m_toneModes = toneGroup;
        m_radioModes = modeGroup;
    }
    return frame;
}

// Apply order: the alarm macros, the radio type with its Yaesu type and the prefix, then the
// memories.
void AlarmsEditor::addWorkingCopies() {
    for (int alarm = 1; alarm <= Alarms; ++alarm) {
        m_copies.add(AlarmLow, alarm, QStringLiteral("AlarmLowMacroNumPending"), alarm,
                     Group::Alarms);
        m_copies.add(AlarmHigh, alarm, QStringLiteral("AlarmHighMacroNumPending"), alarm,
                     Group::Alarms);
    }
    m_copies.add(RadioType, 0, QStringLiteral("RadioTypePending"), 0, Group::Remote);
    m_copies.add(YaesuType, 0, QStringLiteral("RadioTypePending"), 0, Group::Remote);
    m_copies.add(Prefix, 0, QStringLiteral("RemoteBasePrefixPending"), 0, Group::Remote);
    const QString memoriesFlag = QStringLiteral("RemoteMemoriesPending");
    for (int memory = 1; memory <= Memories; ++memory) {
        for (const QString& field : {FreqString, Ctcss, CtcssMode, RadioMode})
            m_copies.add(field, memory, memoriesFlag, 0, Group::Remote);
    }
}

void AlarmsEditor::connectControls() {
    auto* alarmNumber = control<QComboBox>(QStringLiteral("AlarmNumSet"));
    connect(alarmNumber, &QComboBox::currentIndexChanged, this, [this](int entry) {
        if (!m_filling && entry >= 0)
            showAlarm(entry + 1);
    });
    auto* low = control<QComboBox>(QStringLiteral("UseLowMacroSet"));
    connect(low, &QComboBox::currentIndexChanged, this,
            [this, low] { storeAlarmMacro(AlarmLow, low->currentText()); });
    auto* high = control<QComboBox>(QStringLiteral("UseHighMacroSet"));
    connect(high, &QComboBox::currentIndexChanged, this,
            [this, high] { storeAlarmMacro(AlarmHigh, high->currentText()); });

    auto* radio = control<QComboBox>(RadioType);
    connect(radio, &QComboBox::currentIndexChanged, this, [this, radio] {
        if (m_filling)
            return;
        m_copies.setValue(RadioType, 0, currentNumber(radio));
        showYaesuType();
        colourControls();
    });
    auto* yaesu = control<QComboBox>(YaesuType);
    connect(yaesu, &QComboBox::currentIndexChanged, this, [this, yaesu] {
        if (m_filling)
            return;
        m_copies.setValue(YaesuType, 0, currentNumber(yaesu));
        colourControls();
    });
    auto* prefix = control<QLineEdit>(QStringLiteral("RemoteBasePrefixSet"));
    connect(prefix, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_filling)
            return;
        m_copies.setValue(Prefix, 0, text == NoPrefix ? QStringLiteral("0") : text);
        colourControls();
    });

    auto* memoryNumber = control<QComboBox>(QStringLiteral("OtherMemoryNum"));
    connect(memoryNumber, &QComboBox::currentIndexChanged, this, [this](int entry) {
        if (m_filling || entry < 0)
            return;
        settleFrequency();
        showMemory(entry + 1);
    });
    connect(m_frequencyBox, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_filling)
            return;
        m_frequency[static_cast<size_t>(m_memory)] = text;
        colourControls();
    });
    connect(m_frequencyBox, &QLineEdit::returnPressed, this, [this] { settleFrequency(); });
    auto* tone = control<QLineEdit>(QStringLiteral("OtherCTCSSSet"));
    connect(tone, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_filling)
            return;
        m_copies.setValue(Ctcss, m_memory, text);
        colourControls();
    });
    connect(m_offsets, &QButtonGroup::idClicked, this, [this](int number) {
        m_offset[static_cast<size_t>(m_memory)] = QString::number(number);
    });
    connect(m_toneModes, &QButtonGroup::idClicked, this, [this](int number) {
        m_copies.setValue(CtcssMode, m_memory, QString::number(number));
    });
    connect(m_radioModes, &QButtonGroup::idClicked, this, [this](int number) {
        m_copies.setValue(RadioMode, m_memory, QString::number(number));
    });

    connect(this, &EditorWindow::applied, this, &AlarmsEditor::applyOwnFields);
}

bool AlarmsEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_frequencyBox && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            settleFrequency();
    }
    return EditorWindow::eventFilter(watched, event);
}

void AlarmsEditor::storeAlarmMacro(const QString& field, const QString& list) {
    if (m_filling)
        return;
    m_copies.setValue(field, m_alarm, list);
    colourControls();
}

void AlarmsEditor::showAlarm(int alarm) {
    m_alarm = alarm;
    const bool filling = m_filling;
    m_filling = true;
    control<QComboBox>(QStringLiteral("AlarmNumSet"))->setCurrentIndex(alarm - 1);
    selectByText(control<QComboBox>(QStringLiteral("UseLowMacroSet")),
                 m_copies.value(AlarmLow, alarm));
    selectByText(control<QComboBox>(QStringLiteral("UseHighMacroSet")),
                 m_copies.value(AlarmHigh, alarm));
    m_filling = filling;
    colourControls();
}

void AlarmsEditor::showMemory(int memory) {
    m_memory = memory;
    const auto slot = static_cast<size_t>(memory);
    const bool filling = m_filling;
    m_filling = true;
    control<QComboBox>(QStringLiteral("OtherMemoryNum"))->setCurrentIndex(memory - 1);
    m_frequencyBox->setText(m_frequency[slot]);
    checkOption(m_offsets, m_offset[slot]);
    control<QLineEdit>(QStringLiteral("OtherCTCSSSet"))->setText(m_copies.value(Ctcss, memory));
    checkOption(m_toneModes, m_copies.value(CtcssMode, memory));
    checkOption(m_radioModes, m_copies.value(RadioMode, memory));
    m_filling = filling;
    colourControls();
}

void AlarmsEditor::showYaesuType() {
    const bool yaesu = numericInt(m_copies.value(RadioType)) == YaesuRadio &&
                       !m_copies.value(RadioType).trimmed().isEmpty();
    control<QComboBox>(YaesuType)->setVisible(yaesu);
    control<QLabel>(QStringLiteral("YaesuTypeLabel"))->setVisible(yaesu);
}

void AlarmsEditor::loaded() {
    m_copies.load();
    showStoredFrequencies();
    m_filling = true;
    selectByNumber(control<QComboBox>(RadioType), m_copies.value(RadioType));
    selectByNumber(control<QComboBox>(YaesuType), m_copies.value(YaesuType));
    const QString prefix = m_copies.value(Prefix);
    control<QLineEdit>(QStringLiteral("RemoteBasePrefixSet"))
        ->setText(prefix == QLatin1String("0") ? NoPrefix : prefix);
    m_filling = false;
    showYaesuType();
    showAlarm(1);
    showMemory(1);
}

bool AlarmsEditor::settleFrequency() {
    const auto slot = static_cast<size_t>(m_memory);
    // What the file holds is left as it is until the person types.
    if (m_frequency[slot] == storedFrequency(m_memory))
        return true;
    const Frequency frequency = frequencyDigits(m_frequency[slot]);
    if (frequency.refusal.isEmpty()) {
        if (m_frequencyBox->text() != frequency.digits)
            m_frequencyBox->setText(frequency.digits);
        return true;
    }
    m_messages.message(frequency.refusal, QStringLiteral("Try Again!"), MessageIcon::Critical);
    m_frequencyBox->setText(storedFrequency(m_memory));
    return false;
}

QString AlarmsEditor::composedFrequency(int memory) const {
    const auto slot = static_cast<size_t>(memory);
    const QString stored = m_db.value(FreqString, memory);
    if (m_frequency[slot] == storedFrequency(memory) && m_offset[slot] == storedOffset(memory))
        return stored;
    const Frequency frequency = frequencyDigits(m_frequency[slot]);
    // A frequency that cannot be stored keeps the stored one.
    if (!frequency.refusal.isEmpty())
        return stored;
    if (frequency.digits.isEmpty())
        return isEmptyMemory(stored) ? stored : QString();
    return frequency.digits + (m_offset[slot].isEmpty() ? QStringLiteral("2") : m_offset[slot]);
}

QString AlarmsEditor::storedFrequency(int memory) const {
    const QString stored = m_db.value(FreqString, memory);
    return isEmptyMemory(stored) ? QString() : stored.left(6);
}

QString AlarmsEditor::storedOffset(int memory) const {
    const QString stored = m_db.value(FreqString, memory);
    return isEmptyMemory(stored) ? QString() : stored.mid(6, 1);
}

void AlarmsEditor::showStoredFrequencies() {
    for (int memory = 1; memory <= Memories; ++memory) {
        m_frequency[static_cast<size_t>(memory)] = storedFrequency(memory);
        m_offset[static_cast<size_t>(memory)] = storedOffset(memory);
    }
}

void AlarmsEditor::applyOwnFields() {
    settleFrequency();
    for (int memory = 1; memory <= Memories; ++memory)
        m_copies.setValue(FreqString, memory, composedFrequency(memory));
    m_copies.apply();
    // The boxes show the stored frequencies, points removed, without their offset digit.
    showStoredFrequencies();
    showMemory(m_memory);
}

void AlarmsEditor::colourControls() {
    colourControl(control<QComboBox>(QStringLiteral("UseLowMacroSet")),
                  m_copies.changed(AlarmLow, m_alarm));
    colourControl(control<QComboBox>(QStringLiteral("UseHighMacroSet")),
                  m_copies.changed(AlarmHigh, m_alarm));
    colourControl(control<QComboBox>(RadioType), m_copies.changed(RadioType));
    colourControl(control<QComboBox>(YaesuType), m_copies.changed(YaesuType));
    colourControl(control<QLineEdit>(QStringLiteral("RemoteBasePrefixSet")),
                  m_copies.changed(Prefix));
    colourControl(m_frequencyBox,
                  m_frequency[static_cast<size_t>(m_memory)] != storedFrequency(m_memory));
    colourControl(control<QLineEdit>(QStringLiteral("OtherCTCSSSet")),
                  m_copies.changed(Ctcss, m_memory));
}

} // namespace kovo
