#pragma once

#include "shell_services.h"

#include <QObject>
#include <array>

class QAction;
class QMenu;
class QMenuBar;

namespace kovo {

class LinkWorker;

// The "Con&figure Kovo" menu: the serial port (Com1 to Com8, the built-in emulator, this
// machine's other ports, any other device), the tone link's PTT port and line, and the delays.
// Its check marks always show the link in force.
class ConfigureMenu : public QObject {
    Q_OBJECT

public:
    ConfigureMenu(const ShellServices& services, LinkWorker& link, QMenuBar* bar);

    // The check marks from the settings in force.
    void setCheckMarks();

signals:
    // The link settings changed.
    void linkChanged();

private:
    void refreshSystemPorts();
    void chooseSerialPort(const QString& port);
    void choosePttPort(int port);
    void choosePttLine(int line);
    void chooseOtherPort();
    void portTest();
    void askToneDelay(bool keyUp);
    void askSerialDelay();
    void changed();

    ShellServices m_services;
    ProgramSettings& m_settings;
    MessageService& m_messages;
    LinkWorker& m_link;

    QMenu* m_serialMenu = nullptr;
    std::array<QAction*, 8> m_com{};
    std::array<QAction*, 8> m_pttCom{};
    QAction* m_dtr = nullptr;
    QAction* m_rts = nullptr;
    QAction* m_builtIn = nullptr;
    QAction* m_otherPort = nullptr;
    QList<QAction*> m_systemPortItems;
    QString m_lastOtherPort;
};

} // namespace kovo
