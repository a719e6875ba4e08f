#include "recording_message_service.h"

namespace kovo {

Answer RecordingMessageService::askDefaultNo(const QString& text, const QString& title) {
    m_defaultNo = true;
    const Answer answer = show(text, title, MessageIcon::None, Buttons::YesNo);
    m_defaultNo = false;
    return answer;
}

Answer RecordingMessageService::show(const QString& text, const QString& title, MessageIcon icon,
                                     Buttons buttons) {
    Call call;
    call.defaultNo = m_defaultNo;
    call.text = text;
    call.title = title;
    call.icon = icon;
    call.buttons = buttons;
    calls.append(call);
    if (onCall)
        onCall(call);
    if (!answers.isEmpty())
        return answers.takeFirst();
    ++unscripted;
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    }
    return Answer::Ok;
}

std::optional<QString> RecordingMessageService::input(const QString& prompt, const QString& title,
                                                      const QString& defaultText) {
    Call call;
    call.isInput = true;
    call.text = prompt;
    call.title = title;
    call.defaultText = defaultText;
    calls.append(call);
    if (onCall)
        onCall(call);
    if (!inputs.isEmpty())
        return inputs.takeFirst();
    ++unscripted;
    return std::nullopt;
}

QStringList RecordingMessageService::messageTexts() const {
    QStringList texts;
    for (const Call& call : calls) {
        if (!call.isInput)
            texts.append(call.text);
    }
    return texts;
}

void RecordingMessageService::clear() {
    calls.clear();
    answers.clear();
    inputs.clear();
    unscripted = 0;
}

} // namespace kovo
