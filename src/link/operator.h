#pragma once

#include <QString>

namespace kovo {

enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

// How a running link job talks to the person at the keyboard. The desktop program shows modal
// boxes on the GUI thread while the job waits; kovo-cli prints to stderr and answers from its
// flags; tests record every call and answer from a script.
class Operator {
public:
    virtual ~Operator() = default;

    // A message box with an OK button. An empty title means the program's default title.
    virtual void message(const QString& text, const QString& title = {},
                         MessageIcon icon = MessageIcon::None) = 0;
    virtual Answer ask(const QString& text, const QString& title, Buttons buttons) = 0;
    // Progress of a long job; `label` names what is being done.
    virtual void progress(int value, int maximum, const QString& label) = 0;
    // True once the person asked to stop (Interrupt, Escape, Ctrl+C); jobs read it after each
    // command or chunk.
    virtual bool interrupted() = 0;
};

} // namespace kovo
