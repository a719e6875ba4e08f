#pragma once

#include "database/database.h"

#include <QHash>
#include <QString>
#include <vector>

namespace kovo {

// Working copies of field elements that are not tied to one control of their own: elements shown
// one at a time through a chooser (an alarm, a memory, an autodial slot), lists that store an
// entry's number, and fields whose send-pending flag has an index of its own (Vref shares the
// meters' flag as MeterPending(9)). Apply walks them in the order they were added.
class WorkingCopies {
public:
    explicit WorkingCopies(Database& db) : m_db(db) {}

    // `flag` may be empty for an element without a send-pending flag.
    void add(const QString& field, int index, const QString& flag, int flagIndex, Group group);

    QString value(const QString& field, int index = 0) const;
    void setValue(const QString& field, int index, const QString& text);
    // The working copy differs, as text, from the database value.
    bool changed(const QString& field, int index = 0) const;

    // Every working copy set to its database value.
    void load();
    // Every changed element: its flag, its group flag and SettingsSaved cleared; then every
    // element written into the database.
    void apply();

private:
    struct Element {
        QString field;
        int index = 0;
        QString flag;
        int flagIndex = 0;
        Group group = Group::Timers;
        QString working;
    };
    // The element's position; a name this editor does not hold is a programming error.
    size_t position(const QString& field, int index) const;

    Database& m_db;
    std::vector<Element> m_elements;
    QHash<QString, int> m_positions;
};

} // namespace kovo
