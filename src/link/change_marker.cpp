#include "change_marker.h"

#include "database/database.h"
#include "database/field_table.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

struct FlagElement {
    QString name; // empty: the field has no command
    int index = 0;
};

bool oneOf(QStringView name, std::initializer_list<QStringView> names) {
    for (QStringView n : names) {
        if (name == n)
            return true;
    }
    return false;
}

// The flag that sends element `index` of `field`.
FlagElement flagFor(QStringView field, int index) {
    static const QRegularExpression courtesy(u"^P([1-3])(Delay|Dur|Tone)([1-8])$"_s);
    const auto match = courtesy.match(field.toString());
    if (match.hasMatch()) {
        const int port = match.capturedView(1).toInt();
        const int number = match.capturedView(3).toInt();
        const int segment = match.capturedView(2) == u"Tone" ? (number + 1) / 2 : number;
        return {u"CourtesyPending"_s, Database::courtesyIndex(port, segment, index)};
    }
    if (oneOf(field, {u"GeneralTimer", u"GeneralTimerMacro"}))
        return {u"GeneralTimerPending"_s, index};
    if (oneOf(field, {u"DOW", u"Monthly", u"Week", u"Hours", u"Minutes", u"MacroToRun"}))
        return {u"SetPointPending"_s, index};
    if (oneOf(field, {u"Meter", u"RealLow", u"MeterLow", u"RealHigh", u"MeterHigh"}))
        return {u"MeterPending"_s, index};
    if (field == u"Vref")
        return {u"MeterPending"_s, 9};
    if (oneOf(field, {u"MeterAlarmType", u"MeterNum", u"MeterSetPoint", u"MeterMacro"}))
        return {u"MeterAlarmPending"_s, index};
    if (oneOf(field, {u"RadioType", u"YaesuType"}))
        return {u"RadioTypePending"_s, 0};
    if (oneOf(field, {u"FreqString", u"CTCSS", u"CTCSSMode", u"RadioMode"}))
        return {u"RemoteMemoriesPending"_s, 0};
    if (oneOf(field, {u"CommandPrefix", u"DTMFPort", u"DTMFSpeech"}))
        return {u"UserDTMFPending"_s, 0};
    if (oneOf(field, {u"P1MessageNum", u"P2MessageNum", u"P3MessageNum"}))
        return {u"PortMessageNumPending"_s, index};
    const QString own = field.toString() + u"Pending"_s;
    if (flagNumber(own) >= 0)
        return {own, index};
    return {};
}

} // namespace

int markChangedSince(Database& db, const Database& old) {
    int marked = 0;
    auto mark = [&](const FlagElement& flag) {
        if (flag.name.isEmpty() || db.pending(flag.name, flag.index))
            return;
        db.setPending(flag.name, flag.index);
        ++marked;
    };
    for (const FieldSpec& field : fieldTable()) {
        const QString name = QLatin1StringView(field.name);
        for (int i = field.firstIndex(); i <= field.lastIndex(); ++i) {
            if (db.value(name, i) != old.value(name, i))
                mark(flagFor(name, i));
        }
    }
    for (int n = 1; n <= 10; ++n) {
        if (db.meterAlarmOn(n) != old.meterAlarmOn(n))
            mark({u"MeterAlarmPending"_s, n});
    }
    if (db.value(u"Lock") != old.value(u"Lock"))
        db.setStoredLock(old.storedLock());
    if (db.value(u"Terminator") != old.value(u"Terminator"))
        db.setStoredTerminator(old.storedTerminator());
    return marked;
}

} // namespace kovo
