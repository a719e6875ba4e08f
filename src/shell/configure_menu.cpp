#include "configure_menu.h"

#include "built_in_emulator.h"
#include "editors/program_info.h"
#include "link/channel_factory.h"
#include "link_worker.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSerialPortInfo>

namespace kovo {

namespace {

const QString DelayPrompt = QStringLiteral("Enter the delay time in milliseconds");
const QString NoSuchPort =
    QStringLiteral("Sorry, that Comport does not exist on your system. Please try again");
const QString OtherPortCaption = QStringLiteral("Other port…");

bool openAndClosePort(const QString& port, QString* reason) {
    std::unique_ptr<Channel> channel = ChannelFactory::create(port, reason);
    if (!channel)
        return false;
    if (!channel->open(reason))
        return false;
    channel->close();
    return true;
}

QVector<SystemPort> systemSerialPorts() {
    // The first eight ports already have their items Com1 to Com8.
#ifdef Q_OS_WIN
    static const QRegularExpression firstEight(QStringLiteral("^COM[1-8]$"),
                                               QRegularExpression::CaseInsensitiveOption);
#else
    static const QRegularExpression firstEight(QStringLiteral("^ttyS[0-7]$"));
#endif
    QVector<SystemPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (firstEight.match(info.portName()).hasMatch())
            continue;
#ifdef Q_OS_WIN
        ports.append({info.portName(), info.portName()});
#else
        ports.append({info.portName(), info.systemLocation()});
#endif
    }
    return ports;
}

// The number 1-8 of a ComPort that names one of the first eight ports ("5", "COM5"), else 0.
int comNumber(const QString& port) {
    static const QRegularExpression numbered(QStringLiteral("^(?:COM)?([1-8])$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = numbered.match(port.trimmed());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QAction* addItem(QMenu* menu, const char* name, const QString& caption, bool checkable) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(checkable);
    return action;
}

} // namespace

ConfigureMenu::ConfigureMenu(const ShellServices& services, LinkWorker& link, QMenuBar* bar)
    : QObject(bar), m_services(services), m_settings(services.settings),
      m_messages(services.messages), m_link(link) {
    if (!m_services.portTester)
        m_services.portTester = openAndClosePort;
    if (!m_services.systemPorts)
        m_services.systemPorts = systemSerialPorts;

    QMenu* config = bar->addMenu(QStringLiteral("Con&figure Kovo"));
    config->setObjectName(QStringLiteral("mnuFileConfig"));

    m_serialMenu = config->addMenu(QStringLiteral("&Use Serial Port"));
    m_serialMenu->setObjectName(QStringLiteral("mnuConfigSerialPort"));
    connect(addItem(m_serialMenu, "mnuSerialDelay", QStringLiteral("DelayTime"), false),
            &QAction::triggered, this, &ConfigureMenu::askSerialDelay);
    for (int n = 1; n <= 8; ++n) {
        const QByteArray name = "mnuCom" + QByteArray::number(n);
        m_com[n - 1] =
            addItem(m_serialMenu, name.constData(), QStringLiteral("Com%1").arg(n), true);
        connect(m_com[n - 1], &QAction::triggered, this,
                [this, n] { chooseSerialPort(QString::number(n)); });
    }
    m_builtIn = addItem(m_serialMenu, "mnuBuiltInEmulator", BuiltInEmulator::portName(), true);
    connect(m_builtIn, &QAction::triggered, this,
            [this] { chooseSerialPort(BuiltInEmulator::portName()); });
    m_serialMenu->addSeparator();
    m_otherPort = addItem(m_serialMenu, "mnuOtherPort", OtherPortCaption, true);
    connect(m_otherPort, &QAction::triggered, this, &ConfigureMenu::chooseOtherPort);
    // The machine's ports are listed each time the menu opens (adapters come and go), and not
    // before: asking the system for them costs start-up time.
    connect(m_serialMenu, &QMenu::aboutToShow, this, &ConfigureMenu::refreshSystemPorts);

    QMenu* dtmf = config->addMenu(QStringLiteral("&Use DTMF"));
    dtmf->setObjectName(QStringLiteral("mnuConfigDTMF"));
    connect(addItem(dtmf, "mnuDTMFDelay", QStringLiteral("Set Interdigit Delay"), false),
            &QAction::triggered, this, [this] { askToneDelay(false); });
    connect(addItem(dtmf, "mnuConfigureTXDelay", QStringLiteral("Set KeyUp Delay"), false),
            &QAction::triggered, this, [this] { askToneDelay(true); });
    for (int n = 1; n <= 8; ++n) {
        const QByteArray name = "mnuDTMFCom" + QByteArray::number(n);
        m_pttCom[n - 1] =
            addItem(dtmf, name.constData(), QStringLiteral("Use Com%1 for PTT").arg(n), true);
        connect(m_pttCom[n - 1], &QAction::triggered, this, [this, n] { choosePttPort(n); });
    }
    m_rts = addItem(dtmf, "mnuUseDTMFRTS", QStringLiteral("RTS for PTT"), true);
    m_dtr = addItem(dtmf, "mnuUseDTMFDTR", QStringLiteral("DTR for PTT"), true);
    connect(m_dtr, &QAction::triggered, this, [this] { choosePttLine(1); });
    connect(m_rts, &QAction::triggered, this, [this] { choosePttLine(2); });
}

void ConfigureMenu::refreshSystemPorts() {
    for (QAction* item : std::as_const(m_systemPortItems)) {
        m_serialMenu->removeAction(item);
        item->deleteLater();
    }
    m_systemPortItems.clear();
    for (const SystemPort& port : m_services.systemPorts()) {
        auto* item = new QAction(port.caption, m_serialMenu);
        item->setObjectName(QStringLiteral("mnuSystemPort(%1)").arg(port.caption));
        item->setCheckable(true);
        item->setData(port.comPort);
        m_serialMenu->insertAction(m_otherPort, item);
        const QString value = port.comPort;
        connect(item, &QAction::triggered, this, [this, value] { chooseSerialPort(value); });
        m_systemPortItems.append(item);
    }
    setCheckMarks();
}

// The marks follow the settings alone, so whatever changed them, the menu shows the link in
// force: in tone mode no serial port is ticked, in serial mode no PTT line.
void ConfigureMenu::setCheckMarks() {
    const QString comPort = m_settings.comPort();
    const bool serial = m_settings.serialLink();
    const int com = serial ? comNumber(comPort) : 0;
    for (int n = 1; n <= 8; ++n)
        m_com[n - 1]->setChecked(com == n);
    const bool builtIn = serial && BuiltInEmulator::isBuiltIn(comPort);
    m_builtIn->setChecked(builtIn);
    bool listed = builtIn || com != 0;
    for (QAction* item : std::as_const(m_systemPortItems)) {
        item->setChecked(serial && com == 0 && item->data().toString() == comPort);
        listed = listed || item->isChecked();
    }
    const bool other = serial && !listed && !comPort.isEmpty();
    m_otherPort->setChecked(other);
    if (other)
        m_lastOtherPort = comPort;
    m_otherPort->setText(other ? QStringLiteral("Other port (%1)…").arg(comPort)
                               : OtherPortCaption);
    const int ptt = serial ? 0 : comNumber(m_settings.dtmfComPort());
    for (int n = 1; n <= 8; ++n)
        m_pttCom[n - 1]->setChecked(ptt == n);
    m_dtr->setChecked(!serial && m_settings.whichSend() == QLatin1String("1"));
    m_rts->setChecked(!serial && m_settings.whichSend() == QLatin1String("2"));
}

void ConfigureMenu::changed() {
    setCheckMarks();
    emit linkChanged();
}

void ConfigureMenu::portTest() {
    // The port the upload window holds open is known to exist.
    if (m_link.portOpen())
        return;
    const QString port = m_settings.comPort() != QLatin1String("0") ? m_settings.comPort()
                                                                    : m_settings.dtmfComPort();
    QString reason;
    if (!m_services.portTester(port, &reason))
        m_messages.message(NoSuchPort, programTitle());
}

void ConfigureMenu::chooseSerialPort(const QString& port) {
    m_settings.setComPort(port);
    m_settings.setDtmfComPort(QStringLiteral("0"));
    portTest();
    changed();
}

void ConfigureMenu::chooseOtherPort() {
    const QString current = m_settings.comPort();
    const bool currentIsOther = comNumber(current) == 0 && current != QLatin1String("0") &&
                                !BuiltInEmulator::isBuiltIn(current);
    const std::optional<QString> answer = m_messages.input(
        QStringLiteral("Enter the serial device (for example /dev/ttyUSB0 or COM12) or "
                       "tcp://host:port"),
        QStringLiteral("Other Port"), currentIsOther ? current : m_lastOtherPort);
    const QString port = answer.value_or(QString()).trimmed();
    if (port.isEmpty()) {
        setCheckMarks();
        return;
    }
    m_lastOtherPort = port;
    const int com = comNumber(port);
    chooseSerialPort(com ? QString::number(com) : port);
}

void ConfigureMenu::choosePttPort(int port) {
    m_settings.setDtmfComPort(QString::number(port));
    m_settings.setComPort(QStringLiteral("0"));
    changed();
    portTest();
}

void ConfigureMenu::choosePttLine(int line) {
    m_settings.setWhichSend(QString::number(line));
    m_settings.setComPort(QStringLiteral("0"));
    changed();
}

void ConfigureMenu::askToneDelay(bool keyUp) {
    m_settings.setComPort(QStringLiteral("0"));
    changed();
    const QString current = keyUp ? m_settings.txTemp() : m_settings.dtmfDelay();
    const std::optional<QString> answer =
        m_messages.input(DelayPrompt, QStringLiteral("DTMF Interdigit Delay"), current);
    const QString value = QString::number(numericInt(answer.value_or(QString())));
    if (keyUp)
        m_settings.setTxTemp(value);
    else
        m_settings.setDtmfDelay(value);
}

void ConfigureMenu::askSerialDelay() {
    const std::optional<QString> answer =
        m_messages.input(DelayPrompt, QStringLiteral("Serial Port Delay"),
                         QString::number(m_settings.serialDelay()));
    int delay = numericInt(answer.value_or(QString()));
    if (delay > 1) {
        m_messages.message(QStringLiteral("Value may be no greater than 1"), programTitle());
        delay = 1;
    }
    if (delay < 0)
        delay = 0;
    m_settings.setSerialDelay(delay);
}

} // namespace kovo
