#include "editor_controls.h"

#include "database/database.h"
#include "editor_window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <cmath>

namespace kovo {

QString indexedName(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QLineEdit* newBox(const QString& name, QWidget* parent, int maximumWidth) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaximumWidth(maximumWidth);
    return box;
}

QComboBox* newList(const QString& name, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    return list;
}

QLabel* newBuddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

void addNumberedEntries(QComboBox* list, std::initializer_list<ListEntry> entries) {
    for (const ListEntry& entry : entries)
        list->addItem(QString::fromLatin1(entry.text), entry.number);
}

void addNumberEntries(QComboBox* list, int first, int last, int width) {
    for (int n = first; n <= last; ++n)
        list->addItem(QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0')));
}

QString currentNumber(const QComboBox* list) {
    const QVariant data = list->currentData();
    return data.isValid() ? QString::number(data.toInt()) : QString();
}

void selectByNumber(QComboBox* list, const QString& value) {
    static const QRegularExpression number(QStringLiteral("^\\s*[0-9]+\\s*$"));
    int entry = -1;
    if (number.match(value).hasMatch())
        entry = list->findData(numericInt(value));
    list->setCurrentIndex(entry);
}

void selectByText(QComboBox* list, const QString& value) {
    int entry = list->findText(value);
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (entry < 0 && digits.match(value).hasMatch()) {
        for (int i = 0; i < list->count() && entry < 0; ++i) {
            if (digits.match(list->itemText(i)).hasMatch() &&
                numericInt(list->itemText(i)) == numericInt(value))
                entry = i;
        }
    }
    list->setCurrentIndex(entry);
}

QString plainNumber(const QString& text) {
    const double value = std::trunc(numericValue(text));
    if (std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'f', 0);
}

void colourControl(QWidget* control, bool changed) {
    const QColor colour = changed ? EditorWindow::changedColour() : EditorWindow::unchangedColour();
    QPalette palette = control->palette();
    if (palette.color(QPalette::Text) == colour && control->testAttribute(Qt::WA_SetPalette))
        return;
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    control->setPalette(palette);
}

} // namespace kovo
