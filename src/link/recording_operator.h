#pragma once

#include "operator.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace kovo {

// The test double of the Operator: records every message, question and progress report and
// answers questions from a script.
//
// Questions take their answers from the script in order; when it is empty an OK box answers
// Ok, a Yes/No box No and a Yes/No/Cancel box Cancel (the answers that change nothing), and the
// call counts as unscripted. interrupted() returns the flag set with setInterrupted(), or, when
// interruptAfterMessages() was set, true from that many messages on.
//
// Calls may come from a link job's thread while the test thread reads the records.
class RecordingOperator : public Operator {
public:
    struct Message {
        QString text;
        QString title;
        MessageIcon icon = MessageIcon::None;
    };
    struct Question {
        QString text;
        QString title;
        Buttons buttons = Buttons::Ok;
        Answer answer = Answer::Ok;
    };
    struct Progress {
        int value = 0;
        int maximum = 0;
        QString label;
    };

    void message(const QString& text, const QString& title = {},
                 MessageIcon icon = MessageIcon::None) override;
    Answer ask(const QString& text, const QString& title, Buttons buttons) override;
    void progress(int value, int maximum, const QString& label) override;
    bool interrupted() override;

    // Answers for the next questions, in order.
    void scriptAnswers(const QList<Answer>& answers);
    void setInterrupted(bool on);
    // interrupted() becomes true once `count` messages have been recorded (0: never by count).
    void interruptAfterMessages(int count);
    // Runs inside every message call, after it is recorded, on the caller's thread.
    void setOnMessage(std::function<void(const Message&)> hook);

    QVector<Message> messages() const;
    QStringList messageTexts() const;
    QVector<Question> questions() const;
    QVector<Progress> progressReports() const;
    // The highest progress value reported (0 when none) and the maximum of the last report.
    int highestProgress() const;
    int lastMaximum() const;
    int unscripted() const;
    void clear();

private:
    mutable QMutex m_mutex;
    QVector<Message> m_messages;
    QVector<Question> m_questions;
    QVector<Progress> m_progress;
    QList<Answer> m_answers;
    std::function<void(const Message&)> m_onMessage;
    int m_unscripted = 0;
    int m_interruptAfter = 0;
    bool m_interrupted = false;
};

} // namespace kovo
