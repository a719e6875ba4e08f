// Generated configurations uploaded into the emulated memory come back through its image.
#include "database/field_table.h"
#include "database/vocabulary.h"
#include "emulator/tarsis_memory.h"
#include "link/change_marker.h"
#include "link/download.h"
#include "link/line_sink.h"
#include "link/link_flags.h"
#include "link/memory_image.h"
#include "link/recording_operator.h"
#include "link/upload.h"
#include "round_trip_support.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo::roundtrip {

namespace {

const QString Dtmf = u"0123456789*#ABCD"_s;
const QString NoneStored = u"NONE STORED"_s;

// Function numbers a macro may hold: 1 to 490 without the ones that have no entry.
bool isFunction(int number) {
    static const QList<int> missing = {255, 350, 394, 395, 396, 399, 400};
    return number >= 1 && number <= 490 && !missing.contains(number);
}

} // namespace

int Generator::pick(int low, int high) {
    if (m_variant == 0)
        return low;
    if (m_variant == 1)
        return high;
    if (chance(10))
        return chance(50) ? low : high;
    return low + static_cast<int>(m_random.bounded(static_cast<quint32>(high - low + 1)));
}

bool Generator::chance(int percent) {
    return static_cast<int>(m_random.bounded(100u)) < percent;
}

QString Generator::characters(const QString& set, int low, int high) {
    const int count = pick(low, high);
    QString text;
    for (int i = 0; i < count; ++i)
        text += set.at(below(set.size()));
    return text;
}

QString Generator::words(int low, int high) {
    const QStringList& vocabulary = speechVocabulary();
    const int count = pick(low, high);
    QStringList chosen;
    for (int i = 0; i < count; ++i)
        chosen << vocabulary.at(static_cast<qsizetype>(m_random.bounded(256u)));
    return chosen.join(u' ');
}

QString Generator::cwTokens(int low, int high) {
    QStringList tokens;
    for (const CwCharacter& c : cwCharacterSet())
        if (c.code)
            tokens << QString::fromLatin1(c.token);
    const int count = pick(low, high);
    QStringList chosen;
    for (int i = 0; i < count; ++i) {
        // The dash and the period pass the CW check but cannot be sent.
        if (m_variant > 1 && chance(5))
            chosen << (chance(50) ? u"-"_s : u"."_s);
        else
            chosen << tokens.at(below(tokens.size()));
    }
    return chosen.join(u' ');
}

// Up to `units` units of functions; functions of 255 and above count two.
QString Generator::macro(int units) {
    QStringList steps;
    int left = units;
    bool wantHigh = m_variant == 1;
    while (left > 0) {
        int function = 0;
        if (left >= 2 && (wantHigh || chance(30))) {
            do
                function = 256 + static_cast<int>(m_random.bounded(235u));
            while (!isFunction(function));
            left -= 2;
            wantHigh = false;
        } else {
            function = 1 + static_cast<int>(m_random.bounded(254u));
            left -= 1;
        }
        steps << QString::number(function).rightJustified(3, u'0');
    }
    return steps.isEmpty() ? NoneStored : steps.join(u' ');
}

// A CW tone as the editors and the file loader leave it: four digits ("0500") or plain.
QString Generator::tone(bool second) {
    if (second && (m_variant == 0 || chance(30)))
        return oneOf({u"0000"_s, u"00"_s, u"0"_s});
    const QString value = number(200, 3499);
    return second && chance(50) ? value : value.rightJustified(4, u'0');
}

const std::vector<Generator::Rule>& Generator::rules() {
    if (!m_rules.empty())
        return m_rules;
    // Every element of the field, from the database's own count.
    const auto add = [this](const QByteArray& field, std::function<QString(int)> make) {
        const FieldSpec* found = findField(field);
        Q_ASSERT(found);
        m_rules.push_back({field, found->count, std::move(make)});
    };
    const auto range = [this](int low, int high) {
        return [this, low, high](int) { return number(low, high); };
    };
    const QStringList ports = {u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"12"_s, u"13"_s, u"23"_s, u"123"_s};

    // Plain numbers, across the range the editors give them (switches: 0 or 1).
    // clang-format off
    const std::tuple<const char*, int, int> numbers[] = {
        {"HangTime", 0, 255}, {"TimeOut", 0, 32767}, {"IIDTime", 0, 255}, {"PIDTime", 0, 255},
        {"InActiveTime", 0, 255}, {"InActivityMacro", 1, 90}, {"DTMFTime", 0, 255},
        {"CTCSSTime", 0, 255}, {"KerchunkTime", 0, 32000}, {"IDSpeakTime", 0, 32000},
        {"AnnounceTime", 0, 3600}, {"AuxTime", 0, 32767}, {"FanTime", 0, 255}, {"FanSelect", 0, 1},
        {"XmtDelay", 0, 32767}, {"TimeoutLink", 0, 1}, {"GeneralTimer", 0, 32767},
        {"GeneralTimerMacro", 1, 90}, {"RouteAuxPort", 1, 3}, {"DOW", 0, 9}, {"Monthly", 0, 1},
        {"Week", 1, 5}, {"SayYear", 0, 1}, {"TwentyFour", 0, 1}, {"SayHour", 0, 1}, {"Meter", 0, 6},
        {"RealLow", 0, 32767}, {"MeterLow", 0, 32767}, {"RealHigh", 0, 32767},
        {"MeterHigh", 0, 32767}, {"Vref", 0, 32767}, {"MeterAlarmType", 0, 2}, {"MeterNum", 1, 8},
        {"MeterSetPoint", 0, 999}, {"MeterMacro", 1, 90}, {"YaesuType", 1, 4},
        {"ControlPort", 0, 3}, {"CTCSSMode", 0, 2}, {"RadioMode", 1, 5}, {"CWSpeed", 5, 54},
        {"SpeechEnable", 0, 1}, {"ID1Extras", 0, 11}, {"ID2Extras", 0, 11}, {"ID3Extras", 0, 11},
        {"DTMFDur", 0, 255}, {"DTMFDelay", 0, 255}, {"DTMFSpeech", 0, 90}, {"RingNumber", 1, 9},
        {"APTimeOut", 1, 999}, {"PatchMute", 0, 1}, {"MacroSubsetEnable", 0, 1},
        {"DTMFMuteDigitSelect", 1, 2}, {"TxEnable", 0, 1}, {"RxEnable", 0, 1}, {"FDup", 0, 1},
        {"DTMFEnable", 0, 1}, {"DTMFNeedPL", 0, 1}, {"DTMFMute", 0, 1}, {"DTMFCovertone", 0, 1},
        {"MonMix", 0, 1}, {"Kerchunk", 0, 1}, {"SpeechOverride", 0, 1}, {"SpeechIDOverride", 0, 1},
        {"CTCSSCT", 0, 1}, {"CTCSSID", 0, 1}, {"PLEncodePolarity", 0, 1}, {"COSClose", 0, 1},
        {"PLAccess", 0, 2}, {"TailMessageNum", 0, 3}, {"P1MessageNum", 1, 90},
        {"P2MessageNum", 1, 90}, {"P3MessageNum", 1, 90}, {"TailCounter", 0, 254}, {"Alarm", 0, 1},
        {"AllowTerminatorSpeech", 0, 1}};
    // clang-format on
    for (const auto& [field, low, high] : numbers)
        add(field, range(low, high));
    for (int p = 1; p <= 3; ++p) {
        const QByteArray port = 'P' + QByteArray::number(p);
        for (int k = 1; k <= 4; ++k) {
            add(port + "Delay" + QByteArray::number(k), range(0, 10000));
            add(port + "Dur" + QByteArray::number(k), range(0, 10000));
        }
        for (int k = 1; k <= 8; ++k)
            add(port + "Tone" + QByteArray::number(k), range(0, 3500));
    }

    const auto alarmMacro = [this](int) { return unset(10) ? u"0"_s : padded(1, 90); };
    add("AlarmLowMacroNum", alarmMacro);
    add("AlarmHighMacroNum", alarmMacro);
    add("Hours", [this](int) {
        return m_variant == 1 || chance(10) ? u"0A"_s : chance(10) ? u"25"_s : padded(0, 23);
    });
    add("Minutes", [this](int) { return padded(0, 59); });
    add("MacroToRun", [this](int) { return padded(1, 90); });
    add("ClockCorrection", [this](int) {
        return m_variant > 1 && chance(30) ? u"A"_s + number(1, 99) : number(0, 99);
    });
    add("DateFormat", [this](int) { return oneOf({u"False"_s, u"True"_s}); });

    // Remote base.
    add("RadioType", [this](int) {
        return oneOf({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"7"_s, u"8"_s});
    });
    add("RemoteBasePrefix", [this](int) {
        return m_variant == 1 ? characters(u"ABCD0123456789"_s, 5, 5)
                              : characters(u"ABCD"_s, 1, 1) + characters(u"0123456789"_s, 1, 1);
    });
    add("FreqString", [this](int) {
        return unset(10) ? QString() : characters(u"0123456789"_s, 6, 6) + number(1, 3);
    });
    add("CTCSS", [this](int) { return unset(10) ? QString() : number(1, 50); });

    // Identification.
    for (const char* id : {"VoiceID1", "VoiceID2", "VoiceID3"})
        add(id, [this](int) { return m_variant > 1 && chance(10) ? NoneStored : words(1, 22); });
    add("CWID1", [this](int) { return cwTokens(1, 15); });
    add("CWID2", [this](int) { return cwTokens(1, 15); });
    add("CWTone1", [this](int) { return tone(false); });
    add("CWTone2", [this](int) { return tone(true); });

    // Macros.
    add("Macro", [this](int index) {
        if (unset(20))
            return NoneStored;
        // The most a macro's 16 bytes hold: fifteen functions, the last above 255 (its escape
        // in bytes 14 and 15), one unit more than the editor lets a person type.
        if ((m_variant == 1 && index % 2 == 1) || (m_variant > 1 && chance(5))) {
            QStringList steps;
            for (int i = 0; i < 14; ++i)
                steps << number(1, 254).rightJustified(3, u'0');
            steps << number(256, 349);
            return steps.join(u' ');
        }
        return macro(pick(1, 15));
    });
    add("MacroCode", [this](int) { return characters(u"0123456789*#ABC"_s, 1, 8); });
    add("ShortMacro", [this](int) { return unset(20) ? NoneStored : macro(pick(1, 4)); });
    add("ShortMacroCode", [this](int) { return characters(u"0123456789*#ABC"_s, 1, 8); });
    add("PortToAllow", [this, ports](int) { return oneOf(ports.mid(1)); });
    add("MessageMacro", [this](int) {
        if (unset(15))
            return NoneStored;
        QString text = words(1, 9);
        if (m_variant > 1 && chance(10)) // the controller's end mark inside a message
            text = text.section(u' ', 0, 0) + u" ZERO"_s;
        return text;
    });

    // DTMF memories, codes and prefixes.
    add("DTMF", [this](int) {
        return unset(15) ? NoneStored
                         : characters(Dtmf, 1, 10).split(QString(), Qt::SkipEmptyParts).join(u' ');
    });
    add("CurrentPortUnlock", [this](int) { return characters(Dtmf, 1, 8); });
    add("Lock", [this](int) { return characters(Dtmf, 1, 4); });
    add("Terminator", [this](int) { return characters(u"ABCD*#"_s, 1, 1); });
    add("CommandPrefix", [this](int) { return characters(Dtmf, 1, 8); });
    add("DTMFPort", [this, ports](int) { return oneOf(ports); });

    // Autopatch.
    add("APPrefix", [this](int) { return characters(Dtmf, 1, 5); });
    add("AnswerCode", [this](int) { return characters(Dtmf, 1, 6); });
    add("AutoDial",
        [this](int) { return unset(70) ? QString() : characters(u"0123456789*#"_s, 3, 16); });
    add("TollRestrict",
        [this](int) { return unset(80) ? QString() : characters(u"0123456789"_s, 3, 11); });
    add("EnablePatch", [this, ports](int) { return oneOf(ports); });
    add("DTMFTestPrefix", [this](int) { return characters(Dtmf, 1, 5); });
    for (const char* prefix : {"PreAccessPrefix", "PreProgramPrefix"})
        add(prefix,
            [this](int) { return m_variant == 0 || chance(20) ? u"0"_s : characters(Dtmf, 1, 3); });
    add("MacroSubset", [this](int) {
        return m_variant == 0 || chance(20) ? u"0"_s : characters(u"0123456789"_s, 1, 4);
    });
    return m_rules;
}

// The couplings the editors keep between fields.
void Generator::fix(Database& db) {
    for (int p = 1; p <= 3; ++p)
        db.setValue("DisableTimeout", p, db.value("InActiveTime", p) == u"0" ? u"1"_s : u"0"_s);
    for (int m = 1; m <= 10; ++m) {
        // A memory's tone mode is an option group: set whenever the memory has a tone.
        if (db.value("CTCSS", m).isEmpty())
            db.setValue("CTCSSMode", m, QString());
        else if (db.value("CTCSSMode", m).isEmpty())
            db.setValue("CTCSSMode", m, u"0"_s);
    }
    // The toll-restrict list holds its numbers from entry 1 on.
    QStringList tolls;
    for (int k = 1; k <= 100; ++k)
        if (!db.value("TollRestrict", k).isEmpty())
            tolls << db.value("TollRestrict", k);
    for (int k = 1; k <= 100; ++k)
        db.setValue("TollRestrict", k, tolls.value(k - 1));
    // Lock and terminator must differ.
    while (db.value("Lock") == db.value("Terminator"))
        db.setValue("Lock", characters(Dtmf, 2, 4));
    db.setStoredLock(db.value("Lock"));
    db.setStoredTerminator(db.value("Terminator"));
}

Database Generator::configuration() {
    Database db;
    for (const Rule& rule : rules())
        for (int i = rule.count == 0 ? 0 : 1; i <= rule.count; ++i)
            db.setValue(rule.field.constData(), i, rule.make(i));
    fix(db);
    db.setAllPending(false);
    return db;
}

QStringList Generator::edit(Database& db, int count) {
    const std::vector<Rule>& all = rules();
    QStringList keys;
    const int variant = m_variant;
    m_variant = 2; // edits draw at random whatever the configuration's variant
    for (int n = 0; n < count; ++n) {
        const Rule& rule = all[m_random.bounded(static_cast<quint32>(all.size()))];
        const int index =
            rule.count == 0
                ? 0
                : 1 + static_cast<int>(m_random.bounded(static_cast<quint32>(rule.count)));
        db.setValue(rule.field.constData(), index, rule.make(index));
        keys << QString::fromLatin1(rule.field) +
                    (index ? u'(' + QString::number(index) + u')' : QString());
    }
    m_variant = variant;
    // The working copies of lock and terminator change; the stored copies stay what the
    // controller answers to until the upload has sent the new codes.
    const QString storedLock = db.storedLock();
    const QString storedTerminator = db.storedTerminator();
    fix(db);
    db.setStoredLock(storedLock);
    db.setStoredTerminator(storedTerminator);
    return keys;
}

namespace {

// A value as uploaded: its field and element, the whole uploaded configuration, what the
// controller held before this upload (decoded), and the database the image was decoded into.
struct Sent {
    const char* field;
    int index;
    QString value;
    const Database& config;
    const Database& before;
    const Database& base;
};

// One loss the formats force: the field, why, and what comes back instead of what was sent.
struct Loss {
    using Back = std::function<QString(const Sent&)>;
    const char* field;
    const char* reason;
    Back back;
};

// Every loss the formats force, with its reason. Fields not named here come back exactly.
const std::vector<Loss>& losses() {
    static const std::vector<Loss> losses = [] {
        std::vector<Loss> l;
        const auto add = [&l](std::initializer_list<const char*> fields, const char* reason,
                              const Loss::Back& back) {
            for (const char* field : fields)
                l.push_back({field, reason, back});
        };
        // What the decoded database already held; what the controller held before the upload.
        const auto base = [](const Sent& s) { return s.base.value(s.field, s.index); };
        const auto before = [](const Sent& s) { return s.before.value(s.field, s.index); };
        const auto plain = [](const Sent& s) { return QString::number(numericInt(s.value)); };
        const auto replace = [](const QString& from, const QString& to) {
            return [from, to](const Sent& s) { return s.value == from ? to : s.value; };
        };
        const auto unlessSent = [](const QString& unsent, const Loss::Back& instead) {
            return [unsent, instead](const Sent& s) {
                return s.value == unsent ? instead(s) : s.value;
            };
        };
        add({"Monthly", "DateFormat"}, "the image holds only the set point's day byte", base);
        add({"MeterAlarmType", "MeterNum", "MeterSetPoint", "MeterMacro"},
            "the meter alarm area (272-361) is not decoded", base);
        add({"RouteAuxPort"}, "no command and no place in the image", base);
        add({"RxEnable", "COSClose"}, "sent, but the image has no byte for it", base);
        add({"CommandPrefix", "AnswerCode", "PreProgramPrefix", "DTMFMuteDigitSelect"},
            "sent, but neither the image nor the Ostrik records carry it", base);
        add({"ControlPort"}, "in the image, but no command programs it", before);
        add({"Week"}, "a weekly set point sends its day alone; one digit leaves the week as it was",
            [base](const Sent& s) {
                return s.config.value("Monthly", s.index) == u"1" ? s.value : base(s);
            });
        add({"InActivityMacro", "CWTone1"}, "held as a number: leading zeros are lost", plain);
        add({"CWTone2"}, "held as a number: 0 reads back as 0000, leading zeros are lost",
            [plain](const Sent& s) { return numericInt(s.value) == 0 ? u"0000"_s : plain(s); });
        add({"AlarmLowMacroNum", "AlarmHighMacroNum"},
            "held as a number (leading zeros lost); macro 0 is not sent, so the controller keeps "
            "what it had",
            [before, plain](const Sent& s) { return s.value == u"0" ? before(s) : plain(s); });
        add({"ClockCorrection"}, "held as a signed number: leading zeros are lost, A0 is 0",
            [plain](const Sent& s) {
                const int value = numericInt(s.value.mid(s.value.startsWith(u'A') ? 1 : 0));
                return s.value.startsWith(u'A') && value > 0 ? u"A"_s + QString::number(value)
                                                             : plain(s);
            });
        add({"Meter"}, "type 0 is the word 0, which names no type: the field keeps its value",
            unlessSent(u"0"_s, base));
        add({"VoiceID1", "VoiceID2", "VoiceID3"},
            "NONE STORED has no speech codes: an ID of no words reads back empty",
            replace(NoneStored, QString()));
        add({"CWID1", "CWID2"}, "the dash and the period have no sending code and are left out",
            [](const Sent& s) {
                QStringList tokens = s.value.split(u' ', Qt::SkipEmptyParts);
                tokens.removeAll(u"-"_s);
                tokens.removeAll(u"."_s);
                return tokens.join(u' ');
            });
        add({"MessageMacro"},
            "NONE STORED is not sent (the controller keeps its message); DVR20 is code 255, which "
            "a message reads as nothing; 0 is the end mark: the message ends before the first ZERO "
            "(the word or an unused code), one that begins with it reads back NONE STORED",
            [before](const Sent& s) {
                if (s.value == NoneStored)
                    return before(s);
                // The codes: the words, then zeros; the tenth never adds a word.
                const QStringList sent = s.value.split(u' ');
                QStringList words;
                for (qsizetype w = 0; w < 9; ++w)
                    if (sent.value(w, u"ZERO"_s) != u"DVR20")
                        words << sent.value(w, u"ZERO"_s);
                const qsizetype zero = words.indexOf(u"ZERO"_s, 1);
                if (zero > 0)
                    words = words.mid(0, zero);
                if (words.isEmpty())
                    return QString();
                return words.first() == u"ZERO" ? NoneStored : words.join(u' ');
            });
        add({"DTMF"}, "NONE STORED is not sent: the controller keeps its memory",
            unlessSent(NoneStored, before));
        add({"DTMFDur"}, "255 is the unset byte (Be): it reads back empty",
            replace(u"255"_s, QString()));
        add({"FreqString"}, "an empty frequency reads back as NONE STORED",
            replace(QString(), NoneStored));
        add({"CTCSS", "CTCSSMode"}, "held as a byte: empty reads back as 0",
            replace(QString(), u"0"_s));
        return l;
    }();
    return losses;
}

// What a download must give back after `config` was uploaded onto a controller whose memory
// decoded to `before`: `config` with every loss of the table applied.
Database expected(const Database& config, const Database& before) {
    const Database base;
    Database back = config;
    for (const Loss& loss : losses()) {
        const FieldSpec* field = findField(QString::fromLatin1(loss.field));
        Q_ASSERT(field);
        for (int i = field->firstIndex(); i <= field->lastIndex(); ++i)
            back.setValue(
                loss.field, i,
                loss.back({loss.field, i, config.value(loss.field, i), config, before, base}));
    }
    return back;
}

Database readBack(const TarsisMemory& memory) {
    Database db;
    const MemoryImageResult result = decodeMemoryImageLines(memory.memoryLines(), db);
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    applyOstrikRecords(memory.ostrikRecords(), db);
    return db;
}

// Uploads `db` into `memory`, which must then read back as `db` with the losses the formats
// force; returns the number of lines sent.
int expectComesBack(TarsisMemory& memory, Database& db, bool complete, const QString& edited = {}) {
    const Database before = readBack(memory);
    LinkFlags flags;
    RecordingOperator person;
    MemoryLineSink sink(memory, flags);
    Upload upload(db, flags, person, sink);
    const UploadResult result = complete ? upload.sendCompleteData() : upload.sendChangesOnly();
    EXPECT_TRUE(sink.refused().isEmpty()) << sink.refused().join(u'\n').toStdString();
    EXPECT_EQ(result.outcome, UploadOutcome::Completed);
    const QStringList differences = readBack(memory).differences(expected(db, before));
    EXPECT_TRUE(differences.isEmpty()) << "edited: " << edited.toStdString() << "\n"
                                       << differences.join(u'\n').toStdString();
    return sink.lines();
}

// Complete uploads of configurations across every field's range come back, and sending one again
// as changes only sends nothing. Some then go through rounds of random edits, each sent as changes
// only.
TEST(RoundTrip, UploadsComeBackThroughTheImage) {
    constexpr int Configurations = 14;
    constexpr int EditRounds = 4;
    for (int n = 0; n < Configurations; ++n) {
        SCOPED_TRACE("configuration " + std::to_string(n));
        Generator generator(20260 + static_cast<quint32>(n), n);
        Database current = generator.configuration();
        TarsisMemory memory;
        expectComesBack(memory, current, true);
        const QByteArray image = memory.bytes();
        EXPECT_EQ(expectComesBack(memory, current, false), 0);
        EXPECT_EQ(memory.bytes(), image);
        for (int round = 0; n >= 2 && n < 8 && round < EditRounds; ++round) {
            SCOPED_TRACE("edit round " + std::to_string(round));
            const Database old = current;
            const QStringList edited = generator.edit(current, 5 + 20 * round);
            current.setAllPending(false); // the flags come from the comparison alone
            markChangedSince(current, old);
            expectComesBack(memory, current, false, edited.join(u' '));
            // Meter alarms 9 and 10 have no command, so their flags stay set.
            QStringList pending = current.pendingNames();
            pending.removeAll(u"MeterAlarmPending(9)"_s);
            pending.removeAll(u"MeterAlarmPending(10)"_s);
            EXPECT_TRUE(pending.isEmpty()) << pending.join(u' ').toStdString();
        }
    }
}

} // namespace
} // namespace kovo::roundtrip
