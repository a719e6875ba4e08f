#include "analog_meters_editor.h"

#include "editor_controls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

namespace kovo {

namespace {

constexpr int Meters = 8;
constexpr int Alarms = 10;
constexpr int VrefFlag = 9; // MeterPending(9) is the reference voltage

// The four calibration boxes of a meter: control, field, caption.
struct CalibrationBox {
    const char* control;
    const char* field;
    const char* caption;
};

constexpr CalibrationBox CalibrationBoxes[] = {
    {"RealLowSetting", "RealLow", "Actual Low Value"},
    {"MeterLowSetting", "MeterLow", "Meter Low Value"},
    {"RealHighSetting", "RealHigh", "Actual High Value"},
    {"MeterHighSetting", "MeterHigh", "Meter High Value"},
};

void addMeterTypes(QComboBox* list) {
    addNumberedEntries(list, {{"None", 0},
                              {"Volts", 1},
                              {"Amps", 2},
                              {"Watts", 3},
                              {"Degrees", 4},
                              {"MPH", 5},
                              {"Percent", 6}});
}

// A number as the calibration line shows it; never "-0.0".
QString formatted(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')) && text.mid(1).toDouble() == 0)
        text.remove(0, 1);
    return text;
}

const QString Meter = QStringLiteral("Meter");
const QString Vref = QStringLiteral("Vref");
const QString AlarmType = QStringLiteral("MeterAlarmType");
const QString AlarmMeter = QStringLiteral("MeterNum");
const QString AlarmSetPoint = QStringLiteral("MeterSetPoint");
const QString AlarmMacro = QStringLiteral("MeterMacro");

} // namespace

AnalogMetersEditor::AnalogMetersEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent), m_copies(db) {
    setObjectName(QStringLiteral("Analog"));
    setWindowTitle(QStringLiteral("Analog Channels Configuration"));

    auto* layout = new QVBoxLayout(this);
    auto* meters = new QGridLayout;
    for (int meter = 1; meter <= Meters; ++meter)
        meters->addWidget(buildMeter(meter), (meter - 1) / 4, (meter - 1) % 4);
    layout->addLayout(meters);

    auto* bottom = new QHBoxLayout;
    auto* vref = newBox(QStringLiteral("VrefSetting"), this);
    bottom->addWidget(newBuddyLabel(QStringLiteral("Reference Voltage"), vref, this));
    bottom->addWidget(vref);
    bottom->addSpacing(24);
    bottom->addWidget(buildAlarms(), 1);
    layout->addLayout(bottom);
    layout->addStretch(1);
    layout->addLayout(
        makeButtonRow(QStringLiteral("CancelChanges"), QStringLiteral("Cancel Changes")));

    bindAll();
    connectOwnControls();
    loadFromDatabase();
}

QWidget* AnalogMetersEditor::buildMeter(int meter) {
    auto* frame = new QGroupBox(QStringLiteral("Meter %1").arg(meter), this);
    frame->setObjectName(indexedName("MeterFrame", meter));
    auto* grid = new QGridLayout(frame);
    const QString prefix = QStringLiteral("Meter %1 ").arg(meter);

    auto* type = newList(indexedName("MeterType", meter), frame);
    addMeterTypes(type);
    type->setAccessibleName(prefix + QStringLiteral("Meter Type"));
    grid->addWidget(newBuddyLabel(QStringLiteral("Meter Type"), type, frame), 0, 0);
    grid->addWidget(type, 0, 1);
    int row = 1;
    for (const CalibrationBox& calibration : CalibrationBoxes) {
        auto* box = newBox(indexedName(calibration.control, meter), frame, 70);
        const QString caption = QString::fromLatin1(calibration.caption);
        box->setAccessibleName(prefix + caption);
        grid->addWidget(newBuddyLabel(caption, box, frame), row, 0);
        grid->addWidget(box, row, 1);
        ++row;
    }
    auto* calibration = new QLabel(frame);
    calibration->setObjectName(indexedName("Calibration", meter));
    calibration->setWordWrap(true);
    grid->addWidget(calibration, row, 0, 1, 2);
    return frame;
}

QWidget* AnalogMetersEditor::buildAlarms() {
    auto* frame = new QGroupBox(QStringLiteral("Meter Alarms"), this);
    frame->setObjectName(QStringLiteral("MeterAlarmFrame"));
    auto* grid = new QGridLayout(frame);

    auto* number = newList(QStringLiteral("MeterAlarmNumSet"), frame);
    addNumberEntries(number, 1, Alarms);
    auto* type = newList(QStringLiteral("MeterAlarmTypeSet"), frame);
    addNumberedEntries(type, {{"None", 0}, {"Low", 1}, {"High", 2}});
    auto* meter = newList(QStringLiteral("MeterNumSet"), frame);
    addNumberEntries(meter, 1, Meters);
    auto* setPoint = newBox(QStringLiteral("MeterSetPointSet"), frame);
    auto* macro = newList(QStringLiteral("MeterMacroSet"), frame);
    addNumberEntries(macro, 1, 90);

    grid->addWidget(newBuddyLabel(QStringLiteral("Alarm Number"), number, frame), 0, 0);
    grid->addWidget(number, 0, 1);
    grid->addWidget(newBuddyLabel(QStringLiteral("Alarm Type"), type, frame), 0, 2);
    grid->addWidget(type, 0, 3);
    grid->addWidget(newBuddyLabel(QStringLiteral("Meter Number"), meter, frame), 0, 4);
    grid->addWidget(meter, 0, 5);
    grid->addWidget(newBuddyLabel(QStringLiteral("Trip Value"), setPoint, frame), 1, 2);
    grid->addWidget(setPoint, 1, 3);
    grid->addWidget(newBuddyLabel(QStringLiteral("Macro To Call"), macro, frame), 1, 4);
    grid->addWidget(macro, 1, 5);
    grid->setColumnStretch(6, 1);
    return frame;
}

// Apply order: per meter its type and calibration, then Vref, then the alarms. The calibration
// boxes are framework bindings; the rest are this editor's own working copies.
void AnalogMetersEditor::bindAll() {
    const QString meterFlag = QStringLiteral("MeterPending");
    for (int meter = 1; meter <= Meters; ++meter) {
        m_copies.add(Meter, meter, meterFlag, meter, Group::Analog);
        for (const CalibrationBox& calibration : CalibrationBoxes)
            bind(Kind::Numeric, control<QLineEdit>(indexedName(calibration.control, meter)),
                 QString::fromLatin1(calibration.field), meter, meterFlag, Group::Analog);
    }
    m_copies.add(Vref, 0, meterFlag, VrefFlag, Group::Analog);
    const QString alarmFlag = QStringLiteral("MeterAlarmPending");
    for (int alarm = 1; alarm <= Alarms; ++alarm) {
        for (const QString& field : {AlarmType, AlarmMeter, AlarmSetPoint, AlarmMacro})
            m_copies.add(field, alarm, alarmFlag, alarm, Group::Analog);
    }
}

void AnalogMetersEditor::connectOwnControls() {
    for (int meter = 1; meter <= Meters; ++meter) {
        auto* type = control<QComboBox>(indexedName("MeterType", meter));
        connect(type, &QComboBox::currentIndexChanged, this, [this, meter, type] {
            if (m_showing)
                return;
            m_copies.setValue(Meter, meter, currentNumber(type));
            colourControl(type, m_copies.changed(Meter, meter));
            updateCalibration(meter);
        });
    }
    auto* vref = control<QLineEdit>(QStringLiteral("VrefSetting"));
    connect(vref, &QLineEdit::textChanged, this, [this, vref] {
        if (m_showing)
            return;
        m_copies.setValue(Vref, 0, plainNumber(vref->text()));
        makeDigitsOnly(vref);
        colourControl(vref, m_copies.changed(Vref));
    });

    auto* number = control<QComboBox>(QStringLiteral("MeterAlarmNumSet"));
    connect(number, &QComboBox::currentIndexChanged, this, [this](int entry) {
        if (!m_showing && entry >= 0)
            showAlarm(entry + 1);
    });
    auto* type = control<QComboBox>(QStringLiteral("MeterAlarmTypeSet"));
    connect(type, &QComboBox::currentIndexChanged, this,
            [this, type] { storeAlarmField(AlarmType, currentNumber(type)); });
    auto* meter = control<QComboBox>(QStringLiteral("MeterNumSet"));
    connect(meter, &QComboBox::currentIndexChanged, this,
            [this, meter] { storeAlarmField(AlarmMeter, meter->currentText()); });
    auto* setPoint = control<QLineEdit>(QStringLiteral("MeterSetPointSet"));
    connect(setPoint, &QLineEdit::textChanged, this,
            [this, setPoint] { storeAlarmField(AlarmSetPoint, setPoint->text()); });
    auto* macro = control<QComboBox>(QStringLiteral("MeterMacroSet"));
    connect(macro, &QComboBox::currentIndexChanged, this,
            [this, macro] { storeAlarmField(AlarmMacro, macro->currentText()); });

    connect(this, &EditorWindow::applied, this, &AnalogMetersEditor::applyOwnFields);
}

void AnalogMetersEditor::storeAlarmField(const QString& field, const QString& text) {
    if (m_showing)
        return;
    m_copies.setValue(field, m_alarm, text);
    colourOwnControls();
}

void AnalogMetersEditor::showAlarm(int alarm) {
    m_alarm = alarm;
    const bool showing = m_showing;
    m_showing = true;
    control<QComboBox>(QStringLiteral("MeterAlarmNumSet"))->setCurrentIndex(alarm - 1);
    selectByNumber(control<QComboBox>(QStringLiteral("MeterAlarmTypeSet")),
                   m_copies.value(AlarmType, alarm));
    selectByText(control<QComboBox>(QStringLiteral("MeterNumSet")),
                 m_copies.value(AlarmMeter, alarm));
    control<QLineEdit>(QStringLiteral("MeterSetPointSet"))
        ->setText(m_copies.value(AlarmSetPoint, alarm));
    selectByText(control<QComboBox>(QStringLiteral("MeterMacroSet")),
                 m_copies.value(AlarmMacro, alarm));
    m_showing = showing;
    colourOwnControls();
}

void AnalogMetersEditor::loaded() {
    m_copies.load();
    m_showing = true;
    for (int meter = 1; meter <= Meters; ++meter)
        selectByNumber(control<QComboBox>(indexedName("MeterType", meter)),
                       m_copies.value(Meter, meter));
    auto* vref = control<QLineEdit>(QStringLiteral("VrefSetting"));
    vref->setText(m_db.value(Vref));
    makeDigitsOnly(vref);
    m_showing = false;
    showAlarm(1);
    for (int meter = 1; meter <= Meters; ++meter)
        updateCalibration(meter);
}

void AnalogMetersEditor::boxChanged(Binding& binding) {
    if (binding.index >= 1 && binding.index <= Meters)
        updateCalibration(binding.index);
}

void AnalogMetersEditor::applyOwnFields() {
    m_copies.apply();
    for (int alarm = 1; alarm <= Alarms; ++alarm)
        m_db.setMeterAlarmOn(alarm, m_db.value(AlarmType, alarm) != QLatin1String("0"));
    colourOwnControls();
}

void AnalogMetersEditor::colourOwnControls() {
    for (int meter = 1; meter <= Meters; ++meter)
        colourControl(control<QComboBox>(indexedName("MeterType", meter)),
                      m_copies.changed(Meter, meter));
    colourControl(control<QLineEdit>(QStringLiteral("VrefSetting")), m_copies.changed(Vref));
    colourControl(control<QComboBox>(QStringLiteral("MeterAlarmTypeSet")),
                  m_copies.changed(AlarmType, m_alarm));
    colourControl(control<QComboBox>(QStringLiteral("MeterNumSet")),
                  m_copies.changed(AlarmMeter, m_alarm));
    colourControl(control<QLineEdit>(QStringLiteral("MeterSetPointSet")),
                  m_copies.changed(AlarmSetPoint, m_alarm));
    colourControl(control<QComboBox>(QStringLiteral("MeterMacroSet")),
                  m_copies.changed(AlarmMacro, m_alarm));
}

void AnalogMetersEditor::updateCalibration(int meter) {
    auto* line = control<QLabel>(indexedName("Calibration", meter));
    if (!line)
        return;
    const int type = numericInt(m_copies.value(Meter, meter));
    auto* types = control<QComboBox>(indexedName("MeterType", meter));
    const int entry = types->findData(type);
    const QString unit = type > 0 && entry >= 0 ? types->itemText(entry) : QString();
    line->setText(calibrationText(unit, numericValue(workingCopy(u"RealLow", meter)),
                                  numericValue(workingCopy(u"MeterLow", meter)),
                                  numericValue(workingCopy(u"RealHigh", meter)),
                                  numericValue(workingCopy(u"MeterHigh", meter))));
}

QString AnalogMetersEditor::calibrationText(const QString& unit, double realLow, double meterLow,
                                            double realHigh, double meterHigh) {
    if (meterLow == meterHigh)
        return QStringLiteral("needs two different points");
    const double step = (realHigh - realLow) / (meterHigh - meterLow);
    const double atZero = realLow - meterLow * step;
    const double atTop = realLow + (255 - meterLow) * step;
    const QString suffix = unit.isEmpty() ? QString() : QLatin1Char(' ') + unit;
    return QStringLiteral("reading 0–255 → %1–%2%3, %4%3 per step")
        .arg(formatted(atZero, 1), formatted(atTop, 1), suffix, formatted(step, 3));
}

} // namespace kovo
