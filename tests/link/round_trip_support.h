#pragma once

#include "database/database.h"
#include "emulator/tarsis_memory.h"
#include "link/line_sink.h"
#include "link/link_flags.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace kovo {

// Calls `set` with each name, index and value of "HangTime(2)=30;Lock=*" (or of flag names
// without values).
inline void forEachKey(const QString& keys, const std::function<void(QString, int, QString)>& set) {
    for (const QString& key : keys.split(u';', Qt::SkipEmptyParts)) {
        const QString name = key.section(u'=', 0, 0);
        const qsizetype open = name.indexOf(u'(');
        set(name.left(open), open < 0 ? 0 : name.mid(open + 1).chopped(1).toInt(),
            key.section(u'=', 1));
    }
}
inline void setPending(Database& db, const QString& flags) {
    forEachKey(flags,
               [&](const QString& flag, int index, const QString&) { db.setPending(flag, index); });
}
// Expects the values of "HangTime(2)=30;Lock=*" in `db`.
inline void expectValues(const Database& db, const QString& values) {
    forEachKey(values, [&](const QString& field, int index, const QString& value) {
        EXPECT_EQ(db.value(field, index), value) << field.toStdString() << '(' << index << ')';
    });
}
// A default database with the values of `values`, "HangTime(2)=30;Lock=*".
inline Database configured(const char* values) {
    Database db;
    forEachKey(QString::fromLatin1(values),
               [&](const QString& field, int index, const QString& value) {
                   db.setValue(field, index, value);
               });
    return db;
}

namespace roundtrip {

// Builds configurations as the editors would store them: every field at a valid value, drawn
// across its whole range. Variant 0 takes every field's low edge (empty macros and messages,
// one-word IDs, zero tone 2), variant 1 its high edge (15-unit macros with functions above 255,
// 22-word voice IDs, 15-token CW IDs, full-length codes and prefixes); other variants draw at
// random, with the edge values mixed in.
class Generator {
public:
    Generator(quint32 seed, int variant) : m_random(seed), m_variant(variant) {}

    Database configuration();
    // Changes `count` randomly chosen field elements as editors would (keeping the couplings
    // between fields); returns the keys changed.
    QStringList edit(Database& db, int count);

private:
    struct Rule {
        QByteArray field;
        int count; // 0: single field
        std::function<QString(int index)> make;
    };
    const std::vector<Rule>& rules();
    void fix(Database& db);

    int pick(int low, int high);
    bool chance(int percent);
    // Whether an item that may be empty is left empty: always at the low edge, never at the high.
    bool unset(int percent) { return m_variant == 0 || (m_variant > 1 && chance(percent)); }
    qsizetype below(qsizetype count) { return qsizetype(m_random.bounded(quint32(count))); }
    QString number(int low, int high) { return QString::number(pick(low, high)); }
    QString padded(int low, int high) { return number(low, high).rightJustified(2, u'0'); }
    QString oneOf(const QStringList& texts) { return texts.at(pick(0, int(texts.size()) - 1)); }
    QString characters(const QString& set, int low, int high);
    QString words(int low, int high);
    QString cwTokens(int low, int high);
    QString macro(int units);
    QString tone(bool second);

    QRandomGenerator m_random;
    int m_variant;
    std::vector<Rule> m_rules;
};

// The serial link straight into the controller's memory: every line applied as the controller
// would, a refusal recorded and reported to the upload as the link does.
class MemoryLineSink : public LineSink {
public:
    MemoryLineSink(TarsisMemory& memory, LinkFlags& flags) : m_memory(memory), m_flags(flags) {}

    bool open() override { return true; }
    void close() override {}
    void sendCommand(const QString& line) override {
        ++m_lines;
        const CommandOutcome outcome = m_memory.applySerialLine(line);
        if (outcome.accepted) {
            m_flags.commandAcknowledged = true;
        } else {
            m_flags.updateAborted = true;
            m_refused << line.trimmed() + QStringLiteral(" -> ") + outcome.reason;
        }
    }
    void writeLine(const QString& line) override { m_memory.applySerialLine(line); }
    void setLockCode(const QString&) override {}

    QStringList refused() const { return m_refused; }
    int lines() const { return m_lines; }

private:
    TarsisMemory& m_memory;
    LinkFlags& m_flags;
    QStringList m_refused;
    int m_lines = 0;
};

} // namespace roundtrip
} // namespace kovo
