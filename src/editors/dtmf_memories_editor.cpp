#include "dtmf_memories_editor.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace kovo {

namespace {

constexpr int Memories = 20;
constexpr int DigitLimit = 10;
constexpr int NumberLimit = 255;
const QStringList& dtmfDigits() {
    static const QStringList digits = {
        QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
        QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
        QStringLiteral("9"), QStringLiteral("0"), QStringLiteral("*"), QStringLiteral("#"),
        QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")};
    return digits;
}

QLineEdit* newBox(const QString& name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    return box;
}

QLabel* labelFor(const QString& text, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    // Lists are not named by their buddies on every platform.
    if (qobject_cast<QAbstractItemView*>(control))
        control->setAccessibleName(QString(text).remove(u'&'));
    return label;
}

} // namespace

DtmfMemoriesEditor::DtmfMemoriesEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent) {
    setObjectName(QStringLiteral("DTMFMemories"));
    setWindowTitle(QStringLiteral("DTMF Memories"));

    auto* layout = new QGridLayout(this);
    auto* memories = new QGroupBox(QStringLiteral("DTMF Memories"), this);
    auto* memoryGrid = new QGridLayout(memories);
    QList<QLineEdit*> boxes;
    for (int i = 1; i <= Memories; ++i) {
        QLineEdit* box = newBox(QStringLiteral("DTMFSet(%1)").arg(i), memories);
        const int row = (i - 1) % 10;
        const int column = (i - 1) / 10 * 2;
        memoryGrid->addWidget(labelFor(QStringLiteral("Memory %1").arg(i), box, memories), row,
                              column);
        memoryGrid->addWidget(box, row, column + 1);
        boxes << box;
    }
    layout->addWidget(memories, 0, 0, 3, 1);

    m_digits = new QListWidget(this);
    m_digits->setObjectName(QStringLiteral("DTMFList"));
    m_digits->addItems(dtmfDigits());
    m_digits->setMaximumWidth(80);
    layout->addWidget(labelFor(QStringLiteral("DTMF &Digits"), m_digits, this), 0, 1);
    layout->addWidget(m_digits, 1, 1);

    auto* counter = newBox(QStringLiteral("DigitCounter"), this);
    counter->setReadOnly(true);
    counter->setMaximumWidth(50);
    auto* counterRow = new QHBoxLayout;
    counterRow->addWidget(labelFor(QStringLiteral("Digit Count"), counter, this));
    counterRow->addWidget(counter);
    layout->addLayout(counterRow, 2, 1);

    auto* tones = new QGroupBox(QStringLiteral("Tones"), this);
    auto* toneGrid = new QGridLayout(tones);
    QLineEdit* duration = newBox(QStringLiteral("DTMFDurSet"), tones);
    QLineEdit* delay = newBox(QStringLiteral("DTMFDelaySet"), tones);
    for (QLineEdit* number : {duration, delay})
        number->setMaximumWidth(60);
    toneGrid->addWidget(labelFor(QStringLiteral("D&uration"), duration, tones), 0, 0);
    toneGrid->addWidget(duration, 0, 1);
    toneGrid->addWidget(labelFor(QStringLiteral("D&elay"), delay, tones), 1, 0);
    toneGrid->addWidget(delay, 1, 1);
    toneGrid->setColumnStretch(2, 1);
    layout->addWidget(tones, 3, 0, 1, 2);
    layout->addLayout(makeButtonRow(QStringLiteral("Cancel"), QStringLiteral("C&ancel Changes")), 4,
                      0, 1, 2);

    m_rules.limit = DigitLimit;
    m_rules.limitMessage = QStringLiteral("You can only use 10  digits for this memory!");
    m_rules.entryRefusal = [this](QStringView digit) { return refusal(digit); };
    m_rules.placeholder = QStringLiteral("NONE STORED");
    m_entry = std::make_unique<TokenEntry>(messages, counter);
    for (int i = 1; i <= Memories; ++i) {
        QLineEdit* box = boxes[i - 1];
        bind(Kind::Text, box, QStringLiteral("DTMF"), i, QStringLiteral("DTMFPending"),
             Group::DTMF);
        m_entry->addBox(box, m_rules);
    }
    m_entry->setStoredValue(
        [this, boxes](QLineEdit* box) { return m_db.value(u"DTMF", boxes.indexOf(box) + 1); });
    bind(Kind::Numeric, duration, QStringLiteral("DTMFDur"), 0, QStringLiteral("DTMFDurPending"),
         Group::DTMF);
    bind(Kind::Numeric, delay, QStringLiteral("DTMFDelay"), 0, QStringLiteral("DTMFDelayPending"),
         Group::DTMF);
    connect(m_digits, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { m_entry->insert(item->text()); });

    loadFromDatabase();
}

QString DtmfMemoriesEditor::refusal(QStringView digit) const {
    if (!dtmfDigits().contains(digit))
        return QStringLiteral("That is not a valid DTMF Digit. Try again");
    if (digit == m_db.value(u"Terminator").trimmed())
        return QStringLiteral("The entered digit is the same as your presently defined DTMF "
                              "Terminator Digit and therefore may not be used");
    return {};
}

void DtmfMemoriesEditor::boxChanged(Binding& binding) {
    if (binding.field == QLatin1String("DTMF")) {
        binding.working = binding.working.toUpper();
        return;
    }
    if (numericValue(binding.working) > NumberLimit) {
        m_messages.message(QStringLiteral("Value must be between 0 and 255. Try again."),
                           QString());
        static_cast<QLineEdit*>(binding.control)->clear();
    }
}

// A memory left empty is stored as the placeholder the controller's commands skip.
void DtmfMemoriesEditor::fieldApplied(const Binding& binding) {
    if (binding.field != QLatin1String("DTMF") || !binding.working.trimmed().isEmpty())
        return;
    const QString none = QStringLiteral("NONE STORED");
    m_db.setValue(binding.field, binding.index, none);
    static_cast<QLineEdit*>(binding.control)->setText(none);
}

} // namespace kovo
