#include "editor_window.h"

#include "control_names.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <cmath>

namespace kovo {

namespace {

const char* const DigitsOnlyProperty = "kovoDigitsOnly";

// The numeric value of a box's text written back as plain decimal text: leading zeros dropped,
// empty or non-numeric text "0".
QString numericText(const QString& text) {
    const double value = std::trunc(numericValue(text));
    if (std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'f', 0);
}

} // namespace

EditorWindow::EditorWindow(Database& db, MessageService& messages, QWidget* parent)
    : QWidget(parent), m_db(db), m_messages(messages) {}

EditorWindow::~EditorWindow() {
    m_leaveChecksSuspended = true;
    for (const auto& binding : m_bindings)
        binding->control->removeEventFilter(this);
}

void EditorWindow::makeDigitsOnly(QLineEdit* box) {
    if (box->property(DigitsOnlyProperty).toBool())
        return;
    static const QRegularExpression digits(QStringLiteral("[0-9]*"));
    box->setValidator(new QRegularExpressionValidator(digits, box));
    box->setProperty(DigitsOnlyProperty, true);
    box->update();
}

bool EditorWindow::isDigitsOnly(const QLineEdit* box) {
    return box->property(DigitsOnlyProperty).toBool();
}

QColor EditorWindow::textColour(const QLineEdit* box) {
    return box->palette().color(QPalette::Text);
}

QString EditorWindow::workingCopy(QStringView field, int index) const {
    if (const Binding* binding = findBinding(field, index))
        return binding->working;
    return unboundWorkingCopy(field, index).value_or(QString());
}

EditorWindow::Binding* EditorWindow::findBinding(QStringView field, int index) const {
    for (const auto& binding : m_bindings) {
        if (binding->field == field && binding->index == index)
            return binding.get();
    }
    return nullptr;
}

QWidget* EditorWindow::controlFor(QStringView field, int index) const {
    if (const Binding* binding = findBinding(field, index))
        return binding->control;
    for (const auto& binding : m_bindings) {
        if (binding->field == field)
            return binding->control;
    }
    return nullptr;
}

QString EditorWindow::databaseValue(const Binding& binding) const {
    return m_db.value(binding.field, binding.index);
}

EditorWindow::Binding& EditorWindow::bind(Kind kind, QWidget* control, const QString& field,
                                          int index, const QString& flag, Group group) {
    auto owned = std::make_unique<Binding>();
    Binding* binding = owned.get();
    binding->kind = kind;
    binding->control = control;
    binding->field = field;
    binding->index = index;
    binding->flag = flag;
    binding->group = group;
    m_bindings.push_back(std::move(owned));
    m_byControl.insert(control, binding);

    switch (kind) {
    case Kind::Numeric:
    case Kind::Text:
    case Kind::TrimmedText: {
        auto* box = qobject_cast<QLineEdit*>(control);
        Q_ASSERT(box);
        connect(box, &QLineEdit::textChanged, this, [this, binding] { textChanged(*binding); });
        box->installEventFilter(this);
        break;
    }
    case Kind::List: {
        auto* list = qobject_cast<QComboBox*>(control);
        Q_ASSERT(list);
        connect(list, &QComboBox::currentIndexChanged, this,
                [binding, list] { binding->working = list->currentText(); });
        break;
    }
    case Kind::Check:
    case Kind::InvertedCheck: {
        auto* box = qobject_cast<QCheckBox*>(control);
        Q_ASSERT(box);
        connect(box, &QCheckBox::toggled, this, [binding](bool on) {
            const bool stored = binding->kind == Kind::Check ? on : !on;
            binding->working = stored ? QStringLiteral("1") : QStringLiteral("0");
        });
        break;
    }
    }
    return *binding;
}

void EditorWindow::setRange(Binding& binding, double low, double high, const QString& refusal,
                            bool refocus) {
    binding.checked = true;
    binding.low = low;
    binding.high = high;
    binding.refusal = refusal;
    binding.refocus = refocus;
}

void EditorWindow::textChanged(Binding& binding) {
    auto* box = static_cast<QLineEdit*>(binding.control);
    switch (binding.kind) {
    case Kind::Numeric:
        binding.working = numericText(box->text());
        makeDigitsOnly(box);
        break;
    case Kind::Text:
        binding.working = box->text();
        break;
    case Kind::TrimmedText:
        binding.working = box->text().trimmed();
        break;
    default:
        return;
    }
    boxChanged(binding);
    updateColour(binding);
}

void EditorWindow::updateColour(const Binding& binding) {
    auto* box = qobject_cast<QLineEdit*>(binding.control);
    if (!box)
        return;
    const QColor colour =
        binding.working != databaseValue(binding) ? changedColour() : unchangedColour();
    if (textColour(box) == colour && box->testAttribute(Qt::WA_SetPalette))
        return;
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, colour);
    box->setPalette(palette);
}

void EditorWindow::showEvent(QShowEvent* event) {
    // Controls an editor adds after its first load are named before anyone sees them.
    if (!m_shownOnce) {
        m_shownOnce = true;
        nameControls(this);
    }
    QWidget::showEvent(event);
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching to another application or opening a menu or a box is not leaving the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (Binding* binding = m_byControl.value(watched))
                leaveBox(*binding);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EditorWindow::leaveBox(Binding& binding) {
    if (!binding.checked || m_inLeaveCheck || m_leaveChecksSuspended)
        return;
    auto* box = static_cast<QLineEdit*>(binding.control);
    const double value = numericValue(box->text());
    if (value >= binding.low && value <= binding.high)
        return;
    m_inLeaveCheck = true;
    m_messages.message(binding.refusal, QStringLiteral("Try Again!"), MessageIcon::Critical);
    box->setText(databaseValue(binding));
    if (binding.refocus)
        box->setFocus(Qt::OtherFocusReason);
    m_inLeaveCheck = false;
}

void EditorWindow::setControlFromDatabase(Binding& binding) {
    QString value = databaseValue(binding);
    if (binding.trimOnLoad)
        value = value.trimmed();
    switch (binding.kind) {
    case Kind::Numeric:
    case Kind::Text:
    case Kind::TrimmedText:
        static_cast<QLineEdit*>(binding.control)->setText(value);
        break;
    case Kind::List: {
        auto* list = static_cast<QComboBox*>(binding.control);
        int entry = list->findText(value);
        // A number written with leading zeros ("01") shows as its entry ("1").
        static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
        if (entry < 0 && digits.match(value).hasMatch())
            entry = list->findText(numericText(value));
        list->setCurrentIndex(entry);
        break;
    }
    case Kind::Check:
        static_cast<QCheckBox*>(binding.control)->setChecked(value == QLatin1String("1"));
        break;
    case Kind::InvertedCheck:
        static_cast<QCheckBox*>(binding.control)->setChecked(value == QLatin1String("0"));
        break;
    }
    binding.working = value;
}

void EditorWindow::loadFromDatabase() {
    if (!m_controlsNamed) {
        m_controlsNamed = true;
        nameControls(this);
    }
    for (const auto& binding : m_bindings)
        setControlFromDatabase(*binding);
    for (const auto& binding : m_bindings)
        updateColour(*binding);
    loaded();
}

void EditorWindow::apply() {
    for (const auto& owned : m_bindings) {
        Binding& binding = *owned;
        if (binding.working != databaseValue(binding)) {
            if (!binding.flag.isEmpty())
                m_db.setPending(binding.flag, binding.index);
            m_db.setGroupChanged(binding.group);
            m_db.setSettingsSaved(false);
        }
        m_db.setValue(binding.field, binding.index, binding.working);
        fieldApplied(binding);
    }
    applyUnbound();
    for (const auto& binding : m_bindings)
        updateColour(*binding);
    emit applied();
}

void EditorWindow::cancelChanges() {
    loadFromDatabase();
    changesCancelled();
}

QHBoxLayout* EditorWindow::makeButtonRow(const QString& cancelName, const QString& cancelCaption) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* apply = new QPushButton(QStringLiteral("&Apply"), this);
    apply->setObjectName(QStringLiteral("Apply"));
    auto* cancel = new QPushButton(cancelCaption, this);
    cancel->setObjectName(cancelName);
    connect(apply, &QPushButton::clicked, this, &EditorWindow::apply);
    connect(cancel, &QPushButton::clicked, this, &EditorWindow::cancelChanges);
    row->addWidget(apply);
    row->addWidget(cancel);
    return row;
}

} // namespace kovo
