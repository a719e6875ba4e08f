#include "working_copies.h"

namespace kovo {

namespace {

QString key(const QString& field, int index) {
    return field + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

} // namespace

void WorkingCopies::add(const QString& field, int index, const QString& flag, int flagIndex,
                        Group group) {
    m_positions.insert(key(field, index), static_cast<int>(m_elements.size()));
    m_elements.push_back({field, index, flag, flagIndex, group, m_db.value(field, index)});
}

size_t WorkingCopies::position(const QString& field, int index) const {
    const auto it = m_positions.constFind(key(field, index));
    if (it == m_positions.constEnd())
        qFatal("WorkingCopies: no element %s", qPrintable(key(field, index)));
    return static_cast<size_t>(*it);
}

QString WorkingCopies::value(const QString& field, int index) const {
    return m_elements[position(field, index)].working;
}

void WorkingCopies::setValue(const QString& field, int index, const QString& text) {
    m_elements[position(field, index)].working = text;
}

bool WorkingCopies::changed(const QString& field, int index) const {
    return m_elements[position(field, index)].working != m_db.value(field, index);
}

void WorkingCopies::load() {
    for (Element& element : m_elements)
        element.working = m_db.value(element.field, element.index);
}

void WorkingCopies::apply() {
    for (const Element& element : m_elements) {
        if (element.working != m_db.value(element.field, element.index)) {
            if (!element.flag.isEmpty())
                m_db.setPending(element.flag, element.flagIndex);
            m_db.setGroupChanged(element.group);
            m_db.setSettingsSaved(false);
        }
        m_db.setValue(element.field, element.index, element.working);
    }
}

} // namespace kovo
