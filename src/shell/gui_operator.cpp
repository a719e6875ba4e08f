#include "gui_operator.h"

#include "editors/message_service.h"

#include <QThread>
#include <memory>

namespace kovo {

namespace {

// One box asked for by the link thread, answered on the GUI thread.
struct Request {
    bool done = false;
    Answer answer = Answer::Ok;
};

} // namespace

GuiOperator::GuiOperator(MessageService& messages, QObject* parent)
    : QObject(parent), m_messages(messages) {}

Answer GuiOperator::quietAnswer(Buttons buttons) {
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

void GuiOperator::message(const QString& text, const QString& title, MessageIcon icon) {
    show(text, title, icon, Buttons::Ok);
}

Answer GuiOperator::ask(const QString& text, const QString& title, Buttons buttons) {
    return show(text, title, MessageIcon::None, buttons);
}

Answer GuiOperator::show(const QString& text, const QString& title, MessageIcon icon,
                         Buttons buttons) {
    if (m_abandoned)
        return quietAnswer(buttons);
    if (QThread::currentThread() == thread()) {
        emit boxShowing(text, title);
        return m_messages.show(text, title, icon, buttons);
    }

    auto request = std::make_shared<Request>();
    QMetaObject::invokeMethod(
        this,
        [this, request, text, title, icon, buttons] {
            if (m_abandoned)
                return; // the waiting job has been released already
            emit boxShowing(text, title);
            const Answer answer = m_messages.show(text, title, icon, buttons);
            {
                std::lock_guard lock(m_mutex);
                request->answer = answer;
                request->done = true;
            }
            m_answered.notify_all();
        },
        Qt::QueuedConnection);

    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [&] { return request->done || m_abandoned; });
    return request->done ? request->answer : quietAnswer(buttons);
}

void GuiOperator::progress(int value, int maximum, const QString& label) {
    emit progressed(value, maximum, label);
}

bool GuiOperator::interrupted() {
    return m_cancelled || m_abandoned;
}

void GuiOperator::abandon() {
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_answered.notify_all();
}

} // namespace kovo
