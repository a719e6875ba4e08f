#pragma once

#include "link/operator.h"

#include <QString>
#include <optional>

namespace kovo {

// Every modal box of the desktop program goes through one MessageService: message boxes with
// their exact text, title, icon and buttons, and the one-line input boxes. The program shows
// real boxes (QtMessageService); tests put a RecordingMessageService in its place, so no test
// ever waits on a dialog.
class MessageService {
public:
    virtual ~MessageService() = default;

    // A modal message box; returns the button pressed. An empty title means programTitle().
    virtual Answer show(const QString& text, const QString& title, MessageIcon icon,
                        Buttons buttons) = 0;
    // A one-line input box offering `defaultText`; nullopt when the person pressed Cancel.
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& defaultText) = 0;

    // A Yes/No question whose default button (the one Enter presses) is No: for questions where
    // Yes destroys something.
    virtual Answer askDefaultNo(const QString& text, const QString& title) {
        return show(text, title, MessageIcon::None, Buttons::YesNo);
    }

    void message(const QString& text, const QString& title, MessageIcon icon = MessageIcon::None) {
        show(text, title, icon, Buttons::Ok);
    }
    Answer ask(const QString& text, const QString& title, Buttons buttons,
               MessageIcon icon = MessageIcon::None) {
        return show(text, title, icon, buttons);
    }
};

} // namespace kovo
