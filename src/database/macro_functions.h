#pragma once

#include <QString>
#include <QStringView>
#include <QVector>

namespace kovo {

// The controller's macro functions: the 483 entries of the function list (numbers 1 to 490 less
// seven unused ones), in the list's own order, with the short descriptions that tool tips show.
class MacroFunctions {
public:
    struct Function {
        int number = 0;
        QString name;        // the list entry without its number
        QString description; // the tool-tip text
    };

    static const QVector<Function>& all();
    // The list entry: the number as three digits, a blank and the name.
    static QString entryText(const Function& function);
    // The tool-tip text of one code ("013"); nullptr when the code names no function.
    static const QString* describe(QStringView code);
    // The tool tip of a macro text: each code's description, joined by " | "; a code that
    // names no function is shown as it is.
    static QString describeMacro(QStringView text);
};

} // namespace kovo
