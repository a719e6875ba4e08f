#include "emulator/tarsis_memory.h"

#include "emulator/tarsis_commands.h"
#include "emulator/tarsis_layout.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace kovo {

using namespace tarsis;

TarsisMemory::TarsisMemory() : m_bytes(Size, '\0') {
    // Factory contents: every setting at the value the controller ships with.
    TarsisCommands w(*this, 1, TarsisCommands::Transport::Serial);
    for (int p = 0; p < 3; ++p) {
        w.setByte(At::GeneralTimerMacro + p, 1);
        w.setByte(At::HangTime + p, 50);
        w.setByte(At::IIDTime + p, 10);
        w.setByte(At::PIDTime + p, 10);
        w.setByte(At::TxEnable + p, 1);
        w.setByte(At::DTMFCovertone + p, 1);
        w.setByte(At::DTMFTime + 2 * p, 7);
        w.setByte(At::Kerchunk + p, 0);
        w.setWord(At::KerchunkTime + 2 * p, 1000);
        w.setByte(At::CTCSSID + p, 0);
        w.setByte(At::CTCSSCT + p, 1);
        w.setByte(At::PLEncodePolarity + p, 0);
        w.setByte(At::DTMFEnable + p, 1);
        w.setByte(At::DTMFNeedPL + p, 0);
        w.setText(At::CurrentPortUnlock + 9 * p, 9, QString(QString::number(p + 1) + u"6470"_s));
        w.setByte(At::SpeechIDOverride + p, 1);
        w.setWord(At::CWTone1 + 2 * p, 500);
        w.setWord(At::CWTone2 + 2 * p, 0);
        w.setByte(At::CWSpeed + p, 20);
        w.setByte(At::PLAccess + p, 0);
        w.setByte(At::MonMix + p, 1);
        w.setWord(At::AuxTime + 2 * p, 50);
        w.setByte(At::InActiveTime + p, 20);
        w.setByte(At::DisableTimeout + p, 0);
        w.setByte(At::SpeechOverride + p, 1);
        w.setByte(At::CTCSSTime + p, 50);
        w.setByte(At::FDup + p, 1);
        w.setWord(At::TimeOut + 2 * p, 180);
        w.setByte(At::DTMFMute + p, 1);
        w.setWord(At::InActivityMacro + 2 * p, 1);
        w.setWord(At::GeneralTimer + 2 * p, 0);
        w.setWord(At::IDSpeakTime + 2 * p, 60);
        w.setByte(At::SpeechEnable + p, 1);
        w.setByte(At::P1MessageNum + p, 1);
        w.setByte(At::P2MessageNum + p, 1);
        w.setByte(At::P3MessageNum + p, 1);
        w.setByte(At::TailMessageNum + p, 0);
        w.setWord(At::AnnounceTime + 2 * p, 0);
        w.setByte(At::TailCounter + p, 0);
        // "T A R S I S" as every identifier.
        const QByteArray cw = QByteArrayLiteral("\x51\x15\x48\x49\x2B\x49");    // 81 21 72 73 43 73
        const QByteArray voice = QByteArrayLiteral("\x31\x1E\x2F\x30\x26\x30"); // 49 30 47 48 38 48
        w.storeCodes(At::CWID1 + CwIdSize * p, CwIdSize, cw, 0);
        w.storeCodes(At::CWID2 + CwIdSize * p, CwIdSize, cw, 0);
        w.setByte(At::CWIDLength + p, 6);
        w.setByte(At::CWIDLength + 3 + p, 6);
        for (int id = 0; id < 3; ++id) {
            w.storeCodes(At::VoiceID1 + 66 * id + VoiceIdSize * p, VoiceIdSize, voice, 0);
            w.setByte(At::VoiceIDLength + 3 * id + p, 6);
        }
        m_kept.insert(indexedKey("RxEnable", p + 1), u"1"_s);
        m_kept.insert(indexedKey("COSClose", p + 1), u"0"_s);
    }
    w.setText(At::DTMFTestPrefix, 6, u"99");
    w.setByte(At::SayHour, 1);
    w.setByte(At::TimeoutLink, 0);
    w.setWord(At::XmtDelay, 1000);
    w.setText(At::MacroSubset, 5, u"0");
    for (int a = 0; a < 5; ++a) {
        w.setByte(At::Alarm + a, 1);
        w.setByte(At::AlarmLowMacroNum + a, 1);
        w.setByte(At::AlarmHighMacroNum + a, 1);
    }
    w.setWord(At::Vref, 500);
    for (int a = 0; a < 10; ++a)
        w.setByte(At::MeterAlarmMacro + a, 1);
    for (int s = 0; s < 20; ++s) {
        w.setByte(At::DOW + s, 0);
        w.setByte(At::Hours + s, 25);
        w.setByte(At::Minutes + s, 0);
        w.setByte(At::MacroToRun + s, 1);
    }
    for (int f = 8; f < 16; ++f) // delays and durations of 250 ms, tones off
        for (int p = 0; p < 3; ++p)
            for (int t = 0; t < 10; ++t)
                w.setWord(At::Courtesy + 20 * (3 * f + p) + 2 * t, 250);
    w.setByte(At::RadioType, 4);
    w.setByte(At::YaesuType, 1);
    w.setByte(At::FanTime, 1);
    w.setByte(At::TwentyFour, 0);
    w.setByte(At::FanSelect, 0);
    w.setByte(At::DTMFDur, 100);
    w.setByte(At::DTMFDelay, 100);
    for (int m = 0; m < 20; ++m)
        w.storeCodes(At::DTMFMemory + DtmfMemorySize * m, DtmfMemorySize, {}, 255);
    for (int m = 0; m < 10; ++m)
        w.setByte(At::RadioMode + m, 4);
    w.setByte(At::EnablePatch, 1);
    w.setByte(At::PatchMute, 1);
    for (int m = 1; m <= 40; ++m)
        w.storeAccessCode(At::MacroCode + CodeSize * (m - 1),
                          QString(u"1090"_s + QString::number(m)));
    for (int m = 41; m <= 90; ++m)
        w.storeAccessCode(At::ShortMacroCode + CodeSize * (m - 41),
                          QString(u"1090"_s + QString::number(m + 9)));
    for (int m = 0; m < 90; ++m)
        w.setByte(At::PortToAllow + m, 123);
    w.setText(At::RemoteBasePrefix, 6, u"B1");
    w.setText(At::Lock, 5, u"#");
    w.setText(At::Terminator, 2, u"D");
    w.setByte(At::SayYear, 1);
    w.setByte(At::DTMFPort, 1);
    w.setByte(At::DTMFSpeech, 0);
    w.setText(At::APPrefix, 6, u"A1");

    m_kept.insert(u"CommandPrefix"_s, u"90417"_s);
    m_kept.insert(u"AnswerCode"_s, u"6817"_s);
    m_kept.insert(u"RingNumber"_s, u"2"_s);
    m_kept.insert(u"APTimeOut"_s, u"120"_s);
    m_kept.insert(u"PreProgramPrefix"_s, u"0"_s);
    m_kept.insert(u"DTMFMuteDigitSelect"_s, u"1"_s);
}

CommandOutcome TarsisMemory::applySerialLine(QStringView line) {
    while (!line.isEmpty() && (line.back() == u'\r' || line.back() == u'\n'))
        line.chop(1);
    if (line.isEmpty())
        return refused(u"empty line"_s);
    const QChar port = line.front();
    if (port < u'1' || port > u'3')
        return refused(u"a line starts with the port digit 1, 2 or 3"_s);
    TarsisCommands commands(*this, port.unicode() - u'0', TarsisCommands::Transport::Serial);
    return commands.run(line.mid(1));
}

CommandOutcome TarsisMemory::applyDtmfBody(int port, QStringView digits) {
    if (port < 1 || port > 3)
        return refused(u"no port unlocked"_s);
    for (QChar c : digits)
        if (!isDtmfCharacter(c))
            return refused(u"not a DTMF digit"_s);
    TarsisCommands commands(*this, port, TarsisCommands::Transport::Dtmf);
    return commands.run(digits);
}

void TarsisMemory::setBytes(const QByteArray& bytes) {
    Q_ASSERT(bytes.size() == Size);
    if (bytes.size() == Size)
        m_bytes = bytes;
}

QStringList TarsisMemory::memoryLines() const {
    QStringList lines;
    lines.reserve(Size);
    for (int i = 0; i < Size; ++i)
        lines << QString::number(i) + u',' +
                     QString::number(static_cast<unsigned char>(m_bytes[i]));
    return lines;
}

QStringList TarsisMemory::ostrikRecords() const {
    QStringList records;
    const auto entries = [&](const char* name, const char* tag, int count) {
        for (int n = 1; n <= count; ++n) {
            const QString number = m_kept.value(indexedKey(name, n));
            if (!number.isEmpty())
                records << QString::fromLatin1(tag) + QString::number(n).rightJustified(3, u'0') +
                               number;
        }
    };
    entries("AutoDial", "RA", 200);
    entries("TollRestrict", "RT", 100);
    records << u"RS"_s + m_kept.value(u"APTimeOut"_s);
    records << u"RR"_s + m_kept.value(u"RingNumber"_s);
    records << u"RIOstrik autopatch"_s;
    records << u"RIComplete"_s;
    return records;
}

bool TarsisMemory::load(const QString& path, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(u"cannot read "_s + path + u": "_s + file.errorString());
    QByteArray bytes(Size, '\0');
    int count = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        if (count >= Size)
            return fail(path + u" holds more than 4096 memory lines"_s);
        const qsizetype comma = line.indexOf(',');
        bool ok = false;
        const int value = comma < 0 ? -1 : line.mid(comma + 1).trimmed().toInt(&ok);
        if (!ok || value < 0 || value > 255)
            return fail(path + u": line "_s + QString::number(count + 1) +
                        u" is not \"position,value\""_s);
        bytes[count++] = static_cast<char>(value);
    }
    if (count != Size)
        return fail(path + u" holds "_s + QString::number(count) + u" memory lines, not 4096"_s);
    QMap<QString, QString> kept = m_kept;
    QFile keptFile(path + u".kept"_s);
    if (keptFile.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!keptFile.atEnd()) {
            const QString line = QString::fromUtf8(keptFile.readLine()).trimmed();
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0)
                kept.insert(line.left(equals), line.mid(equals + 1));
        }
    }
    m_bytes = bytes;
    m_kept = kept;
    return true;
}

bool TarsisMemory::save(const QString& path, QString* error) const {
    const auto write = [&](const QString& target, const QStringList& lines) {
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
            if (error)
                *error = u"cannot write "_s + target + u": "_s + file.errorString();
            return false;
        }
        QTextStream out(&file);
        for (const QString& line : lines)
            out << line << '\n';
        out.flush();
        if (!file.commit()) {
            if (error)
                *error = u"cannot write "_s + target + u": "_s + file.errorString();
            return false;
        }
        return true;
    };
    QStringList kept;
    for (auto it = m_kept.cbegin(); it != m_kept.cend(); ++it)
        kept << it.key() + u'=' + it.value();
    return write(path, memoryLines()) && write(path + u".kept"_s, kept);
}

} // namespace kovo
