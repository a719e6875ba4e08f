#include "control_names.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace kovo {

namespace {

bool isInput(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QTextEdit*>(widget);
}

// The line edit of an editable list or a spin box, and the popup of a list, are parts of their
// owner, not controls of their own.
bool isPartOfInput(const QWidget* widget, const QWidget* root) {
    for (const QWidget* up = widget->parentWidget(); up && up != root; up = up->parentWidget()) {
        if (isInput(up))
            return true;
    }
    return false;
}

QString plainText(const QLabel* label) {
    QString text = label->text();
    text.remove(QLatin1Char('&'));
    return text.simplified();
}

// Where a widget sits: its layout and item index there.
struct Place {
    QLayout* layout = nullptr;
    int index = -1;
};

Place findIn(QLayout* layout, const QWidget* widget) {
    if (!layout)
        return {};
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget)
            return {layout, i};
        if (const Place inner = findIn(item->layout(), widget); inner.layout)
            return inner;
    }
    return {};
}

Place placeOf(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    return parent ? findIn(parent->layout(), widget) : Place{};
}

template <typename T> T* widgetAt(QLayoutItem* item) {
    return item ? qobject_cast<T*>(item->widget()) : nullptr;
}

// The labels around a box as the person reads them.
struct Neighbours {
    QLabel* caption = nullptr; // left of it, before any other control
    QLabel* rowLead = nullptr; // the first label of its row, when that is not `caption`
    QLabel* heading = nullptr; // the label heading its column, when it has no caption
    QLabel* unit = nullptr;    // right after it
};

Neighbours gridNeighbours(QGridLayout* grid, int index) {
    Neighbours found;
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    for (int c = column - 1; c >= 0; --c) {
        QLayoutItem* item = grid->itemAtPosition(row, c);
        if (!item || !item->widget())
            continue;
        if (isInput(item->widget()))
            break;
        if (auto* label = widgetAt<QLabel>(item)) {
            found.caption = label;
            break;
        }
    }
    // A caption repeated down a column ("Macro To Use" on every row) is read after the row's
    // first label; a caption of its own is enough.
    int sameCaption = 0;
    for (int i = 0; found.caption && i < grid->count(); ++i) {
        if (auto* label = widgetAt<QLabel>(grid->itemAt(i)))
            sameCaption += label->text() == found.caption->text() ? 1 : 0;
    }
    for (int c = 0; c < column && (sameCaption > 1 || !found.caption); ++c) {
        if (auto* label = widgetAt<QLabel>(grid->itemAtPosition(row, c))) {
            if (label != found.caption)
                found.rowLead = label;
            break;
        }
    }
    if (!found.caption) {
        for (int r = row - 1; r >= 0 && !found.heading; --r)
            found.heading = widgetAt<QLabel>(grid->itemAtPosition(r, column));
    }
    found.unit = widgetAt<QLabel>(grid->itemAtPosition(row, column + columnSpan));
    return found;
}

Neighbours boxNeighbours(QBoxLayout* box, int index) {
    Neighbours found;
    for (int i = index - 1; i >= 0; --i) {
        QWidget* widget = box->itemAt(i)->widget();
        if (!widget)
            continue;
        if (isInput(widget))
            break;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            found.caption = label;
            break;
        }
    }
    const bool across =
        box->direction() == QBoxLayout::LeftToRight || box->direction() == QBoxLayout::RightToLeft;
    if (across && index + 1 < box->count())
        found.unit = widgetAt<QLabel>(box->itemAt(index + 1));
    return found;
}

Neighbours neighboursOf(const QWidget* widget) {
    const Place place = placeOf(widget);
    if (auto* grid = qobject_cast<QGridLayout*>(place.layout))
        return gridNeighbours(grid, place.index);
    if (auto* box = qobject_cast<QBoxLayout*>(place.layout))
        return boxNeighbours(box, place.index);
    if (auto* form = qobject_cast<QFormLayout*>(place.layout)) {
        Neighbours found;
        found.caption = qobject_cast<QLabel*>(form->labelForField(const_cast<QWidget*>(widget)));
        return found;
    }
    return {};
}

QGroupBox* frameOf(const QWidget* widget, const QWidget* root) {
    for (QWidget* up = widget->parentWidget(); up && up != root; up = up->parentWidget()) {
        if (auto* frame = qobject_cast<QGroupBox*>(up))
            return frame;
    }
    return nullptr;
}

QString joined(const QStringList& parts, const QString& separator) {
    QStringList kept;
    for (const QString& part : parts) {
        if (!part.isEmpty())
            kept.append(part);
    }
    return kept.join(separator);
}

} // namespace

void nameControls(QWidget* root) {
    QList<QWidget*> inputs;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (isInput(widget) && !isPartOfInput(widget, root))
            inputs.append(widget);
    }
    QHash<const QWidget*, QLabel*> buddyLabel;
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (label->buddy() && !buddyLabel.contains(label->buddy()))
            buddyLabel.insert(label->buddy(), label);
    }

    QHash<const QWidget*, Neighbours> around;
    for (QWidget* input : std::as_const(inputs)) {
        const Neighbours found = neighboursOf(input);
        around.insert(input, found);
        if (!buddyLabel.contains(input) && found.caption && !found.caption->buddy()) {
            found.caption->setBuddy(input);
            buddyLabel.insert(input, found.caption);
        }
    }

    QHash<const QGroupBox*, int> inputsInFrame;
    for (QWidget* input : std::as_const(inputs)) {
        if (const QGroupBox* frame = frameOf(input, root))
            ++inputsInFrame[frame];
    }

    for (QWidget* input : std::as_const(inputs)) {
        const Neighbours& found = around[input];
        if (found.unit && !found.unit->buddy() && input->accessibleDescription().isEmpty())
            input->setAccessibleDescription(plainText(found.unit));
        if (!input->accessibleName().isEmpty())
            continue;
        const QLabel* caption = buddyLabel.value(input);
        QString own;
        if (caption) {
            own = caption == found.caption && found.rowLead
                      ? joined({plainText(found.rowLead), plainText(caption)}, QStringLiteral(" "))
                      : plainText(caption);
        } else if (found.heading) {
            own = joined(
                {found.rowLead ? plainText(found.rowLead) : QString(), plainText(found.heading)},
                QStringLiteral(" "));
        }
        // Qt names a box by its buddy label, else by its frame caption, and a list by its entry.
        QString name;
        if (!own.isEmpty()) {
            if (!caption || own != plainText(caption) || qobject_cast<QComboBox*>(input))
                name = own;
        } else if (const QGroupBox* frame = frameOf(input, root);
                   frame && inputsInFrame.value(frame) == 1) {
            name = frame->title().remove(QLatin1Char('&')).simplified();
        }
        if (!name.isEmpty())
            input->setAccessibleName(name);
    }
}

} // namespace kovo
