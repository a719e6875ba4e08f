#pragma once

#include "link/operator.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace kovo {

class MessageService;

// The Operator of link jobs in the desktop program. A job runs on the link thread; its messages
// and questions become the message service's modal boxes on the GUI thread while the job waits
// for the answer, and its progress reports travel to the windows as queued signals.
//
// The Escape button (setCancelled) and the end of the program (abandon) are what interrupted()
// tells the job. After abandon() no box is shown any more: a job waiting for an answer gets the
// answer that changes nothing (Ok, No, Cancel) at once, and so do its later questions.
class GuiOperator : public QObject, public Operator {
    Q_OBJECT

public:
    explicit GuiOperator(MessageService& messages, QObject* parent = nullptr);

    void message(const QString& text, const QString& title = {},
                 MessageIcon icon = MessageIcon::None) override;
    Answer ask(const QString& text, const QString& title, Buttons buttons) override;
    void progress(int value, int maximum, const QString& label) override;
    bool interrupted() override;

    // The progress window's Escape button; any thread.
    void setCancelled(bool cancelled) { m_cancelled = cancelled; }
    bool cancelled() const { return m_cancelled; }
    // The program is ending: no more boxes, waiting jobs are released. GUI thread.
    void abandon();
    bool abandoned() const { return m_abandoned; }

    // The answer a box gives when nobody can answer it.
    static Answer quietAnswer(Buttons buttons);

signals:
    // From the link thread; connect with the default (queued across threads) connection.
    void progressed(int value, int maximum, const QString& label);
    // A box of a job is about to be shown on the GUI thread.
    void boxShowing(const QString& text, const QString& title);

private:
    Answer show(const QString& text, const QString& title, MessageIcon icon, Buttons buttons);

    MessageService& m_messages;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_abandoned{false};
};

} // namespace kovo
