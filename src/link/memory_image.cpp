#include "memory_image.h"

#include "database/database.h"
#include "database/vocabulary.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kovo {

namespace {

// The bytes of one image and the encodings the layout uses.
class Image {
public:
    explicit Image(const QByteArray& bytes) : m_bytes(bytes) {}

    int byte(int at) const { return static_cast<unsigned char>(m_bytes[at]); }
    int word(int at) const { return byte(at) + 256 * byte(at + 1); }

    // B: the byte's decimal text.
    QString b(int at) const { return QString::number(byte(at)); }
    // B0: 255 gives "0".
    QString b0(int at) const { return byte(at) == 255 ? u"0"_s : b(at); }
    // Be: 255 gives empty text.
    QString be(int at) const { return byte(at) == 255 ? QString() : b(at); }
    // W: low byte, then high byte.
    QString w(int at) const { return QString::number(word(at)); }
    // A signed word, in two's complement: a negative value reads back in the editors' and the
    // command's form, "A" standing for the minus sign (65531 gives "A5").
    QString aSigned(int at) const {
        const int value = word(at);
        return value > 32767 ? u"A"_s + QString::number(65536 - value) : QString::number(value);
    }
    // T n: characters up to the first 0; the n-th byte never adds one.
    QString t(int at, int n) const {
        QString text;
        for (int i = 0; i < n - 1; ++i) {
            const int c = byte(at + i);
            if (c == 0)
                break;
            text += QChar(c);
        }
        return text;
    }
    // Tq n: bytes 0 and 255 add nothing, no early end; the n-th byte never adds one.
    QString tq(int at, int n) const {
        QString text;
        for (int i = 0; i < n - 1; ++i) {
            const int c = byte(at + i);
            if (c != 0 && c != 255)
                text += QChar(c);
        }
        return text;
    }
    // D n: the bytes of T n, each holding two packed DTMF digits.
    QString d(int at, int n) const {
        QByteArray packed;
        for (int i = 0; i < n - 1; ++i) {
            const int c = byte(at + i);
            if (c == 0)
                break;
            packed.append(static_cast<char>(c));
        }
        return decodePackedDigits(packed);
    }

private:
    const QByteArray& m_bytes;
};

QString twoDigits(int value) {
    return QString::number(value).rightJustified(2, u'0');
}

// Layout of the blocks that the rules below walk.
constexpr int CwIdLength = 124;
constexpr int VoiceIdLength = 130;
constexpr int CwIds = 362;
constexpr int VoiceIds = 452;
constexpr int Courtesy = 750;
constexpr int DtmfMemories = 1724;
constexpr int MessageMacros = 2099;
constexpr int Extras = 2499;
constexpr int Macros = 2508;
constexpr int MacroCodes = 3148;
constexpr int ShortMacros = 3348;
constexpr int ShortMacroCodes = 3598;
constexpr int FreqStrings = 3985;

// One CW ID: 15 codes, of which the first `length` are valid.
QString cwId(const Image& m, int at, int length) {
    QStringList tokens;
    QString token;
    for (int i = 0; i < qMin(length, 15); ++i) {
        // A code outside the CW table leaves the token as it was: the one before it repeats.
        const QString decoded = cwCodeToChar(QString::number(m.byte(at + i)));
        if (!decoded.isEmpty())
            token = decoded;
        tokens << token;
    }
    return tokens.join(u' ').trimmed();
}

// One voice ID: 22 speech codes, of which the first `length` are valid.
QString voiceId(const Image& m, int at, int length) {
    QStringList words;
    for (int i = 0; i < qMin(length, 22); ++i)
        words << speechCodeToWord(QString::number(m.byte(at + i)));
    return words.join(u' ').trimmed();
}

// One message macro: 10 codes; 255 adds nothing and the 10th never adds a word. When any code
// is 0 the message ends before the first ZERO after its first word; one that then begins with
// ZERO is empty ("NONE STORED").
QString messageMacro(const Image& m, int at) {
    QStringList words;
    bool anyZero = false;
    for (int i = 0; i < 10; ++i) {
        const int code = m.byte(at + i);
        if (code == 0)
            anyZero = true;
        if (i < 9 && code != 255)
            words << speechCodeToWord(QString::number(code));
    }
    if (anyZero) {
        for (int i = 1; i < words.size(); ++i) {
            if (words[i] == u"ZERO") {
                words = words.mid(0, i);
                break;
            }
        }
        if (!words.isEmpty() && words.front() == u"ZERO")
            return u"NONE STORED"_s;
    }
    return words.join(u' ').trimmed();
}

// One macro of `size` bytes: function numbers, 0 ends the list, 255 escapes to 255 + the next
// byte. A function starts in any byte but the last, so the last byte only ever completes an
// escape that began in the byte before it.
QString macroSteps(const Image& m, int at, int size) {
    QStringList steps;
    int i = 0;
    while (i <= size - 2) {
        const int b = m.byte(at + i);
        if (b == 0)
            break;
        if (b == 255) {
            steps << QString::number(255 + m.byte(at + i + 1));
            i += 2;
        } else {
            steps << QString::number(b).rightJustified(3, u'0');
            i += 1;
        }
    }
    if (steps.isEmpty())
        return u"NONE STORED"_s;
    return steps.join(u' ').trimmed();
}

// One DTMF memory: 11 characters up to the first 255 (or 0), stored one blank apart.
QString dtmfMemory(const Image& m, int at) {
    QString text;
    for (int i = 0; i < 11; ++i) {
        const int c = m.byte(at + i);
        // A 0 byte also ends the memory: it is no digit, and one at the start marks the memory
        // empty.
        if (c == 255 || c == 0)
            break;
        text += QChar(c);
        text += u' ';
    }
    if (text.isEmpty() || text.front() == u' ')
        return u"NONE STORED"_s;
    // The database keeps "1 2 A #" without a blank at the end (the form a file load gives).
    return text.trimmed();
}

// One remote-base frequency memory: 8 characters, 255 adds nothing, the 8th byte never adds
// one, the text ends at the first 0.
QString freqString(const Image& m, int at) {
    QString text;
    for (int i = 0; i < 7; ++i) {
        const int c = m.byte(at + i);
        if (c == 0)
            break;
        if (c != 255)
            text += QChar(c);
    }
    return text.isEmpty() ? u"NONE STORED"_s : text;
}

QString meterType(int word) {
    switch (word) {
    case 224:
        return u"1"_s;
    case 62:
        return u"2"_s;
    case 227:
        return u"3"_s;
    case 101:
        return u"4"_s;
    case 150:
        return u"5"_s;
    case 176:
        return u"6"_s;
    default:
        return {};
    }
}

QString printable(const QString& text) {
    QString shown;
    for (QChar c : text.left(24))
        shown += c.isPrint() ? c : u'?';
    if (text.size() > 24)
        shown += u"..."_s;
    return shown;
}

QStringList splitLines(const QByteArray& data) {
    // Either line ending, as line input reads it.
    QStringList lines = QString::fromLatin1(data).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

} // namespace

// The image is checked whole before a single field is decoded: exactly 4096 lines, each with a
// comma followed by a decimal byte (blanks around it allowed). A short file (a download cut off),
// a long one (a chunk doubled or split), a line without its comma or with anything but 0-255
// after it refuses the whole image, naming the first bad or missing line, so that the database
// is never left half decoded.
MemoryImageResult parseMemoryImage(const QStringList& linesIn, QByteArray* bytes) {
    MemoryImageResult result;
    // Blank lines after the last byte (a file that ends with a line break) are not lines of
    // the image.
    qsizetype count = linesIn.size();
    while (count > 0 && linesIn[count - 1].trimmed().isEmpty())
        --count;
    if (count == 0) {
        result.error = u"the file is empty."_s;
        result.line = 1;
        return result;
    }
    QByteArray image(MemoryImageSize, '\0');
    const qsizetype checked = qMin<qsizetype>(count, MemoryImageSize);
    for (qsizetype i = 0; i < checked; ++i) {
        const QString& line = linesIn[i];
        const int number = static_cast<int>(i + 1);
        const qsizetype comma = line.indexOf(u',');
        if (comma < 0) {
            result.line = number;
            result.error = u"line "_s + QString::number(number) + u" has no comma (\""_s +
                           printable(line) + u"\")."_s;
            return result;
        }
        const QString value = line.mid(comma + 1).trimmed();
        bool digitsOnly = !value.isEmpty() && value.size() <= 6;
        for (QChar c : value)
            digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
        const int byteValue = digitsOnly ? value.toInt() : -1;
        if (byteValue < 0 || byteValue > 255) {
            result.line = number;
            result.error = u"line "_s + QString::number(number) + u" holds \""_s +
                           printable(value) + u"\" after its comma, not a byte from 0 to 255."_s;
            return result;
        }
        image[i] = static_cast<char>(byteValue);
    }
    if (count < MemoryImageSize) {
        result.line = static_cast<int>(count + 1);
        result.error = u"it ends after "_s + QString::number(count) + u" lines; line "_s +
                       QString::number(count + 1) + u" is missing (an image has 4096 lines)."_s;
        return result;
    }
    if (count > MemoryImageSize) {
        result.line = MemoryImageSize + 1;
        result.error = u"it has "_s + QString::number(count) +
                       u" lines; line 4097 is one too many (an image has 4096 lines)."_s;
        return result;
    }
    *bytes = image;
    result.ok = true;
    return result;
}

void applyMemoryImage(const QByteArray& bytes, Database& db) {
    Q_ASSERT(bytes.size() == MemoryImageSize);
    const Image m(bytes);
    const auto set = [&](const char* field, int index, const QString& text) {
        db.setValue(field, index, text);
    };
    // Per-port blocks of one encoding.
    const auto ports = [&](const char* field, int at, int step,
                           QString (Image::*encoding)(int) const) {
        for (int p = 1; p <= 3; ++p)
            set(field, p, (m.*encoding)(at + step * (p - 1)));
    };
    const auto items = [&](const char* field, int count, int at, int step,
                           QString (Image::*encoding)(int) const) {
        for (int i = 1; i <= count; ++i)
            set(field, i, (m.*encoding)(at + step * (i - 1)));
    };
    // Wg: a high byte of 255 marks an unprogrammed word and leaves the field as it was. A low
    // byte of 255 under a programmed high byte is an ordinary value (255, 511, ...), so it is
    // decoded like any other word.
    const auto wordsKeptWhenUnset = [&](const char* field, int at) {
        for (int i = 1; i <= 8; ++i) {
            const int w = at + 2 * (i - 1);
            if (m.byte(w + 1) != 255)
                set(field, i, m.w(w));
        }
    };

    const QString preAccess = m.t(0, 4);
    set("PreAccessPrefix", 0, preAccess.isEmpty() ? u"0"_s : preAccess);
    set("DTMFTestPrefix", 0, m.t(4, 6));
    ports("GeneralTimerMacro", 10, 1, &Image::b);
    const int sayHour = m.byte(15);
    set("SayHour", 0, sayHour == 0 || sayHour == 1 ? QString::number(sayHour) : u"0"_s);
    ports("HangTime", 16, 1, &Image::b);
    ports("IIDTime", 19, 1, &Image::b);
    ports("PIDTime", 22, 1, &Image::b);
    ports("TxEnable", 25, 1, &Image::b);
    ports("DTMFCovertone", 28, 1, &Image::b);
    // DTMFTime: two bytes per port that the controller adds together (not low + 256 x high).
    // It fills the first byte before the second, so the second is 0 for every value the
    // database accepts (up to 255).
    for (int p = 1; p <= 3; ++p)
        set("DTMFTime", p, QString::number(m.byte(31 + 2 * (p - 1)) + m.byte(32 + 2 * (p - 1))));
    ports("Kerchunk", 37, 1, &Image::b);
    ports("KerchunkTime", 40, 2, &Image::w);
    ports("CTCSSID", 47, 1, &Image::b);
    ports("CTCSSCT", 50, 1, &Image::b);
    set("TimeoutLink", 0, m.b(56));
    set("XmtDelay", 0, m.w(57));
    ports("PLEncodePolarity", 59, 1, &Image::be);
    set("MacroSubset", 0, m.t(62, 5));
    ports("DTMFEnable", 73, 1, &Image::b);
    ports("DTMFNeedPL", 76, 1, &Image::b);
    for (int p = 1; p <= 3; ++p)
        set("CurrentPortUnlock", p, m.t(79 + 9 * (p - 1), 9));
    ports("SpeechIDOverride", 106, 1, &Image::b0);
    ports("CWTone1", 109, 2, &Image::w);
    for (int p = 1; p <= 3; ++p) {
        const int tone = m.word(115 + 2 * (p - 1));
        set("CWTone2", p, tone == 0 ? u"0000"_s : QString::number(tone));
    }
    ports("CWSpeed", 121, 1, &Image::b);
    ports("PLAccess", 139, 1, &Image::b);
    ports("MonMix", 142, 1, &Image::b);
    ports("AuxTime", 145, 2, &Image::w);
    ports("InActiveTime", 151, 1, &Image::b);
    // DisableTimeout follows the inactivity time, whatever its own bytes (154-156) hold.
    for (int p = 1; p <= 3; ++p)
        set("DisableTimeout", p, m.byte(151 + p - 1) == 0 ? u"1"_s : u"0"_s);
    ports("SpeechOverride", 157, 1, &Image::b);
    ports("CTCSSTime", 160, 1, &Image::b);
    ports("FDup", 163, 1, &Image::b);
    ports("TimeOut", 166, 2, &Image::w);
    ports("DTMFMute", 172, 1, &Image::b);
    items("Alarm", 5, 175, 1, &Image::b);
    items("AlarmLowMacroNum", 5, 180, 1, &Image::b);
    items("AlarmHighMacroNum", 5, 185, 1, &Image::b);
    set("Vref", 0, m.w(190));
    for (int i = 1; i <= 8; ++i) {
        const QString type = meterType(m.word(192 + 2 * (i - 1)));
        if (!type.isEmpty())
            set("Meter", i, type);
    }
    wordsKeptWhenUnset("RealLow", 208);
    wordsKeptWhenUnset("MeterLow", 224);
    wordsKeptWhenUnset("RealHigh", 240);
    wordsKeptWhenUnset("MeterHigh", 256);
    // 272-361: the meter alarms, not decoded.

    for (int p = 1; p <= 3; ++p) {
        set("CWID1", p, cwId(m, CwIds + 15 * (p - 1), m.byte(CwIdLength + p - 1)));
        set("CWID2", p, cwId(m, CwIds + 45 + 15 * (p - 1), m.byte(CwIdLength + 3 + p - 1)));
        set("VoiceID1", p, voiceId(m, VoiceIds + 22 * (p - 1), m.byte(VoiceIdLength + p - 1)));
        set("VoiceID2", p,
            voiceId(m, VoiceIds + 66 + 22 * (p - 1), m.byte(VoiceIdLength + 3 + p - 1)));
        set("VoiceID3", p,
            voiceId(m, VoiceIds + 132 + 22 * (p - 1), m.byte(VoiceIdLength + 6 + p - 1)));
    }

    for (int s = 1; s <= 20; ++s) {
        // Week and day: two digits are week and day of a monthly setpoint, one digit is the
        // day alone (the week stays as it was). A value of 100 or more is no day at all (an
        // unprogrammed 255) and leaves both as they were.
        const QString day = m.b(650 + s - 1);
        if (day.size() == 2) {
            set("Week", s, day.left(1));
            set("DOW", s, day.right(1));
        } else if (day.size() == 1) {
            set("DOW", s, day);
        }
        const int hours = m.byte(670 + s - 1);
        set("Hours", s, hours == 255 ? u"0"_s : hours == 254 ? u"0A"_s : twoDigits(hours));
        const int minutes = m.byte(690 + s - 1);
        set("Minutes", s, minutes == 255 ? u"0"_s : twoDigits(minutes));
        const int macro = m.byte(710 + s - 1);
        set("MacroToRun", s, macro < 1 ? u"01"_s : macro == 255 ? u"0"_s : twoDigits(macro));
    }

    static const char* const courtesyFields[16] = {
        "Tone1",  "Tone2",  "Tone3",  "Tone4",  "Tone5", "Tone6", "Tone7", "Tone8",
        "Delay1", "Delay2", "Delay3", "Delay4", "Dur1",  "Dur2",  "Dur3",  "Dur4"};
    for (int f = 0; f < 16; ++f) {
        for (int p = 1; p <= 3; ++p) {
            const QByteArray name = 'P' + QByteArray::number(p) + courtesyFields[f];
            const int start = Courtesy + 20 * (3 * f + p - 1);
            for (int t = 1; t <= 10; ++t)
                set(name.constData(), t, m.w(start + 2 * (t - 1)));
        }
    }

    set("RadioType", 0, m.b(1710));
    set("YaesuType", 0, m.b(1711));
    set("FanTime", 0, m.b(1712));
    set("TwentyFour", 0, m.b(1720));
    set("FanSelect", 0, m.b(1721));
    set("DTMFDur", 0, m.be(1722));
    set("DTMFDelay", 0, m.b(1723));
    for (int i = 1; i <= 20; ++i)
        set("DTMF", i, dtmfMemory(m, DtmfMemories + 11 * (i - 1)));

    set("ControlPort", 0, m.b(2068).trimmed());
    set("AllowTerminatorSpeech", 0, m.b(2069).trimmed());
    items("RadioMode", 10, 2070, 1, &Image::b);
    ports("InActivityMacro", 2080, 2, &Image::w);
    set("EnablePatch", 0, m.b(2086));
    set("PatchMute", 0, m.b(2087));
    ports("GeneralTimer", 2088, 2, &Image::w);
    for (int i = 1; i <= 40; ++i)
        set("MessageMacro", i, messageMacro(m, MessageMacros + 10 * (i - 1)));
    // ID extras: a 255 is an unprogrammed byte and leaves the field as it was.
    static const char* const extras[3] = {"ID1Extras", "ID2Extras", "ID3Extras"};
    for (int p = 1; p <= 3; ++p) {
        for (int id = 0; id < 3; ++id) {
            const int at = Extras + 3 * (p - 1) + id;
            if (m.byte(at) != 255)
                set(extras[id], p, m.b(at));
        }
    }
    for (int i = 1; i <= 40; ++i) {
        set("Macro", i, macroSteps(m, Macros + 16 * (i - 1), 16));
        set("MacroCode", i, m.d(MacroCodes + 5 * (i - 1), 5));
    }
    for (int i = 1; i <= 50; ++i) {
        set("ShortMacro", i, macroSteps(m, ShortMacros + 5 * (i - 1), 5));
        set("ShortMacroCode", i, m.d(ShortMacroCodes + 5 * (i - 1), 5));
    }
    items("PortToAllow", 90, 3848, 1, &Image::b);
    ports("IDSpeakTime", 3938, 2, &Image::w);
    ports("SpeechEnable", 3944, 1, &Image::b);
    set("MacroSubsetEnable", 0, m.b(3947));
    set("RemoteBasePrefix", 0, m.tq(3948, 6));
    // Lock and terminator: a download sets the working and the stored copies alike.
    const QString lock = m.t(3954, 5);
    const QString terminator = m.t(3959, 2);
    set("Lock", 0, lock);
    set("Terminator", 0, terminator);
    db.setStoredLock(lock);
    db.setStoredTerminator(terminator);
    set("ClockCorrection", 0, m.aSigned(3961));
    set("SayYear", 0, m.b(3963));
    ports("P1MessageNum", 3964, 1, &Image::b);
    ports("P2MessageNum", 3967, 1, &Image::b);
    ports("P3MessageNum", 3970, 1, &Image::b);
    ports("TailMessageNum", 3973, 1, &Image::b);
    ports("AnnounceTime", 3976, 2, &Image::w);
    ports("TailCounter", 3982, 1, &Image::b);
    for (int i = 1; i <= 10; ++i)
        set("FreqString", i, freqString(m, FreqStrings + 8 * (i - 1)));
    items("CTCSS", 10, 4065, 1, &Image::b);
    items("CTCSSMode", 10, 4075, 1, &Image::b);
    set("DTMFPort", 0, m.b(4085));
    set("DTMFSpeech", 0, m.b(4086));
    set("APPrefix", 0, m.t(4090, 6));
}

MemoryImageResult decodeMemoryImageLines(const QStringList& lines, Database& db) {
    QByteArray bytes;
    MemoryImageResult result = parseMemoryImage(lines, &bytes);
    if (!result.ok) {
        result.error =
            u"The memory image cannot be decoded: "_s + result.error + u" Nothing was changed."_s;
        return result;
    }
    // decode into a copy so that the database changes all at once or not at all.
    Database decoded = db;
    applyMemoryImage(bytes, decoded);
    db = std::move(decoded);
    return result;
}

MemoryImageResult decodeMemoryImage(const QString& path, Database& db) {
    MemoryImageResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = u"The memory image "_s + QFileInfo(path).fileName() +
                       u" cannot be read: "_s + file.errorString() + u". Nothing was changed."_s;
        return result;
    }
    QByteArray bytes;
    result = parseMemoryImage(splitLines(file.readAll()), &bytes);
    if (!result.ok) {
        result.error = u"The memory image "_s + QFileInfo(path).fileName() +
                       u" cannot be decoded: "_s + result.error + u" Nothing was changed."_s;
        return result;
    }
    Database decoded = db;
    applyMemoryImage(bytes, decoded);
    db = std::move(decoded);
    return result;
}

} // namespace kovo
