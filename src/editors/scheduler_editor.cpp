#include "scheduler_editor.h"

#include "controller_action_runner.h"
#include "database/profile_file.h"
#include "editor_controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace kovo {

namespace {

const QString SetPointFields[] = {QStringLiteral("DOW"),     QStringLiteral("Hours"),
                                  QStringLiteral("Minutes"), QStringLiteral("MacroToRun"),
                                  QStringLiteral("Monthly"), QStringLiteral("Week")};
constexpr int SetPointCount = 20;
// "Every Hour" carries 254 and is stored as "0A".
constexpr int EveryHour = 254;

QLabel* namedLabel(const char* text, const char* name, QWidget* buddy, QWidget* parent) {
    QLabel* label = newBuddyLabel(QString::fromLatin1(text), buddy, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QComboBox* list(const char* name, QWidget* parent) {
    return newList(QString::fromLatin1(name), parent);
}

// The stored form of an hour entry's number: "00" to "09", "0A" for every hour, else decimal.
QString storedHour(int number) {
    if (number == EveryHour)
        return QStringLiteral("0A");
    return number < 10 ? QStringLiteral("0%1").arg(number) : QString::number(number);
}

void selectHour(QComboBox* hours, const QString& stored) {
    if (stored.trimmed().compare(QLatin1String("0A"), Qt::CaseInsensitive) == 0)
        hours->setCurrentIndex(hours->findData(EveryHour));
    else
        selectByNumber(hours, stored);
}

} // namespace

SchedulerEditor::SchedulerEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent), m_working(db) {
    setObjectName(QStringLiteral("Scheduler"));
    setWindowTitle(QStringLiteral("Scheduler/Clock Configuration"));

    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    columns->addWidget(buildSetPoints(), 0, Qt::AlignTop);
    columns->addWidget(buildClock(), 0, Qt::AlignTop);
    layout->addLayout(columns);
    layout->addStretch(1);
    layout->addLayout(
        makeButtonRow(QStringLiteral("CancelChanges"), QStringLiteral("&Cancel Changes")));

    bindAll();
    loadFromDatabase();
}

QWidget* SchedulerEditor::buildSetPoints() {
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    auto addRow = [&](QLabel* label, QWidget* control) {
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row++, 1);
    };

    auto* setPoint = list("SetPointNumSet", page);
    addNumberEntries(setPoint, 1, SetPointCount);
    addRow(namedLabel("Setpoint Number", "SetPointNumLabel", setPoint, page), setPoint);

    auto* dow = list("DOWSet", page);
    addNumberedEntries(dow, {{"Sunday", 7},
                             {"Monday", 1},
                             {"Tuesday", 2},
                             {"Wednesday", 3},
                             {"Thursday", 4},
                             {"Friday", 5},
                             {"Saturday", 6},
                             {"Weekdays", 8},
                             {"Weekends", 9},
                             {"Everyday", 0}});
    addRow(namedLabel("Day Of The Week", "DOWLabel", dow, page), dow);

    auto* hours = list("HoursSet", page);
    hours->addItem(QStringLiteral("Disabled"), 25);
    hours->addItem(QStringLiteral("Every Hour"), EveryHour);
    for (int hour = 0; hour < 24; ++hour) {
        const int shown = hour % 12 == 0 ? 12 : hour % 12;
        hours->addItem(QStringLiteral("%1 %2").arg(shown).arg(hour < 12 ? u"AM" : u"PM"), hour);
    }
    addRow(namedLabel("Start Hours", "HoursLabel", hours, page), hours);

    auto* minutes = list("MinutesSet", page);
    addNumberEntries(minutes, 0, 59, 2);
    addRow(namedLabel("Start Minutes", "MinutesLabel", minutes, page), minutes);

    auto* macro = list("MacroSet", page);
    addNumberEntries(macro, 1, 90, 2);
    addRow(namedLabel("Macro To Run", "MacroLabel", macro, page), macro);

    auto* monthly = new QCheckBox(QStringLiteral("Monthly"), page);
    monthly->setObjectName(QStringLiteral("DOMEnable"));
    grid->addWidget(monthly, row++, 1);

    auto* week = list("WeekSet", page);
    addNumberedEntries(week, {{"1st", 1}, {"2nd", 2}, {"3rd", 3}, {"4th", 4}, {"5th", 5}});
    addRow(namedLabel("Week Of The Month", "WeekLabel", week, page), week);

    connect(setPoint, &QComboBox::currentIndexChanged, this, [this, setPoint] {
        if (!m_showing && setPoint->currentIndex() >= 0)
            showSetPoint(numericInt(setPoint->currentText()));
    });
    connect(dow, &QComboBox::currentIndexChanged, this,
            [this, dow] { storeList(dow, QStringLiteral("DOW")); });
    connect(hours, &QComboBox::currentIndexChanged, this,
            [this, hours] { storeList(hours, QStringLiteral("Hours")); });
    connect(minutes, &QComboBox::currentIndexChanged, this,
            [this, minutes] { storeList(minutes, QStringLiteral("Minutes")); });
    connect(macro, &QComboBox::currentIndexChanged, this,
            [this, macro] { storeList(macro, QStringLiteral("MacroToRun")); });
    connect(week, &QComboBox::currentIndexChanged, this,
            [this, week] { storeList(week, QStringLiteral("Week")); });
    connect(monthly, &QCheckBox::toggled, this, [this](bool on) {
        setWeekEnabled(on);
        if (!m_showing)
            m_working.setValue(QStringLiteral("Monthly"), m_setPoint,
                               on ? QStringLiteral("1") : QStringLiteral("0"));
    });
    return page;
}

QWidget* SchedulerEditor::buildClock() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* clock = new QGroupBox(QStringLiteral("Real Time Clock"), column);
    clock->setObjectName(QStringLiteral("ClockFrame"));
    auto* grid = new QGridLayout(clock);
    const std::pair<const char*, const char*> checks[] = {{"SayYearSet", "Say Year"},
                                                          {"TwentyFourSet", "24 Hour Readback"},
                                                          {"HoursSelect", "Say Hours"}};
    int row = 0;
    for (const auto& [name, caption] : checks) {
        auto* check = new QCheckBox(QString::fromLatin1(caption), clock);
        check->setObjectName(QString::fromLatin1(name));
        grid->addWidget(check, row++, 0, 1, 3);
    }
    auto* correction = newBox(QStringLiteral("ClockCorrectionSet"), clock);
    // A correction is a number of seconds, slow ("-") or fast.
    static const QRegularExpression seconds(QStringLiteral("-?[0-9]*"));
    correction->setValidator(new QRegularExpressionValidator(seconds, correction));
    grid->addWidget(namedLabel("Clock Correction", "ClockCorrectionLabel", correction, clock), row,
                    0);
    grid->addWidget(correction, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("seconds"), clock), row++, 2);
    layout->addWidget(clock);

    auto* format = new QGroupBox(QStringLiteral("Date Format"), column);
    format->setObjectName(QStringLiteral("DateFormatFrame"));
    auto* formatLayout = new QVBoxLayout(format);
    m_dateFormat = new QButtonGroup(this);
    auto* us = new QRadioButton(QStringLiteral("United States"), format);
    us->setObjectName(QStringLiteral("USDate"));
    auto* international = new QRadioButton(QStringLiteral("International"), format);
    international->setObjectName(QStringLiteral("InternationalDate"));
    m_dateFormat->addButton(us, 0);
    m_dateFormat->addButton(international, 1);
    formatLayout->addWidget(us);
    formatLayout->addWidget(international);
    auto* formatNote = new QLabel(
        QStringLiteral(
            "Note: Changes to Date Format take effect and are written immediately to .dat  file"),
        format);
    formatNote->setWordWrap(true);
    formatLayout->addWidget(formatNote);
    connect(m_dateFormat, &QButtonGroup::idClicked, this,
            [this](int id) { chooseDateFormat(id == 1); });
    layout->addWidget(format);

    m_clockSet = new QPushButton(QStringLiteral("Set Clock"), column);
    m_clockSet->setObjectName(QStringLiteral("ClockSet"));
    connect(m_clockSet, &QPushButton::clicked, this, &SchedulerEditor::setClock);
    auto* clockNote = new QLabel(QStringLiteral("Note: Setting the Clock will immediately set the "
                                                "Tarsis clock and calendar to your computer's "
                                                "system time"),
                                 column);
    clockNote->setWordWrap(true);
    layout->addWidget(m_clockSet, 0, Qt::AlignLeft);
    layout->addWidget(clockNote);
    column->setMaximumWidth(340);
    return column;
}

// The clock fields are bound; the set points are working copies of the editor's own, one
// send-pending flag per set point for its six fields.
void SchedulerEditor::bindAll() {
    const std::pair<const char*, const char*> checks[] = {
        {"SayYearSet", "SayYear"}, {"TwentyFourSet", "TwentyFour"}, {"HoursSelect", "SayHour"}};
    for (const auto& [name, field] : checks)
        bind(Kind::Check, control<QCheckBox>(QString::fromLatin1(name)), QString::fromLatin1(field),
             0, QString::fromLatin1(field) + QStringLiteral("Pending"), Group::Scheduler);
    bind(Kind::Text, control<QLineEdit>(QStringLiteral("ClockCorrectionSet")),
         QStringLiteral("ClockCorrection"), 0, QStringLiteral("ClockCorrectionPending"),
         Group::Scheduler);
    connect(control<QCheckBox>(QStringLiteral("TwentyFourSet")), &QCheckBox::toggled, this,
            [this](bool on) { control<QCheckBox>(QStringLiteral("HoursSelect"))->setEnabled(on); });

    for (int sp = 1; sp <= SetPointCount; ++sp) {
        for (const QString& field : SetPointFields)
            m_working.add(field, sp, QStringLiteral("SetPointPending"), sp, Group::Scheduler);
    }
}

void SchedulerEditor::boxChanged(Binding& binding) {
    // The controller takes a slow correction with "A" in place of the minus sign.
    if (binding.working.startsWith(u'-'))
        binding.working.replace(0, 1, u'A');
}

void SchedulerEditor::loaded() {
    // A slow correction is shown with its minus sign.
    auto* correction = control<QLineEdit>(QStringLiteral("ClockCorrectionSet"));
    if (correction->text().startsWith(u'A'))
        correction->setText(QLatin1Char('-') + correction->text().mid(1));
    control<QCheckBox>(QStringLiteral("HoursSelect"))
        ->setEnabled(m_db.value(u"TwentyFour") == QLatin1String("1"));
    m_dateFormat->button(m_db.value(u"DateFormat") == QLatin1String("True") ? 1 : 0)
        ->setChecked(true);
    m_working.load();
    showSetPoint(m_setPoint);
}

void SchedulerEditor::showSetPoint(int setPoint) {
    if (setPoint < 1 || setPoint > SetPointCount)
        return;
    m_setPoint = setPoint;
    m_showing = true;
    selectByText(control<QComboBox>(QStringLiteral("SetPointNumSet")), QString::number(setPoint));
    selectByNumber(control<QComboBox>(QStringLiteral("DOWSet")),
                   m_working.value(QStringLiteral("DOW"), setPoint));
    selectHour(control<QComboBox>(QStringLiteral("HoursSet")),
               m_working.value(QStringLiteral("Hours"), setPoint));
    selectByText(control<QComboBox>(QStringLiteral("MinutesSet")),
                 m_working.value(QStringLiteral("Minutes"), setPoint));
    selectByText(control<QComboBox>(QStringLiteral("MacroSet")),
                 m_working.value(QStringLiteral("MacroToRun"), setPoint));
    selectByNumber(control<QComboBox>(QStringLiteral("WeekSet")),
                   m_working.value(QStringLiteral("Week"), setPoint));
    const bool monthly = m_working.value(QStringLiteral("Monthly"), setPoint) == QLatin1String("1");
    control<QCheckBox>(QStringLiteral("DOMEnable"))->setChecked(monthly);
    setWeekEnabled(monthly);
    m_showing = false;
}

// A list choice goes into the working copy of the set point shown: the entry's number for the
// day, hour and week lists, the entry's text for minutes and macro.
void SchedulerEditor::storeList(QComboBox* list, const QString& field) {
    if (m_showing || list->currentIndex() < 0)
        return;
    QString stored;
    if (field == QLatin1String("Hours"))
        stored = storedHour(list->currentData().toInt());
    else if (field == QLatin1String("Minutes") || field == QLatin1String("MacroToRun"))
        stored = list->currentText();
    else
        stored = currentNumber(list);
    m_working.setValue(field, m_setPoint, stored);
}

void SchedulerEditor::setWeekEnabled(bool enabled) {
    control<QComboBox>(QStringLiteral("WeekSet"))->setEnabled(enabled);
    control<QLabel>(QStringLiteral("WeekLabel"))->setEnabled(enabled);
}

void SchedulerEditor::applyUnbound() {
    m_working.apply();
}

std::optional<QString> SchedulerEditor::unboundWorkingCopy(QStringView field, int index) const {
    if (index < 1 || index > SetPointCount)
        return std::nullopt;
    for (const QString& name : SetPointFields) {
        if (name == field)
            return m_working.value(name, index);
    }
    return std::nullopt;
}

// The date format describes this PC, not the controller: it takes effect at once and goes into
// the open database file at once, every other key of the file kept as it was.
void SchedulerEditor::chooseDateFormat(bool international) {
    const QString value = international ? QStringLiteral("True") : QStringLiteral("False");
    m_db.setValue(u"DateFormat", value);
    const QString file = m_databaseFile ? m_databaseFile() : QString();
    if (file.isEmpty())
        return;
    ProfileFile document = ProfileFile::load(file);
    QString error;
    if (document.ok()) {
        document.write(u"Scheduler", u"DateFormat", value);
        if (document.save(file, &error))
            return;
    } else {
        error = QStringLiteral("the file cannot be read");
    }
    m_messages.message(
        QStringLiteral("The date format could not be written into %1: %2").arg(file, error),
        QString(), MessageIcon::Critical);
}

void SchedulerEditor::setClock() {
    ControllerActionRunner* runner = actionRunner();
    if (!runner) {
        m_messages.message(QStringLiteral("No link to the Tarsis is available."), QString());
        return;
    }
    ControllerAction action;
    action.kind = ControllerAction::Kind::SetClock;
    m_clockSet->setEnabled(false);
    const bool started = runner->run(action, [self = QPointer(this)](bool) {
        if (self)
            self->m_clockSet->setEnabled(true);
    });
    if (!started) {
        m_clockSet->setEnabled(true);
        m_messages.message(
            QStringLiteral("The link to the Tarsis is busy. Try again when it has finished."),
            QString());
    }
}

} // namespace kovo
