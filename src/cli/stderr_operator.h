#pragma once

#include "link/operator.h"

#include <QString>

namespace kovo::cli {

// The Operator of kovo-cli: messages and progress go to stderr, questions are answered from the
// command line (--yes answers Yes, otherwise No or Cancel: the answer that changes nothing), and
// Ctrl+C asks the running job to stop after its current command.
class StderrOperator : public Operator {
public:
    explicit StderrOperator(bool answerYes = false);

    void message(const QString& text, const QString& title = {},
                 MessageIcon icon = MessageIcon::None) override;
    Answer ask(const QString& text, const QString& title, Buttons buttons) override;
    void progress(int value, int maximum, const QString& label) override;
    bool interrupted() override;

    // From now on the first Ctrl+C (SIGINT) makes interrupted() true; a second one ends the
    // program.
    static void catchInterrupt();

    int messageCount() const { return m_messages; }
    QString lastMessage() const { return m_lastMessage; }

private:
    bool m_answerYes;
    int m_messages = 0;
    QString m_lastMessage;
    QString m_lastLabel;
};

} // namespace kovo::cli
