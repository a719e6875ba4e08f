#include "configuration_report.h"

#include "courtesy_timeline.h"
#include "database/database.h"
#include "database/macro_functions.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

constexpr int Ports = 3;
constexpr int PictureWidth = 720; // drawn at twice the size the page shows, for print
constexpr int PictureHeight = 64;

QString esc(const QString& text) {
    return text.toHtmlEscaped();
}

// A table whose first row is the heading; every cell is already HTML.
QString table(const QStringList& heading, const QList<QStringList>& rows) {
    QString html = u"<table class=\"grid\" cellspacing=\"0\" cellpadding=\"3\"><tr>"_s;
    for (const QString& cell : heading)
        html += u"<th>"_s + cell + u"</th>"_s;
    html += u"</tr>"_s;
    for (const QStringList& row : rows) {
        html += u"<tr>"_s;
        for (const QString& cell : row)
            html += u"<td>"_s + cell + u"</td>"_s;
        html += u"</tr>"_s;
    }
    return html + u"</table>"_s;
}

struct Row {
    const char* field;
    const char* caption;
    const char* unit; // appended to each value; "" for none
};

QString withUnit(const QString& value, const char* unit) {
    return *unit ? esc(value) + u' ' + QString::fromUtf8(unit) : esc(value);
}

QString onOff(const QString& value) {
    return value == u"1"_s ? u"On"_s : u"Off"_s;
}

// Fields kept once per port: one row each, one column per port.
QString perPortTable(const Database& db, std::initializer_list<Row> rows,
                     QString (*show)(const QString&) = nullptr) {
    QList<QStringList> cells;
    for (const Row& row : rows) {
        QStringList line{esc(QString::fromUtf8(row.caption))};
        for (int port = 1; port <= Ports; ++port) {
            const QString value = db.value(QLatin1String(row.field), port);
            line << (show ? show(value) : withUnit(value, row.unit));
        }
        cells << line;
    }
    return table({u"Setting"_s, u"Port 1"_s, u"Port 2"_s, u"Port 3"_s}, cells);
}

// Single fields: one row each, caption and value.
QString singlesTable(const Database& db, std::initializer_list<Row> rows) {
    QList<QStringList> cells;
    for (const Row& row : rows) {
        cells << QStringList{esc(QString::fromUtf8(row.caption)),
                             withUnit(db.value(QLatin1String(row.field)), row.unit)};
    }
    return table({u"Setting"_s, u"Value"_s}, cells);
}

QString heading(const QString& title) {
    return u"<h2>"_s + esc(title) + u"</h2>"_s;
}

QString subheading(const QString& title) {
    return u"<h3>"_s + esc(title) + u"</h3>"_s;
}

QString noneAsWord(const QString& value, const QString& word = u"NONE"_s) {
    return value == u"0"_s ? word : esc(value);
}

QString macroNumber(const QString& value) {
    return esc(value.isEmpty() ? value : QString::number(numericInt(value)));
}

QString timers(const Database& db) {
    return perPortTable(db, {{"HangTime", "Hang Timer", "× 0.1 s"},
                             {"TimeOut", "Timeout Timer", "s"},
                             {"IIDTime", "Initial ID Timer", "min"},
                             {"PIDTime", "Pending ID Timer", "min"},
                             {"InActiveTime", "Inactivity Timer", "min"},
                             {"InActivityMacro", "Inactivity Timer Macro", ""},
                             {"DTMFTime", "DTMF Mute Timer", "× 0.1 s"},
                             {"CTCSSTime", "Encode Timer", "× 0.1 s"},
                             {"KerchunkTime", "Kerchunk Timer", "ms"},
                             {"IDSpeakTime", "Pending ID Speech Timer", "s"},
                             {"AnnounceTime", "Tail Message Timer", "s"},
                             {"AuxTime", "Aux Audio Timer", "s"},
                             {"GeneralTimer", "General Timer", "s"},
                             {"GeneralTimerMacro", "General Timer Macro", ""}}) +
           singlesTable(db, {{"FanTime", "Fan Timer", "min"},
                             {"FanSelect", "Fan on All Xmt Activity (0 = on)", ""},
                             {"XmtDelay", "Speech/CW Delay Before Transmit", "ms"},
                             {"TimeoutLink", "Timeout Timer Enable Linking Control", ""}});
}

QString courtesyResource(int port, int tone) {
    return u"courtesy-p%1-t%2.png"_s.arg(port).arg(tone);
}

QString dataUrl(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return u"data:image/png;base64,"_s + QString::fromLatin1(png.toBase64());
}

QString courtesy(const Database& db, const QMap<QString, QImage>& pictures, bool embed) {
    QString html;
    for (int port = 1; port <= Ports; ++port) {
        html += subheading(u"Port %1"_s.arg(port));
        QList<QStringList> rows;
        for (int tone = 1; tone <= 10; ++tone) {
            const CourtesyTimeline timeline(db, port, tone);
            const QString name = courtesyResource(port, tone);
            const QString source = embed ? dataUrl(pictures.value(name)) : name;
            rows << QStringList{
                QString::number(tone), esc(timeline.describe()),
                u"<img src=\"%1\" width=\"%2\" height=\"%3\">"_s.arg(
                    source, QString::number(PictureWidth / 2), QString::number(PictureHeight / 2))};
        }
        html += table({u"Tone"_s, u"Segments"_s, u"Timeline"_s}, rows);
    }
    return html;
}

QString functionNames(const QString& macro) {
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> table;
        for (const MacroFunctions::Function& function : MacroFunctions::all())
            table.insert(MacroFunctions::entryText(function).left(3), function.name.trimmed());
        return table;
    }();
    if (macro.trimmed().isEmpty() || macro == u"NONE STORED"_s)
        return esc(macro);
    QStringList lines;
    for (QStringView token : QStringView(macro).split(u' ', Qt::SkipEmptyParts)) {
        const auto found = names.constFind(token.toString());
        lines << (found == names.constEnd() ? esc(token.toString()) + u" (unknown)"_s
                                            : esc(token.toString() + u' ' + found.value()));
    }
    return lines.join(u"<br>"_s);
}

QString macros(const Database& db) {
    QList<QStringList> rows;
    for (int macro = 1; macro <= 90; ++macro) {
        const bool isLong = macro <= 40;
        const int index = isLong ? macro : macro - 40;
        const QString text = db.value(isLong ? u"Macro"_s : u"ShortMacro"_s, index);
        rows << QStringList{QString::number(macro),
                            esc(db.value(isLong ? u"MacroCode"_s : u"ShortMacroCode"_s, index)),
                            esc(db.value(u"PortToAllow", macro)), functionNames(text)};
    }
    return table({u"Macro"_s, u"Code"_s, u"Ports"_s, u"Functions"_s}, rows);
}

QString dayName(const QString& value) {
    static const QStringList days = {u"Everyday"_s, u"Monday"_s,  u"Tuesday"_s,  u"Wednesday"_s,
                                     u"Thursday"_s, u"Friday"_s,  u"Saturday"_s, u"Sunday"_s,
                                     u"Weekdays"_s, u"Weekends"_s};
    bool ok = false;
    const int day = value.toInt(&ok);
    return ok && day >= 0 && day < days.size() ? days.at(day) : esc(value);
}

QString startTime(const QString& hours, const QString& minutes) {
    if (hours == u"0A"_s)
        return u"Every hour at :"_s + esc(minutes);
    bool ok = false;
    const int hour = hours.toInt(&ok);
    if (ok && hour == 25)
        return u"Disabled"_s;
    if (!ok || hour < 0 || hour > 23)
        return esc(hours + u':' + minutes);
    return u"%1:%2"_s.arg(hour, 2, 10, QLatin1Char('0')).arg(esc(minutes));
}

QString scheduler(const Database& db) {
    QList<QStringList> rows;
    for (int point = 1; point <= 20; ++point) {
        const bool monthly = db.value(u"Monthly", point) != u"0"_s;
        rows << QStringList{QString::number(point), dayName(db.value(u"DOW", point)),
                            monthly ? u"Week %1 of the month"_s.arg(esc(db.value(u"Week", point)))
                                    : u"Every week"_s,
                            startTime(db.value(u"Hours", point), db.value(u"Minutes", point)),
                            macroNumber(db.value(u"MacroToRun", point))};
    }
    QString correction = db.value(u"ClockCorrection");
    if (correction.startsWith(u'A'))
        correction.replace(0, 1, u'-');
    return table({u"Set point"_s, u"Day"_s, u"Weeks"_s, u"Start"_s, u"Macro"_s}, rows) +
           subheading(u"Real Time Clock"_s) +
           table({u"Setting"_s, u"Value"_s},
                 {{u"Say Year"_s, onOff(db.value(u"SayYear"))},
                  {u"24 Hour Readback"_s, onOff(db.value(u"TwentyFour"))},
                  {u"Say Hours"_s, onOff(db.value(u"SayHour"))},
                  {u"Clock Correction"_s, esc(correction) + u" s"_s},
                  {u"Date Format"_s, db.value(u"DateFormat") == u"True"_s ? u"International"_s
                                                                          : u"United States"_s}});
}

struct MeterType {
    QString name;
    QString unit;
};

MeterType meterType(const QString& value) {
    static const QList<MeterType> types = {
        {u"None"_s, QString()}, {u"Volts"_s, u"V"_s}, {u"Amps"_s, u"A"_s},   {u"Watts"_s, u"W"_s},
        {u"Degrees"_s, u"°"_s}, {u"MPH"_s, u"mph"_s}, {u"Percent"_s, u"%"_s}};
    bool ok = false;
    const int type = value.toInt(&ok);
    return ok && type >= 0 && type < types.size() ? types.at(type) : MeterType{esc(value), {}};
}

QString measured(const QString& value, const QString& unit) {
    return unit.isEmpty() ? esc(value) : esc(value) + u' ' + unit;
}

QString analog(const Database& db) {
    QList<QStringList> meters;
    for (int meter = 1; meter <= 8; ++meter) {
        const MeterType type = meterType(db.value(u"Meter", meter));
        meters << QStringList{QString::number(meter),
                              type.name,
                              measured(db.value(u"RealLow", meter), type.unit),
                              esc(db.value(u"MeterLow", meter)),
                              measured(db.value(u"RealHigh", meter), type.unit),
                              esc(db.value(u"MeterHigh", meter))};
    }
    static const QStringList alarmTypes = {u"None"_s, u"Low"_s, u"High"_s};
    QList<QStringList> alarms;
    for (int alarm = 1; alarm <= 10; ++alarm) {
        const QString kind = db.value(u"MeterAlarmType", alarm);
        const int meter = numericInt(db.value(u"MeterNum", alarm));
        const QString unit =
            meter >= 1 && meter <= 8 ? meterType(db.value(u"Meter", meter)).unit : QString();
        alarms << QStringList{QString::number(alarm), alarmTypes.value(numericInt(kind), esc(kind)),
                              esc(db.value(u"MeterNum", alarm)),
                              measured(db.value(u"MeterSetPoint", alarm), unit),
                              macroNumber(db.value(u"MeterMacro", alarm))};
    }
    return table({u"Meter"_s, u"Type"_s, u"Actual low"_s, u"Meter low"_s, u"Actual high"_s,
                  u"Meter high"_s},
                 meters) +
           singlesTable(db, {{"Vref", "Reference Voltage", ""}}) + subheading(u"Meter Alarms"_s) +
           table({u"Alarm"_s, u"Type"_s, u"Meter"_s, u"Trip value"_s, u"Macro"_s}, alarms);
}

QString identification(const Database& db) {
    return perPortTable(db, {{"VoiceID1", "Voice ID 1", ""},
                             {"VoiceID2", "Voice ID 2", ""},
                             {"VoiceID3", "Voice ID 3", ""},
                             {"CWID1", "CW ID 1", ""},
                             {"CWID2", "CW ID 2", ""},
                             {"CWSpeed", "CW Speed", "WPM"},
                             {"CWTone1", "CW Tone 1", "Hz"},
                             {"CWTone2", "CW Tone 2", "Hz"},
                             {"ID1Extras", "ID 1 Extras", ""},
                             {"ID2Extras", "ID 2 Extras", ""},
                             {"ID3Extras", "ID 3 Extras", ""}}) +
           perPortTable(db, {{"SpeechEnable", "Speech Enabled", ""}}, onOff);
}

QString numbered(const Database& db, const QString& field, int count, const QString& what,
                 bool skipEmpty) {
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i) {
        const QString value = db.value(field, i);
        if (!skipEmpty || !value.isEmpty())
            rows << QStringList{QString::number(i), esc(value)};
    }
    return table({u"#"_s, what}, rows);
}

QString portList(const QString& value) {
    return value == u"0"_s ? u"NONE"_s : u"Ports "_s + esc(value);
}

QString alarmsAndRemote(const Database& db) {
    QList<QStringList> alarms;
    for (int alarm = 1; alarm <= 5; ++alarm) {
        alarms << QStringList{QString::number(alarm),
                              macroNumber(db.value(u"AlarmLowMacroNum", alarm)),
                              macroNumber(db.value(u"AlarmHighMacroNum", alarm))};
    }
    static const QHash<QString, QString> radios = {
        {u"1"_s, u"Kenwood Serial"_s},    {u"2"_s, u"Icom"_s},   {u"3"_s, u"Yaesu"_s},
        {u"4"_s, u"Kenwood V7A"_s},       {u"5"_s, u"Orbisk"_s}, {u"7"_s, u"Kenwood G707"_s},
        {u"8"_s, u"Kenwood TM-271/471"_s}};
    static const QStringList offsets = {QString(), u"−"_s, u"simplex"_s, u"+"_s};
    static const QStringList ctcssModes = {u"Off"_s, u"Encode"_s, u"Decode"_s};
    QList<QStringList> memories;
    for (int memory = 1; memory <= 10; ++memory) {
        const QString frequency = db.value(u"FreqString", memory);
        const QString mode = db.value(u"CTCSSMode", memory);
        QString shown = esc(frequency);
        if (frequency.size() == 7) {
            shown = esc(frequency.left(3) + u'.' + frequency.mid(3, 3)) + u" MHz "_s +
                    offsets.value(frequency.right(1).toInt());
        }
        memories << QStringList{QString::number(memory), shown, esc(db.value(u"CTCSS", memory)),
                                ctcssModes.value(mode.toInt(), esc(mode)),
                                esc(db.value(u"RadioMode", memory))};
    }
    const QString radio = db.value(u"RadioType");
    return table({u"Alarm"_s, u"Low macro"_s, u"High macro"_s}, alarms) +
           perPortTable(db, {{"RouteAuxPort", "Route Aux Port", ""}}) +
           subheading(u"Remote Base"_s) +
           table({u"Setting"_s, u"Value"_s},
                 {{u"Radio Type"_s, radios.value(radio, esc(radio))},
                  {u"Yaesu Type"_s, esc(db.value(u"YaesuType"))},
                  {u"Remote Base Prefix"_s,
                   noneAsWord(db.value(u"RemoteBasePrefix"), u"No Prefix"_s)},
                  {u"Control Port"_s, esc(db.value(u"ControlPort"))}}) +
           table({u"Memory"_s, u"Frequency"_s, u"CTCSS"_s, u"CTCSS mode"_s, u"Radio mode"_s},
                 memories);
}

QString specialCodes(const Database& db) {
    const QString speech = db.value(u"DTMFSpeech");
    return perPortTable(db, {{"CurrentPortUnlock", "Unlock Code", ""}}) +
           table({u"Setting"_s, u"Value"_s},
                 {{u"Global Lock"_s, esc(db.value(u"Lock"))},
                  {u"Terminator"_s, esc(db.value(u"Terminator"))},
                  {u"User DTMF Prefix"_s, esc(db.value(u"CommandPrefix"))},
                  {u"User DTMF Send To"_s, portList(db.value(u"DTMFPort"))},
                  {u"User DTMF Macro"_s, speech == u"0"_s ? u"NONE"_s : macroNumber(speech)},
                  {u"Macro SubSet Range"_s, noneAsWord(db.value(u"MacroSubset"))},
                  {u"Macro SubSet Enable"_s, esc(db.value(u"MacroSubsetEnable"))},
                  {u"DTMF Mute Digit Select"_s, esc(db.value(u"DTMFMuteDigitSelect"))}}) +
           subheading(u"Autopatch"_s) +
           table({u"Setting"_s, u"Value"_s},
                 {{u"Prefix"_s, esc(db.value(u"APPrefix"))},
                  {u"Answer Code"_s, esc(db.value(u"AnswerCode"))},
                  {u"Number of Rings to Answer"_s, esc(db.value(u"RingNumber"))},
                  {u"Timeout"_s, esc(db.value(u"APTimeOut"))},
                  {u"Ports To Allow"_s, portList(db.value(u"EnablePatch"))},
                  {u"Patch Muting"_s, onOff(db.value(u"PatchMute"))},
                  {u"DTMF Pad Test Prefix"_s, esc(db.value(u"DTMFTestPrefix"))},
                  {u"Pre Access Code"_s, noneAsWord(db.value(u"PreAccessPrefix"))},
                  {u"Pre Program Prefix"_s, noneAsWord(db.value(u"PreProgramPrefix"))}}) +
           subheading(u"Autodial Memories"_s) +
           numbered(db, u"AutoDial"_s, 200, u"Phone number"_s, true) +
           subheading(u"Toll Restrict"_s) + numbered(db, u"TollRestrict"_s, 100, u"Number"_s, true);
}

QString portSwitches(const Database& db) {
    static const QStringList access = {u"Carrier"_s, u"Tone &amp; Carrier"_s, u"Tone Only"_s};
    QList<QStringList> rows;
    QStringList line{u"Access Mode"_s};
    for (int port = 1; port <= Ports; ++port) {
        const QString value = db.value(u"PLAccess", port);
        line << access.value(numericInt(value), esc(value));
    }
    rows << line;
    QString html = perPortTable(db,
                                {{"TxEnable", "Transmitter Enable", ""},
                                 {"RxEnable", "Receiver Enable", ""},
                                 {"FDup", "Repeater Mode", ""},
                                 {"DTMFEnable", "DTMF Enable", ""},
                                 {"DTMFNeedPL", "DTMF Require Tone", ""},
                                 {"DTMFMute", "DTMF Mute", ""},
                                 {"DTMFCovertone", "DTMF Covertone", ""},
                                 {"MonMix", "Monitor Mix", ""},
                                 {"Kerchunk", "Kerchunk Filter", ""},
                                 {"SpeechOverride", "Speech Override", ""},
                                 {"SpeechIDOverride", "Speech ID Override", ""},
                                 {"DisableTimeout", "Disable Inactivity Timer", ""},
                                 {"CTCSSID", "Tone Encode ON During ID/Speech", ""}},
                                onOff);
    html += table({u"Setting"_s, u"Port 1"_s, u"Port 2"_s, u"Port 3"_s}, rows);
    html += perPortTable(db, {{"CTCSSCT", "Encode Timer Starts After (0 COS, 1 CT)", ""},
                              {"PLEncodePolarity", "Tone Encode Polarity (0 Lo, 1 Hi)", ""},
                              {"COSClose", "DTMF Evaluate On Closure (0 COS, 1 Tone)", ""},
                              {"TailMessageNum", "Tail Message (0 NONE)", ""},
                              {"TailCounter", "Tail Counter", ""}});
    html += perPortTable(db, {{"P1MessageNum", "Port 1 Tail Message Macro", ""},
                              {"P2MessageNum", "Port 2 Tail Message Macro", ""},
                              {"P3MessageNum", "Port 3 Tail Message Macro", ""}})
                .replace(u"<th>Port 1</th><th>Port 2</th><th>Port 3</th>"_s,
                         u"<th>Message 1</th><th>Message 2</th><th>Message 3</th>"_s);
    QList<QStringList> alarms;
    for (int alarm = 1; alarm <= 5; ++alarm)
        alarms << QStringList{u"Alarm %1"_s.arg(alarm), onOff(db.value(u"Alarm", alarm))};
    alarms << QStringList{u"Allow Speech w/Terminator"_s,
                          onOff(db.value(u"AllowTerminatorSpeech"))};
    return html + table({u"Setting"_s, u"Value"_s}, alarms);
}

const char StyleSheet[] =
    "body { font-family: 'DejaVu Sans', sans-serif; font-size: 9pt; }"
    "h1 { font-size: 16pt; } h2 { font-size: 13pt; margin-top: 14px; }"
    "h3 { font-size: 10pt; margin-top: 8px; }"
    "table.grid { border-collapse: collapse; border: 1px solid #888; margin-bottom: 6px; }"
    "table.grid th { background-color: #dde4ee; text-align: left; border: 1px solid #888; }"
    "table.grid td { border: 1px solid #888; vertical-align: top; }";

} // namespace

ConfigurationReport::ConfigurationReport(const Database& db, const QString& source)
    : m_db(db), m_source(source) {
    for (int port = 1; port <= Ports; ++port) {
        for (int tone = 1; tone <= 10; ++tone) {
            m_pictures.insert(courtesyResource(port, tone),
                              CourtesyTimeline(db, port, tone).render(PictureWidth, PictureHeight));
        }
    }
}

const QStringList& ConfigurationReport::sectionTitles() {
    static const QStringList titles = {u"Timers"_s,
                                       u"Courtesy Tones"_s,
                                       u"Macros"_s,
                                       u"Scheduler/Clock"_s,
                                       u"Analog Meters"_s,
                                       u"Identification"_s,
                                       u"Message Macros"_s,
                                       u"DTMF Memories"_s,
                                       u"Alarms/Remote Base"_s,
                                       u"Special Codes/Autopatch"_s,
                                       u"Port Switches"_s};
    return titles;
}

QString ConfigurationReport::html(bool embedPictures) const {
    const QStringList& titles = sectionTitles();
    const QString title = u"Tarsis configuration: "_s + esc(m_source);
    QString html = u"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>"_s + title +
                   u"</title><style>"_s + QString::fromLatin1(StyleSheet) +
                   u"</style></head><body><h1>"_s + title + u"</h1><p>Printed by Kovo on "_s +
                   QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm"_s) + u"</p>"_s;
    const QString dtmf = numbered(m_db, u"DTMF"_s, 20, u"Digits"_s, false) +
                         singlesTable(m_db, {{"DTMFDur", "Tone Duration", "ms"},
                                             {"DTMFDelay", "Interdigit Delay", "ms"}});
    const QString bodies[] = {timers(m_db),
                              courtesy(m_db, m_pictures, embedPictures),
                              macros(m_db),
                              scheduler(m_db),
                              analog(m_db),
                              identification(m_db),
                              numbered(m_db, u"MessageMacro"_s, 40, u"Words"_s, false),
                              dtmf,
                              alarmsAndRemote(m_db),
                              specialCodes(m_db),
                              portSwitches(m_db)};
    for (int i = 0; i < titles.size(); ++i)
        html += heading(titles.at(i)) + bodies[i];
    return html + u"</body></html>"_s;
}

void ConfigurationReport::fillDocument(QTextDocument& document) const {
    // Without ligatures the PDF's text is the text: "fi" searches and copies as two letters.
    QFont font = document.defaultFont();
    font.setStyleStrategy(QFont::PreferNoShaping);
    document.setDefaultFont(font);
    for (auto it = m_pictures.cbegin(); it != m_pictures.cend(); ++it)
        document.addResource(QTextDocument::ImageResource, QUrl(it.key()), it.value());
    document.setHtml(html(false));
}

ConfigurationReport::WriteResult ConfigurationReport::write(const QString& path) const {
    return path.endsWith(u".pdf"_s, Qt::CaseInsensitive) ? writePdf(path) : writeHtml(path);
}

ConfigurationReport::WriteResult ConfigurationReport::writePdf(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, u"%1 could not be written: %2"_s.arg(path, file.errorString())};
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(u"Tarsis configuration: "_s + m_source);
        writer.setCreator(u"Kovo"_s);
        QTextDocument document;
        fillDocument(document);
        document.print(&writer);
    }
    if (!file.commit())
        return {false, u"%1 could not be written: %2"_s.arg(path, file.errorString())};
    return {true, {}};
}

ConfigurationReport::WriteResult ConfigurationReport::writeHtml(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, u"%1 could not be written: %2"_s.arg(path, file.errorString())};
    const QByteArray bytes = html(true).toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return {false, u"%1 could not be written: %2"_s.arg(path, file.errorString())};
    return {true, {}};
}

} // namespace kovo
