#include "token_entry.h"

#include "database/database.h"
#include "database/vocabulary.h"
#include "program_info.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace kovo {

TokenEntry::TokenEntry(MessageService& messages, QLineEdit* counter, QObject* parent)
    : QObject(parent), m_messages(messages), m_counter(counter) {}

TokenEntry::~TokenEntry() {
    for (QLineEdit* box : m_boxes)
        box->removeEventFilter(this);
}

void TokenEntry::addBox(QLineEdit* box, const Rules& rules) {
    m_rules.insert(box, &rules);
    m_boxes.push_back(box);
    box->installEventFilter(this);
    connect(box, &QLineEdit::textEdited, this, [this, box] { edited(box, false); });
    connect(box, &QObject::destroyed, this, [this, box] {
        m_rules.remove(box);
        std::erase(m_boxes, box);
        if (m_current == box)
            m_current = nullptr;
    });
}

const TokenEntry::Rules* TokenEntry::currentRules() const {
    return m_current ? m_rules.value(m_current) : nullptr;
}

void TokenEntry::setCurrentBox(QLineEdit* box) {
    if (m_rules.contains(box))
        m_current = box;
}

void TokenEntry::enter(QLineEdit* box) {
    m_current = box;
    const Rules& rules = *m_rules.value(box);
    if (!rules.placeholder.isEmpty() && box->text() == rules.placeholder)
        box->clear();
    showCount();
    emit boxFocused(box);
}

int TokenEntry::count(const Rules& rules, QStringView text) const {
    return rules.count ? rules.count(text) : countBlanks(text) + 1;
}

void TokenEntry::showCount() {
    if (m_counter && m_current)
        m_counter->setText(QString::number(count(*m_rules.value(m_current), m_current->text())));
}

int TokenEntry::countBlanks(QStringView text) {
    return static_cast<int>(text.count(u' '));
}

int TokenEntry::countMacroUnits(QStringView text) {
    auto units = [](QStringView code) { return numericValue(code) >= 255 ? 2 : 1; };
    int total = units(text.left(3));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u' ')
            total += units(text.mid(i + 1).left(3));
    }
    return total;
}

bool TokenEntry::isSpeakable(QStringView word, QStringView text) {
    if (speechVocabulary().contains(word))
        return true;
    return isVocabularyWord(word) && normalizeSpaces(text) == QLatin1String("NONE STORED");
}

bool TokenEntry::isSendableCw(QStringView token) {
    for (const CwCharacter& c : cwCharacterSet()) {
        if (token == QLatin1String(c.token))
            return c.code != nullptr;
    }
    return false;
}

void TokenEntry::insertAtCaret(QLineEdit* box, const QString& token) {
    QString text = box->text();
    int caret = box->cursorPosition();
    if (text.isEmpty()) {
        text = token;
        caret = static_cast<int>(token.size());
    } else if (box->hasSelectedText()) {
        const int start = box->selectionStart();
        qsizetype length = box->selectedText().size();
        if (box->selectedText().endsWith(u' '))
            --length;
        text.replace(start, length, token);
        caret = start + static_cast<int>(token.size());
    } else if (caret >= text.size()) {
        text += u' ' + token;
        caret = static_cast<int>(text.size());
    } else {
        // A caret inside a token moves to the token's end, so no token is ever split or joined
        // with the one inserted.
        while (caret > 0 && caret < text.size() && text[caret - 1] != u' ' && text[caret] != u' ')
            ++caret;
        QString inserted = token;
        if (caret > 0 && text[caret - 1] != u' ')
            inserted.prepend(u' ');
        if (caret < text.size() && text[caret] != u' ')
            inserted.append(u' ');
        text.insert(caret, inserted);
        caret += static_cast<int>(inserted.size());
    }
    box->setText(text);
    box->setCursorPosition(caret);
}

void TokenEntry::removeLastToken(QLineEdit* box) {
    QString text = box->text();
    const qsizetype blank = text.lastIndexOf(u' ');
    text.truncate(blank < 0 ? 0 : blank + 1);
    while (text.endsWith(u' '))
        text.chop(1);
    box->setText(text);
    box->setCursorPosition(static_cast<int>(text.size()));
}

bool TokenEntry::insert(const QString& token) {
    if (!m_current || token.trimmed().isEmpty())
        return false;
    QLineEdit* box = m_current;
    const Rules& rules = *m_rules.value(box);
    if (!rules.placeholder.isEmpty() && box->text() == rules.placeholder)
        box->clear();
    const QString before = box->text();
    insertAtCaret(box, token.trimmed());
    if (rules.accepts && !rules.accepts(token.trimmed(), box->text())) {
        m_messages.message(rules.refusal, programTitle());
        box->setText(before);
        return false;
    }
    edited(box, true);
    return box->text() != before;
}

void TokenEntry::edited(QLineEdit* box, bool inserted) {
    if (m_busy)
        return;
    m_busy = true;
    const Rules& rules = *m_rules.value(box);
    const QString upper = box->text().toUpper();
    if (upper != box->text()) {
        const int caret = box->cursorPosition();
        box->setText(upper);
        box->setCursorPosition(caret);
    }
    bool refused = false;
    if (rules.entryRefusal) {
        for (QStringView entry : QStringView(upper).split(u' ', Qt::SkipEmptyParts)) {
            const QString refusal = rules.entryRefusal(entry);
            if (!refusal.isEmpty()) {
                m_messages.message(refusal, programTitle());
                removeLastToken(box);
                refused = true;
                break;
            }
        }
    }
    if (!refused && rules.limit > 0 && count(rules, box->text()) > rules.limit) {
        m_messages.message(rules.limitMessage, rules.limitTitle, rules.limitIcon);
        if (inserted || rules.cutWhenTyped)
            removeLastToken(box);
    }
    if (box == m_current)
        showCount();
    m_busy = false;
}

// The token left of the caret is finished by the blank about to be typed.
bool TokenEntry::typedBlank(QLineEdit* box) {
    const Rules& rules = *m_rules.value(box);
    if (!rules.accepts)
        return false;
    const QString text = box->text();
    const int end = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
    if (end <= 0)
        return false;
    const int start = static_cast<int>(text.lastIndexOf(u' ', end - 1)) + 1;
    const QString token = text.mid(start, end - start).toUpper();
    if (token.isEmpty() || rules.accepts(token, text.toUpper()))
        return false;
    m_messages.message(rules.refusal, programTitle());
    removeToken(box, start, end - start);
    return true;
}

void TokenEntry::removeToken(QLineEdit* box, int start, int length) {
    QString text = box->text();
    text.remove(start, length);
    box->setText(text);
    box->setCursorPosition(start);
}

void TokenEntry::sweep(QLineEdit* box) {
    const Rules* rules = m_rules.value(box);
    if (!rules || !(rules->keeps || rules->accepts))
        return;
    const auto& keeps = rules->keeps ? rules->keeps : rules->accepts;
    for (;;) {
        const QString text = box->text();
        const QString upper = text.toUpper();
        qsizetype start = 0;
        bool removed = false;
        while (start < text.size()) {
            if (text[start] == u' ') {
                ++start;
                continue;
            }
            qsizetype end = text.indexOf(u' ', start);
            if (end < 0)
                end = text.size();
            if (!keeps(QStringView(upper).mid(start, end - start), upper)) {
                m_messages.message(rules->refusal, programTitle());
                removeToken(box, static_cast<int>(start), static_cast<int>(end - start));
                removed = true;
                break;
            }
            start = end;
        }
        if (!removed)
            return;
    }
}

void TokenEntry::leave(QLineEdit* box) {
    const Rules& rules = *m_rules.value(box);
    sweep(box);
    if (rules.normalizeOnLeave) {
        const QString folded = normalizeSpaces(box->text());
        if (folded != box->text())
            box->setText(folded);
    }
    if (box->text().isEmpty() && !rules.placeholder.isEmpty() && m_stored &&
        m_stored(box) == rules.placeholder)
        box->setText(rules.placeholder);
    emit boxLeft(box);
}

bool TokenEntry::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box || !m_rules.contains(box))
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        enter(box);
        break;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching to another application, a menu or a message box is not leaving the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            leave(box);
        break;
    }
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->text() == QLatin1String(" ") && typedBlank(box))
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kovo
