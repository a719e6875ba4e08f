#include "recording_operator.h"

#include <QMutexLocker>
#include <algorithm>

namespace kovo {

void RecordingOperator::message(const QString& text, const QString& title, MessageIcon icon) {
    std::function<void(const Message&)> hook;
    const Message recorded{text, title, icon};
    {
        QMutexLocker lock(&m_mutex);
        m_messages.append(recorded);
        hook = m_onMessage;
    }
    if (hook)
        hook(recorded);
}

Answer RecordingOperator::ask(const QString& text, const QString& title, Buttons buttons) {
    QMutexLocker lock(&m_mutex);
    Answer answer;
    if (!m_answers.isEmpty()) {
        answer = m_answers.takeFirst();
    } else {
        ++m_unscripted;
        answer = buttons == Buttons::Ok      ? Answer::Ok
                 : buttons == Buttons::YesNo ? Answer::No
                                             : Answer::Cancel;
    }
    m_questions.append(Question{text, title, buttons, answer});
    return answer;
}

void RecordingOperator::progress(int value, int maximum, const QString& label) {
    QMutexLocker lock(&m_mutex);
    m_progress.append(Progress{value, maximum, label});
}

bool RecordingOperator::interrupted() {
    QMutexLocker lock(&m_mutex);
    return m_interrupted || (m_interruptAfter > 0 && m_messages.size() >= m_interruptAfter);
}

void RecordingOperator::scriptAnswers(const QList<Answer>& answers) {
    QMutexLocker lock(&m_mutex);
    m_answers.append(answers);
}

void RecordingOperator::setInterrupted(bool on) {
    QMutexLocker lock(&m_mutex);
    m_interrupted = on;
}

void RecordingOperator::interruptAfterMessages(int count) {
    QMutexLocker lock(&m_mutex);
    m_interruptAfter = count;
}

void RecordingOperator::setOnMessage(std::function<void(const Message&)> hook) {
    QMutexLocker lock(&m_mutex);
    m_onMessage = std::move(hook);
}

QVector<RecordingOperator::Message> RecordingOperator::messages() const {
    QMutexLocker lock(&m_mutex);
    return m_messages;
}

QStringList RecordingOperator::messageTexts() const {
    QMutexLocker lock(&m_mutex);
    QStringList texts;
    for (const Message& m : m_messages)
        texts << m.text;
    return texts;
}

QVector<RecordingOperator::Question> RecordingOperator::questions() const {
    QMutexLocker lock(&m_mutex);
    return m_questions;
}

QVector<RecordingOperator::Progress> RecordingOperator::progressReports() const {
    QMutexLocker lock(&m_mutex);
    return m_progress;
}

int RecordingOperator::highestProgress() const {
    QMutexLocker lock(&m_mutex);
    int highest = 0;
    for (const Progress& p : m_progress)
        highest = std::max(highest, p.value);
    return highest;
}

int RecordingOperator::lastMaximum() const {
    QMutexLocker lock(&m_mutex);
    return m_progress.isEmpty() ? 0 : m_progress.last().maximum;
}

int RecordingOperator::unscripted() const {
    QMutexLocker lock(&m_mutex);
    return m_unscripted;
}

void RecordingOperator::clear() {
    QMutexLocker lock(&m_mutex);
    m_messages.clear();
    m_questions.clear();
    m_progress.clear();
    m_answers.clear();
    m_unscripted = 0;
}

} // namespace kovo
