#include "database.h"

#include "field_table.h"

#include <QtGlobal>
#include <cmath>
#include <limits>

namespace kovo {
namespace {

// Where each field's and flag's elements start in the flat storage; element i of a field with
// indices 1..n sits at start + i - 1, a single field at start.
struct Layout {
    QVector<int> fieldStart;
    QVector<int> flagStart;
    int fieldSlots = 0;
    int flagSlots = 0;
};

int slotCount(int count) {
    return count == 0 ? 1 : count;
}

const Layout& storageLayout() {
    static const Layout layout = [] {
        Layout l;
        for (const FieldSpec& field : fieldTable()) {
            l.fieldStart.append(l.fieldSlots);
            l.fieldSlots += slotCount(field.count);
        }
        for (const FlagSpec& flag : flagTable()) {
            l.flagStart.append(l.flagSlots);
            l.flagSlots += slotCount(flag.count);
        }
        return l;
    }();
    return layout;
}

bool indexInRange(int count, int index) {
    return count == 0 ? index == 0 : index >= 1 && index <= count;
}

} // namespace

Database::Database() {
    const Layout& layout = storageLayout();
    m_values.resize(layout.fieldSlots);
    m_pending.resize(layout.flagSlots);
    const QVector<FieldSpec>& table = fieldTable();
    for (int f = 0; f < table.size(); ++f) {
        const FieldSpec& field = table[f];
        for (int i = field.firstIndex(); i <= field.lastIndex(); ++i)
            m_values[layout.fieldStart[f] + (field.isSingle() ? 0 : i - 1)] =
                fieldDefault(field, i);
    }
    m_storedLock = value(u"Lock");
    m_storedTerminator = value(u"Terminator");
}

int Database::fieldSlot(QAnyStringView field, int index) const {
    const int number = fieldNumber(field);
    if (number < 0)
        qFatal("Database: no field named %s", qPrintable(field.toString()));
    const FieldSpec& entry = fieldTable()[number];
    if (!indexInRange(entry.count, index))
        qFatal("Database: index %d out of range for %s", index, entry.name);
    return storageLayout().fieldStart[number] + (entry.isSingle() ? 0 : index - 1);
}

int Database::fieldSlot(const FieldSpec& field, int index) const {
    if (!indexInRange(field.count, index))
        qFatal("Database: index %d out of range for %s", index, field.name);
    return storageLayout().fieldStart[fieldNumber(field)] + (field.isSingle() ? 0 : index - 1);
}

const QString& Database::value(const FieldSpec& field, int index) const {
    return m_values[fieldSlot(field, index)];
}

void Database::setValue(const FieldSpec& field, int index, const QString& text) {
    m_values[fieldSlot(field, index)] = text;
}

int Database::flagSlot(QAnyStringView flag, int index) const {
    const int number = flagNumber(flag);
    if (number < 0)
        qFatal("Database: no flag named %s", qPrintable(flag.toString()));
    const FlagSpec& entry = flagTable()[number];
    if (!indexInRange(entry.count, index))
        qFatal("Database: index %d out of range for %s", index, entry.name);
    return storageLayout().flagStart[number] + (entry.count == 0 ? 0 : index - 1);
}

QString Database::value(QAnyStringView field, int index) const {
    return m_values[fieldSlot(field, index)];
}

void Database::setValue(QAnyStringView field, int index, const QString& text) {
    m_values[fieldSlot(field, index)] = text;
}

bool Database::pending(QAnyStringView flag, int index) const {
    return m_pending[flagSlot(flag, index)];
}

void Database::setPending(QAnyStringView flag, int index, bool on) {
    m_pending[flagSlot(flag, index)] = on;
}

void Database::setAllPending(bool on) {
    m_pending.fill(on);
}

bool Database::anyPending() const {
    return m_pending.contains(true);
}

QStringList Database::pendingNames() const {
    QStringList names;
    const Layout& layout = storageLayout();
    const QVector<FlagSpec>& table = flagTable();
    for (int f = 0; f < table.size(); ++f) {
        const FlagSpec& flag = table[f];
        for (int i = flag.count == 0 ? 0 : 1; i <= flag.count; ++i) {
            if (!m_pending[layout.flagStart[f] + (flag.count == 0 ? 0 : i - 1)])
                continue;
            names << (flag.count == 0 ? QLatin1String(flag.name)
                                      : QLatin1String(flag.name) + QLatin1Char('(') +
                                            QString::number(i) + QLatin1Char(')'));
        }
    }
    return names;
}

bool Database::meterAlarmOn(int alarm) const {
    Q_ASSERT(alarm >= 1 && alarm <= 10);
    return m_meterAlarmOn[static_cast<size_t>(alarm - 1)];
}

void Database::setMeterAlarmOn(int alarm, bool on) {
    Q_ASSERT(alarm >= 1 && alarm <= 10);
    m_meterAlarmOn[static_cast<size_t>(alarm - 1)] = on;
}

bool Database::sameValues(const Database& other) const {
    return m_values == other.m_values;
}

QStringList Database::differences(const Database& other) const {
    QStringList lines;
    const Layout& layout = storageLayout();
    const QVector<FieldSpec>& table = fieldTable();
    for (int f = 0; f < table.size(); ++f) {
        const FieldSpec& field = table[f];
        for (int i = field.firstIndex(); i <= field.lastIndex(); ++i) {
            const int slot = layout.fieldStart[f] + (field.isSingle() ? 0 : i - 1);
            if (m_values[slot] != other.m_values[slot])
                lines << fieldKey(field, i) + QStringLiteral(": \"") + m_values[slot] +
                             QStringLiteral("\" != \"") + other.m_values[slot] + QLatin1Char('"');
        }
    }
    return lines;
}

double numericValue(QStringView text) {
    // Blanks are skipped wherever they stand: "2 56" is 256.
    QString compact;
    compact.reserve(text.size());
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            compact += c;
    }
    qsizetype at = 0;
    const qsizetype size = compact.size();
    double sign = 1;
    if (at < size && (compact[at] == QLatin1Char('-') || compact[at] == QLatin1Char('+'))) {
        sign = compact[at] == QLatin1Char('-') ? -1 : 1;
        ++at;
    }
    const auto digit = [&](qsizetype i) {
        return compact[i] >= QLatin1Char('0') && compact[i] <= QLatin1Char('9');
    };
    double value = 0;
    while (at < size && digit(at)) {
        value = value * 10 + (compact[at].unicode() - '0');
        ++at;
    }
    if (at < size && compact[at] == QLatin1Char('.')) {
        ++at;
        double scale = 0.1;
        while (at < size && digit(at)) {
            value += scale * (compact[at].unicode() - '0');
            scale /= 10;
            ++at;
        }
    }
    return sign * value;
}

int numericInt(QStringView text) {
    const double value = std::trunc(numericValue(text));
    if (!(value >= std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

} // namespace kovo
