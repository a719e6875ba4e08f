#include "emulator/dtmf_command_listener.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace kovo {

namespace {

constexpr QStringView TerminatorCommand = u"*9020";
constexpr QStringView LockCommand = u"*9010";
constexpr QStringView UnlockCommand = u"*9000";

bool isKeypadDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'*' || c == u'#' || (c >= u'A' && c <= u'D');
}

} // namespace

DtmfCommandListener::DtmfCommandListener(TarsisMemory& memory) : m_memory(memory) {}

DtmfCommandListener::DtmfCommandListener(TarsisMemory& memory, Codes codes)
    : m_memory(memory), m_codes(std::move(codes)) {}

void DtmfCommandListener::hearDigit(QChar digit) {
    digit = digit.toUpper();
    if (!isKeypadDigit(digit))
        return;
    ++m_digitsHeard;
    // The terminator command's one value digit, which may be the terminator itself.
    if (m_port != 0 && !m_overflow && m_unit == TerminatorCommand) {
        m_unit += digit;
        return;
    }
    if (m_codes.terminator.size() == 1 && digit == m_codes.terminator.front()) {
        endUnit();
        return;
    }
    if (m_overflow)
        return;
    m_unit += digit;
    if (m_unit.size() > MaxUnitDigits) {
        m_overflow = true;
        m_unit.clear();
    }
}

void DtmfCommandListener::hear(QStringView digits) {
    for (const QChar c : digits)
        hearDigit(c);
}

void DtmfCommandListener::feed(std::span<const std::int16_t> samples) {
    m_decoder.feed(samples);
    hear(m_decoder.takeDigits());
}

bool DtmfCommandListener::hearWav(const QByteArray& image, QString* error) {
    const DtmfDecoder::WavResult result = DtmfDecoder::decodeWav(image);
    if (!result.ok) {
        if (error)
            *error = result.error;
        return false;
    }
    hear(result.digits);
    return true;
}

bool DtmfCommandListener::hearWavFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = u"cannot read "_s + path + u": "_s + file.errorString();
        return false;
    }
    return hearWav(file.readAll(), error);
}

void DtmfCommandListener::endUnit() {
    Unit unit;
    unit.digits = m_unit;
    m_unit.clear();
    if (m_overflow) {
        m_overflow = false;
        unit.outcome.reason = u"more than %1 digits without a terminator"_s.arg(MaxUnitDigits);
        m_units.append(unit);
        return;
    }
    if (unit.digits.isEmpty())
        return;
    if (m_port != 0 && unit.digits == m_codes.lock) {
        unit.kind = UnitKind::Lock;
        unit.port = m_port;
        unit.outcome.accepted = true;
        m_port = 0;
        m_units.append(unit);
        return;
    }
    for (int p = 0; p < 3; ++p) {
        if (!m_codes.unlock[size_t(p)].isEmpty() && unit.digits == m_codes.unlock[size_t(p)]) {
            unit.kind = UnitKind::Unlock;
            unit.port = m_port = p + 1;
            unit.outcome.accepted = true;
            m_units.append(unit);
            return;
        }
    }
    if (m_port == 0) {
        unit.outcome.reason = u"locked"_s;
        m_units.append(unit);
        return;
    }
    unit.kind = UnitKind::Body;
    unit.port = m_port;
    unit.outcome = m_memory.applyDtmfBody(m_port, unit.digits);
    if (unit.outcome.accepted) {
        ++m_accepted;
        followCodeChange(m_port, unit.digits);
    }
    m_units.append(unit);
}

void DtmfCommandListener::followCodeChange(int port, QStringView body) {
    if (body.startsWith(TerminatorCommand))
        m_codes.terminator = body.mid(TerminatorCommand.size()).toString();
    else if (body.startsWith(LockCommand))
        m_codes.lock = body.mid(LockCommand.size()).toString();
    else if (body.startsWith(UnlockCommand))
        m_codes.unlock[size_t(port - 1)] = body.mid(UnlockCommand.size()).toString();
}

QStringList DtmfCommandListener::problems() const {
    QStringList list;
    for (const Unit& unit : m_units) {
        if (!unit.outcome.accepted)
            list << unit.digits + u" -> "_s + unit.outcome.reason;
    }
    return list;
}

} // namespace kovo
