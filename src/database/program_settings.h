#pragma once

#include <QString>

namespace kovo {

struct WindowPlacement {
    double width = 0;
    double height = 0;
    double top = 0;
    double left = 0;
    int state = 0;        // 0 normal, 1 minimised, 2 maximised
    bool present = false; // false when the file held no usable width and height
};

// kovo.ini in the program folder: what the program remembers between runs. Every setter writes
// its key to the file at once, as the menus that change them expect.
class ProgramSettings {
public:
    explicit ProgramSettings(const QString& programFolder);

    QString path() const { return m_path; }
    bool fileExisted() const { return m_fileExisted; }

    // Reads the Main section with its conversions: numeric keys become the decimal text of their
    // numeric value ("" -> "0"); a ComPort that names a device ("/dev/ttyUSB0", "tcp://h:p",
    // "COM3", the built-in emulator) is kept as it is.
    void load();

    QString lastRCFile() const { return m_lastRCFile; }
    void setLastRCFile(const QString& path);
    QString comPort() const { return m_comPort; }
    void setComPort(const QString& port);
    QString dtmfComPort() const { return m_dtmfComPort; }
    void setDtmfComPort(const QString& port);
    QString whichSend() const { return m_whichSend; } // "1" DTR, "2" RTS
    void setWhichSend(const QString& line);
    QString dtmfDelay() const { return m_dtmfDelay; }
    void setDtmfDelay(const QString& ms);
    QString txTemp() const { return m_txTemp; }
    void setTxTemp(const QString& ms);
    int serialDelay() const { return m_serialDelay; }
    void setSerialDelay(int delay);
    void setMemFile(const QString& path);
    QString memFile() const;

    // Sections Main, Update and Manualsend.
    WindowPlacement placement(const QString& section) const;
    void setPlacement(const QString& section, const WindowPlacement& placement);

    // True when `ComPort` selects the serial link (anything but "0").
    bool serialLink() const { return m_comPort != QLatin1String("0"); }

    static QString normalisePort(const QString& text);

private:
    void write(const QString& section, const QString& key, const QString& value);

    QString m_path;
    bool m_fileExisted = false;
    QString m_lastRCFile;
    QString m_comPort = QStringLiteral("0");
    QString m_dtmfComPort = QStringLiteral("0");
    QString m_whichSend = QStringLiteral("0");
    QString m_dtmfDelay = QStringLiteral("0");
    QString m_txTemp = QStringLiteral("0");
    int m_serialDelay = 0;
};

} // namespace kovo
