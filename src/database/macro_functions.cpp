#include "macro_functions.h"

#include <QHash>

namespace kovo {

namespace {

// A run of entries that differ only by a counting number: the names are prefix + count + suffix
// for count = first count on; a single entry has the whole name as prefix and no count.
struct Run {
    int first;
    int last;
    const char* prefix;
    int count; // 0: a single entry, named by prefix alone
    const char* suffix;
};

// In list order: ascending, except that 391-393, 397 and 398 follow 349.
constexpr Run Runs[] = {
    {1, 3, "Port ", 1, " CTCSS Access"},
    {4, 6, "Port ", 1, " Carrier Access"},
    {7, 9, "Port ", 1, " DTMF Covertone ON"},
    {10, 12, "Port ", 1, " DTMF Covertone OFF"},
    {13, 15, "Port ", 1, " Transmit Enable"},
    {16, 18, "Port ", 1, " Transmit Disable"},
    {19, 19, "Monitor Port 1 from Port 2", 0, ""},
    {20, 20, "Monitor Port 1 from Port 3", 0, ""},
    {21, 21, "Disconnect Port 1 from Port 2", 0, ""},
    {22, 22, "Disconnect Port 1 from Port 3", 0, ""},
    {23, 23, "Monitor Port 2 from Port 1", 0, ""},
    {24, 24, "Monitor Port 2 from Port 3", 0, ""},
    {25, 25, "Disconnect Port 2 from Port 1", 0, ""},
    {26, 26, "Disconnect Port 2 from Port 3", 0, ""},
    {27, 27, "Monitor Port 3 from Port 1", 0, ""},
    {28, 28, "Monitor Port 3 from Port 2", 0, ""},
    {29, 29, "Disconnect Port 3 from Port 1", 0, ""},
    {30, 30, "Disconnect Port 3 from Port 2", 0, ""},
    {31, 33, "Port ", 1, " Monitor Mute"},
    {34, 36, "Port ", 1, " Monitor Mix"},
    {37, 39, "Port ", 1, " Repeat ON"},
    {40, 42, "Port ", 1, " Repeat OFF"},
    {43, 45, "Port ", 1, " Speech Override ON"},
    {46, 48, "Port ", 1, " Speech Override OFF"},
    {49, 57, "Port 1 Courtesy Tone ", 1, ""},
    {58, 58, "Port 1Courtesy Tone 10", 0, ""},
    {59, 59, "Port 2 Courtesy Tone 1", 0, ""},
    {60, 60, "Port 2 Courtesy Tone 2  ", 0, ""},
    {61, 68, "Port 2 Courtesy Tone ", 3, ""},
    {69, 78, "Port 3 Courtesy Tone ", 1, ""},
    {79, 81, "Port ", 1, " DTMF Mute ON"},
    {82, 84, "Port ", 1, " DTMF Mute OFF"},
    {85, 85, "CTCSS Encode ON", 0, ""},
    {86, 86, "CTCSS Encode OFF", 0, ""},
    {87, 89, "Read ADC Channel ", 1, ""},
    {90, 90, "Read ADC Channel 4  ", 0, ""},
    {91, 94, "Read ADC Channel ", 5, ""},
    {95, 101, "UF", 1, " ON"},
    {102, 108, "UF", 1, " OFF"},
    {109, 115, "UF", 1, " Pulse"},
    {116, 116, "Say Time", 0, ""},
    {117, 117, "Say Date", 0, ""},
    {118, 118, "Link Port 1 to Port 2", 0, ""},
    {119, 119, "Link Port 1 to Port 3", 0, ""},
    {120, 120, "Link Port 2 to Port 3", 0, ""},
    {121, 121, "Link All Ports", 0, ""},
    {122, 122, "Unlink Port1 from Port 2", 0, ""},
    {123, 123, "Unlink Port 1 from Port 3", 0, ""},
    {124, 124, "Unlink Port 2 from Port 3", 0, ""},
    {125, 125, "Unlink All Ports", 0, ""},
    {126, 145, "Play DVR Track ", 1, ""},
    {146, 148, "Auxiliary Audio ", 1, " ON"},
    {149, 151, "Auxiliary Audio ", 1, " OFF"},
    {152, 156, "Alarm ", 1, " ON"},
    {157, 161, "Alarm ", 1, " OFF"},
    {162, 164, "Speech Out Port ", 1, ""},
    {165, 165, "Speech Out Ports 1 & 2", 0, ""},
    {166, 166, "Speech Out Ports 1 & 3", 0, ""},
    {167, 167, "Speech Out Ports 2 & 3", 0, ""},
    {168, 168, "Speech Out All Ports", 0, ""},
    {169, 171, "Port ", 1, " DTMF Enable"},
    {172, 174, "Port ", 1, " DTMF Disable"},
    {175, 177, "Port ", 1, " Need CTCSS/DTMF"},
    {178, 180, "Port ", 1, " Not Need CTCSS/DTMF"},
    {181, 183, "Play Port ", 1, " Voice ID"},
    {184, 186, "Play Port ", 1, " CW ID"},
    {187, 226, "Play Message Macro ", 1, ""},
    {227, 227, "Good Mor/After/Eve", 0, ""},
    {228, 228, "Macro Priority High", 0, ""},
    {229, 229, "Macro Priority Low", 0, ""},
    {230, 232, "Port ", 1, " Kerchunk Filter Enable"},
    {233, 235, "Port ", 1, " Kerchunk Filter Disable"},
    {236, 238, "Port ", 1, " Receiver Enable"},
    {239, 241, "Port ", 1, " Receiver Disable"},
    {242, 244, "Port ", 1, " Speech ID Override ON"},
    {245, 247, "Port ", 1, " Speech ID Override OFF"},
    {248, 250, "Port ", 1, " All Courtesy Tones OFF"},
    {251, 251, "Force Audio to Entered Port", 0, ""},
    {252, 254, "Port ", 1, " Stop ID/TimeOut"},
    {256, 258, "Port ", 1, " Resume ID/TimeOut"},
    {259, 278, "Send DTMF Memory ", 1, ""},
    {279, 279, "Reset All Meter Hi/Low", 0, ""},
    {280, 287, "Reset Meter ", 1, " Hi/Low"},
    {288, 295, "Enable Meter ", 1, " Alarm"},
    {296, 303, "Disable Meter ", 1, " Alarm"},
    {304, 304, "CTCSS Encode Force OFF", 0, ""},
    {305, 305, "CTCSS Encode Programmed Value", 0, ""},
    {306, 306, "Bump Clock By Correction Factor", 0, ""},
    {307, 307, "Say Year As Part of Date", 0, ""},
    {308, 308, "Don't Say Year", 0, ""},
    {309, 311, "Port ", 1, " Tail Message OFF"},
    {312, 312, "Port 1 Tail Message 1", 0, ""},
    {313, 313, "Port 2 Tail Message 1", 0, ""},
    {314, 314, "Port 3 Tail Message 1", 0, ""},
    {315, 315, "Port 1 Tail Message 2", 0, ""},
    {316, 316, "Port 2 Tail Message 2", 0, ""},
    {317, 317, "Port 3 Tail Message 2", 0, ""},
    {318, 318, "Port 1 Tail Message 3", 0, ""},
    {319, 319, "Port 2 Tail Message 3", 0, ""},
    {320, 320, "Port 3 Tail Message 3", 0, ""},
    {321, 330, "Remote Base Memory ", 1, ""},
    {331, 333, "Port ", 1, " Zero Hang Time"},
    {334, 336, "Port ", 1, " Programmed Hang Time"},
    {337, 337, "Allow Autopatch", 0, ""},
    {338, 338, "Disable Autopatch", 0, ""},
    {339, 341, "Enable Speech ID's Port ", 1, ""},
    {342, 344, "Disable Speech ID's Port ", 1, ""},
    {345, 345, "User DVR Record, Erase", 0, ""},
    {346, 346, "User DVR Record, Don't Erase", 0, ""},
    {347, 349, "Start General Timer ", 1, ""},
    {391, 393, "Stop General Timer ", 1, ""},
    {397, 397, "Macro Subset Disable", 0, ""},
    {398, 398, "Macro Subset Enable", 0, ""},
    {351, 370, "Suspend Scheduler Setpoint ", 1, ""},
    {371, 390, "Resume Scheduler Setpoint ", 1, ""},
    {401, 490, "Call Macro ", 1, ""},
};

// Descriptions that differ from the list entry's name.
struct Description {
    int number;
    const char* text;
};
constexpr Description OwnDescriptions[] = {
    {13, "Port 1 Xmtr Enable"},
    {14, "Port 2 Xmtr Enable"},
    {15, "Port 3 Xmtr Enable"},
    {16, "Port 1 Xmtr Disable"},
    {17, "Port 2 Xmtr Disable"},
    {18, "Port 3 Xmtr Disable"},
    {60, "Port 2 Courtesy Tone 2"},
    {95, "UF1 ON "},
    {118, "Link Port1 to Port 2"},
    {305, "CTCSS Encoder to Programmed Value"},
    {307, "Say Year"},
    {346, "User DVR Record, No Erase"},
};

QString code(int number) {
    return QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

QHash<QString, QString> descriptionTable() {
    QHash<QString, QString> table;
    for (const MacroFunctions::Function& function : MacroFunctions::all())
        table.insert(code(function.number), function.description);
    return table;
}

} // namespace

const QVector<MacroFunctions::Function>& MacroFunctions::all() {
    static const QVector<Function> functions = [] {
        QVector<Function> list;
        list.reserve(483);
        for (const Run& run : Runs) {
            for (int number = run.first; number <= run.last; ++number) {
                Function function;
                function.number = number;
                function.name = QString::fromLatin1(run.prefix);
                if (run.count != 0) {
                    function.name += QString::number(run.count + number - run.first) +
                                     QString::fromLatin1(run.suffix);
                }
                function.description = function.name;
                list.push_back(function);
            }
        }
        for (const Description& own : OwnDescriptions) {
            for (Function& function : list) {
                if (function.number == own.number)
                    function.description = QString::fromLatin1(own.text);
            }
        }
        return list;
    }();
    return functions;
}

QString MacroFunctions::entryText(const Function& function) {
    return code(function.number) + u' ' + function.name;
}

const QString* MacroFunctions::describe(QStringView text) {
    static const QHash<QString, QString> table = descriptionTable();
    const auto found = table.constFind(text.toString());
    return found == table.constEnd() ? nullptr : &found.value();
}

QString MacroFunctions::describeMacro(QStringView text) {
    QStringList parts;
    for (QStringView token : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString* description = describe(token);
        parts << (description ? *description : token.toString());
    }
    return parts.join(QStringLiteral(" | "));
}

} // namespace kovo
