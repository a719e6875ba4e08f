#pragma once

#include "message_service.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

class QLineEdit;

namespace kovo {

// Entry of blank-separated tokens (macro functions, spoken words, CW characters, DTMF digits)
// into a set of text boxes, shared by the word and code editors: the box that had the focus last
// is the current one, a pick list inserts into it at the caret, tokens are checked as they are
// typed, a counter shows how many the current box holds and a limit keeps it from growing past
// what the controller stores, and a placeholder ("NONE STORED") vanishes when its box gets the
// focus.
//
// The editor owns the boxes, the pick list and the counter; this object only watches the boxes.
// It reacts to what the person types and inserts, never to text the editor sets, so a value
// loaded from a file is shown as it is.
class TokenEntry : public QObject {
    Q_OBJECT

public:
    struct Rules {
        // Most tokens (or units, see count) a box may hold, and what is shown above it.
        int limit = 0;
        QString limitMessage;
        QString limitTitle = QStringLiteral("Try Again!");
        MessageIcon limitIcon = MessageIcon::Critical;
        // Typing past the limit removes the token just begun; otherwise typing only warns and an
        // insertion from the pick list removes the last token again.
        bool cutWhenTyped = true;
        // How much a text holds; by default its blanks + 1.
        std::function<int(QStringView text)> count;
        // The check of a finished token (typed up to a blank, or found when the box is left);
        // empty: every token is taken. `refusal` is shown (OK only) for a token it refuses, and
        // the token is removed.
        std::function<bool(QStringView token, QStringView text)> accepts;
        QString refusal;
        // The check of the tokens a box keeps when it is left; empty: `accepts`.
        std::function<bool(QStringView token, QStringView text)> keeps;
        // The check of every entry at each change (typed or inserted): a non-empty answer is
        // shown (OK only) and the last entry is removed again.
        std::function<QString(QStringView entry)> entryRefusal;
        // Emptied when its box gets the focus, and shown again when the box is left empty while
        // its stored value is the placeholder.
        QString placeholder;
        // Blank runs folded when the box is left.
        bool normalizeOnLeave = true;
    };

    TokenEntry(MessageService& messages, QLineEdit* counter, QObject* parent = nullptr);
    ~TokenEntry() override;

    // `rules` must outlive this object; several boxes may share one set.
    void addBox(QLineEdit* box, const Rules& rules);
    // What the box held when the editor last loaded it; the placeholder comes back only then.
    void setStoredValue(const std::function<QString(QLineEdit* box)>& stored) { m_stored = stored; }

    QLineEdit* currentBox() const { return m_current; }
    const Rules* currentRules() const;
    // Makes `box` the one a pick list inserts into, as if it had had the focus last.
    void setCurrentBox(QLineEdit* box);

    // Inserts `token` into the current box by the insertion rules, then applies the checks and
    // the limit; false when there is no current box or the token was not kept.
    bool insert(const QString& token);
    // Checks every finished token of `box` and removes, with the refusal, each one refused.
    void sweep(QLineEdit* box);
    // Shows the count of the current box in the counter.
    void showCount();

    // The insertion rules: an empty box takes the token alone; a selection is replaced (less a
    // blank it ends in); at the end of the text the token follows a blank; inside the text a
    // blank is added on each side that touches another token, and a caret inside a token first
    // moves to that token's end.
    static void insertAtCaret(QLineEdit* box, const QString& token);
    // Cuts the text after its last blank, removes trailing blanks, caret at the end.
    static void removeLastToken(QLineEdit* box);
    static int countBlanks(QStringView text);
    // Units of a macro text: each code (the three characters after its blank) of 255 or more
    // counts 2, any other 1; an empty text counts 1.
    static int countMacroUnits(QStringView text);
    // A word the controller can speak: a vocabulary word with a code; NONE and STORED only as the
    // whole placeholder text "NONE STORED", which stands for no words at all.
    static bool isSpeakable(QStringView word, QStringView text);
    // A CW token the controller can send: one with a code (not "." or "-").
    static bool isSendableCw(QStringView token);

signals:
    void boxFocused(QLineEdit* box);
    // The box was left, its tokens checked and its blanks folded.
    void boxLeft(QLineEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int count(const Rules& rules, QStringView text) const;
    // The box got the focus: it becomes the current one and its placeholder goes.
    void enter(QLineEdit* box);
    void edited(QLineEdit* box, bool inserted);
    bool typedBlank(QLineEdit* box);
    void leave(QLineEdit* box);
    void removeToken(QLineEdit* box, int start, int length);

    MessageService& m_messages;
    QLineEdit* m_counter;
    QLineEdit* m_current = nullptr;
    QHash<QLineEdit*, const Rules*> m_rules;
    std::vector<QLineEdit*> m_boxes;
    std::function<QString(QLineEdit*)> m_stored;
    bool m_busy = false;
};

} // namespace kovo
