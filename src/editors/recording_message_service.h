#pragma once

#include "message_service.h"

#include <QList>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

namespace kovo {

// The test double of the message service: records every box and answers from a script.
//
// Message boxes take their answers from `answers` in order; when it is empty an OK box answers
// Ok, a Yes/No box No and a Yes/No/Cancel box Cancel (the answers that change nothing), and the
// call counts as unscripted. Input boxes take theirs from `inputs` the same way (empty: Cancel).
class RecordingMessageService : public MessageService {
public:
    struct Call {
        bool isInput = false;
        QString text; // the message, or the input box's prompt
        QString title;
        MessageIcon icon = MessageIcon::None;
        Buttons buttons = Buttons::Ok;
        QString defaultText;    // input boxes only
        bool defaultNo = false; // a Yes/No box whose default button is No
    };

    Answer show(const QString& text, const QString& title, MessageIcon icon,
                Buttons buttons) override;
    Answer askDefaultNo(const QString& text, const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;

    QList<Answer> answers;
    QList<std::optional<QString>> inputs;
    QVector<Call> calls;
    int unscripted = 0;
    // Runs inside every box, after it is recorded (for example to look at the windows while a
    // box would be up).
    std::function<void(const Call&)> onCall;

    // The texts of the message boxes (not input boxes), in order.
    QStringList messageTexts() const;
    void clear();

private:
    bool m_defaultNo = false;
};

} // namespace kovo
