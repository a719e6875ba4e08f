#include "program_settings.h"

#include "database.h"
#include "profile_file.h"

#include <QDir>
#include <QFileInfo>

namespace kovo {
namespace {

const QString Main = QStringLiteral("Main");

QString numericText(const QString& text) {
    return QString::number(numericInt(text));
}

bool readNumber(const QString& text, double* number) {
    bool ok = false;
    *number = text.trimmed().toDouble(&ok);
    return ok;
}

} // namespace

ProgramSettings::ProgramSettings(const QString& programFolder)
    : m_path(QDir(programFolder).filePath(QStringLiteral("kovo.ini"))) {}

QString ProgramSettings::normalisePort(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("0");
    const QChar first = trimmed.front();
    if (first.isDigit() || first == QLatin1Char('-') || first == QLatin1Char('+'))
        return numericText(trimmed);
    return trimmed; // a device name: "/dev/ttyUSB0", "tcp://host:4001", "COM3", the emulator
}

void ProgramSettings::load() {
    const ProfileFile file = ProfileFile::load(m_path);
    m_fileExisted = file.existed();
    m_lastRCFile = file.read(Main, QStringLiteral("LastRCFile"));
    m_comPort = normalisePort(file.read(Main, QStringLiteral("ComPort")));
    m_dtmfComPort = normalisePort(file.read(Main, QStringLiteral("DTMFComPort")));
    m_whichSend = numericText(file.read(Main, QStringLiteral("WhichSend")));
    m_dtmfDelay = numericText(file.read(Main, QStringLiteral("DTMFDelay")));
    m_txTemp = numericText(file.read(Main, QStringLiteral("TxTemp")));
    m_serialDelay = numericInt(file.read(Main, QStringLiteral("SerialDelay")));
}

void ProgramSettings::write(const QString& section, const QString& key, const QString& value) {
    writeIni(section, key, value, m_path);
}

void ProgramSettings::setLastRCFile(const QString& path) {
    m_lastRCFile = path;
    write(Main, QStringLiteral("LastRCFile"), path);
}

void ProgramSettings::setComPort(const QString& port) {
    m_comPort = normalisePort(port);
    write(Main, QStringLiteral("ComPort"), m_comPort);
}

void ProgramSettings::setDtmfComPort(const QString& port) {
    m_dtmfComPort = normalisePort(port);
    write(Main, QStringLiteral("DTMFComPort"), m_dtmfComPort);
}

void ProgramSettings::setWhichSend(const QString& line) {
    m_whichSend = numericText(line);
    write(Main, QStringLiteral("WhichSend"), m_whichSend);
}

void ProgramSettings::setDtmfDelay(const QString& ms) {
    m_dtmfDelay = numericText(ms);
    write(Main, QStringLiteral("DTMFDelay"), m_dtmfDelay);
}

void ProgramSettings::setTxTemp(const QString& ms) {
    m_txTemp = numericText(ms);
    write(Main, QStringLiteral("TxTemp"), m_txTemp);
}

void ProgramSettings::setSerialDelay(int delay) {
    m_serialDelay = delay;
    write(Main, QStringLiteral("SerialDelay"), QString::number(delay));
}

void ProgramSettings::setMemFile(const QString& path) {
    write(Main, QStringLiteral("MemFile"), path);
}

QString ProgramSettings::memFile() const {
    return readIni(Main, u"MemFile", m_path);
}

WindowPlacement ProgramSettings::placement(const QString& section) const {
    const ProfileFile file = ProfileFile::load(m_path);
    WindowPlacement placement;
    const bool haveWidth =
        readNumber(file.read(section, QStringLiteral("Window Width")), &placement.width);
    const bool haveHeight =
        readNumber(file.read(section, QStringLiteral("Window Height")), &placement.height);
    readNumber(file.read(section, QStringLiteral("Window Top")), &placement.top);
    readNumber(file.read(section, QStringLiteral("Window Left")), &placement.left);
    placement.state = numericInt(file.read(section, QStringLiteral("Window State")));
    if (placement.state < 0 || placement.state > 2)
        placement.state = 0;
    placement.present = haveWidth && haveHeight && placement.width > 0 && placement.height > 0;
    return placement;
}

void ProgramSettings::setPlacement(const QString& section, const WindowPlacement& placement) {
    ProfileFile file = ProfileFile::load(m_path);
    if (!file.ok())
        return;
    file.write(section, QStringLiteral("Window Width"), QString::number(placement.width));
    file.write(section, QStringLiteral("Window Height"), QString::number(placement.height));
    file.write(section, QStringLiteral("Window Top"), QString::number(placement.top));
    file.write(section, QStringLiteral("Window Left"), QString::number(placement.left));
    file.write(section, QStringLiteral("Window State"), QString::number(placement.state));
    file.save(m_path);
}

} // namespace kovo
