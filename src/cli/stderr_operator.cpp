#include "stderr_operator.h"

#include <QTextStream>
#include <atomic>
#include <csignal>

namespace kovo::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int) {
    if (g_interrupted.exchange(true))
        std::signal(SIGINT, SIG_DFL);
}

} // namespace

StderrOperator::StderrOperator(bool answerYes) : m_answerYes(answerYes) {}

void StderrOperator::message(const QString& text, const QString& title, MessageIcon) {
    ++m_messages;
    m_lastMessage = text;
    QTextStream err(stderr);
    if (title.isEmpty())
        err << text << "\n";
    else
        err << title << ": " << text << "\n";
}

Answer StderrOperator::ask(const QString& text, const QString& title, Buttons buttons) {
    Answer answer = Answer::Ok;
    if (buttons != Buttons::Ok)
        answer =
            m_answerYes ? Answer::Yes : (buttons == Buttons::YesNo ? Answer::No : Answer::Cancel);
    const char* said = answer == Answer::Yes  ? "Yes"
                       : answer == Answer::No ? "No"
                       : answer == Answer::Ok ? "OK"
                                              : "Cancel";
    QTextStream err(stderr);
    if (!title.isEmpty())
        err << title << ": ";
    err << text << " -> " << said << "\n";
    return answer;
}

void StderrOperator::progress(int, int, const QString& label) {
    // One line per change of the label, so a long job shows its way without flooding. The label
    // says it all ("37% Complete"); the job's step counter beside it would read as a second
    // count of what was sent.
    if (label == m_lastLabel)
        return;
    m_lastLabel = label;
    QTextStream(stderr) << label << "\n";
}

bool StderrOperator::interrupted() {
    return g_interrupted.load();
}

void StderrOperator::catchInterrupt() {
    g_interrupted = false;
    std::signal(SIGINT, onInterrupt);
}

} // namespace kovo::cli
