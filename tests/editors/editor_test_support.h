#pragma once

#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "editors/word_editor_support.h" // QString printer, emulated Tarsis, fake runner

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <ostream>

namespace kovo::test {

// Types as a person does: the old text selected and replaced key by key.
inline void typeInto(QLineEdit* box, const QString& text) {
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

inline void leaveBox(QWidget* box) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

inline void choose(QComboBox* list, const QString& entry) {
    ASSERT_NE(list, nullptr) << entry.toStdString();
    const int index = list->findText(entry);
    ASSERT_GE(index, 0) << entry.toStdString();
    list->setCurrentIndex(index);
}

// What a screen reader calls the control. A list's accessible name on Linux is its current
// entry; it is named through the label whose buddy it is, or through its own accessible name.
inline QString accessibleName(QWidget* control) {
    if (qobject_cast<QComboBox*>(control)) {
        if (!control->accessibleName().isEmpty())
            return control->accessibleName();
        for (const QLabel* label : control->window()->findChildren<QLabel*>()) {
            if (label->buddy() == control)
                return label->text();
        }
        return QString();
    }
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    return face ? face->text(QAccessible::Name) : QString();
}

// The database as written to `path` and read back, for checks of what Save wrote.
inline Database reloaded(const QString& path) {
    Database loaded;
    ErrorLog log;
    readDatabase(loaded, path, log);
    return loaded;
}

} // namespace kovo::test
