#include "kovo_main.h"

#include "about_window.h"
#include "built_in_emulator.h"
#include "company_window.h"
#include "database/database_file.h"
#include "download_window.h"
#include "editor_factory.h"
#include "editors/editor_window.h"
#include "editors/port_switches_editor.h"
#include "editors/port_timer_coupling.h"
#include "editors/program_info.h"
#include "editors/scheduler_editor.h"
#include "editors/timers_editor.h"
#include "gui_operator.h"
#include "link/channel_factory.h"
#include "link/qt_audio_output.h"
#include "link/serial_link.h"
#include "link_action_runner.h"
#include "link_worker.h"
#include "manual_send_window.h"
#include "report_exporter.h"
#include "saving_window.h"
#include "title_bar.h"
#include "touch_tone_pad.h"
#include "upload_window.h"
#include "window_placement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScreen>
#include <QSerialPortInfo>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace kovo {

namespace {

const QString OpenTitle = QStringLiteral("Open Controller Database File");
const QString SaveAsTitle = QStringLiteral("Save Controller Database File");
const QString StartUpFilter = QStringLiteral("Tarsis Memory Files (*.dat)");
const QString DatabaseFilter = QStringLiteral("Tarsis Database Files (*.dat)");
const QString SaveDatabaseTitle = QStringLiteral("Save Database");
const QString DelayPrompt = QStringLiteral("Enter the delay time in milliseconds");
const QString NoSuchPort =
    QStringLiteral("Sorry, that Comport does not exist on your system. Please try again");

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
    static const QRegularExpression firstEight(QStringLiteral("^COM[1-8]$"),
                                               QRegularExpression::CaseInsensitiveOption);
    QVector<SystemPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        // COM1 to COM8 already have their own items.
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

QAction* addItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut = {}) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

} // namespace

KovoMain::KovoMain(const ShellServices& services, QWidget* parent)
    : QMainWindow(parent), m_services(services), m_db(services.db), m_settings(services.settings),
      m_messages(services.messages) {
    setObjectName(QStringLiteral("KovoMain"));
    setWindowTitle(mainCaption());
    if (!m_services.portTester)
        m_services.portTester = openAndClosePort;
    if (!m_services.systemPorts)
        m_services.systemPorts = systemSerialPorts;

    m_emulator = std::make_unique<BuiltInEmulator>(m_services.programFolder);
    m_link = new LinkWorker(m_messages, this);
    connect(m_link, &LinkWorker::busyChanged, this, &KovoMain::linkBusy);
    // What the emulated controller holds survives the program.
    m_link->setAfterEachJob([emulator = m_emulator.get()] { emulator->saveIfChanged(); });
    m_actionRunner = std::make_unique<LinkActionRunner>(*m_link, m_db, m_settings,
                                                        [this] { return m_currentFile; });

    // The timers and port switches editors set each other's controls; either is made when the
    // other's Apply needs it.
    m_portTimers = new PortTimerCoupling(
        [this] { return qobject_cast<TimersEditor*>(ensureEditor(TimersTab)); },
        [this] { return qobject_cast<PortSwitchesEditor*>(ensureEditor(PortSwitchesTab)); }, this);

    buildMenus();
    buildToolbar();
    buildCentre();
    m_saving = new SavingWindow(this);
    m_download = new DownloadWindow(m_link->person(), this);

    // Tick counters for the download's waits: one per second, up to 5.
    m_serialTimer = new QTimer(this);
    m_serialTimer->setObjectName(QStringLiteral("SerialTimer"));
    m_serialTimer2 = new QTimer(this);
    m_serialTimer2->setObjectName(QStringLiteral("SerialTimer2"));
    for (int i = 0; i < 2; ++i) {
        QTimer* timer = i == 0 ? m_serialTimer : m_serialTimer2;
        timer->setInterval(1000);
        connect(timer, &QTimer::timeout, this, [this, i] {
            if (m_serialTicks[i] < 5)
                ++m_serialTicks[i];
        });
        timer->start();
    }
}

KovoMain::~KovoMain() {
    m_link->shutDown();
    // The pad plays on m_padAudio, which goes before the child windows do.
    delete m_pad;
    closeEditors();
}

QString KovoMain::editorCaption(int tab) {
    return editorTitle(tab);
}

QString KovoMain::saveQuestion() {
    return QStringLiteral("You have not saved your new settings. All changes will be lost unless "
                          "you do. Do you want to save the database file before exiting?");
}

// --- building -------------------------------------------------------------------------------

void KovoMain::buildMenus() {
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    connect(addItem(file, "mnuFileNew", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N)),
            &QAction::triggered, this, &KovoMain::fileNew);
    connect(
        addItem(file, "mnuFileOpen", QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O)),
        &QAction::triggered, this, &KovoMain::fileOpen);
    connect(
        addItem(file, "mnuFileSave", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S)),
        &QAction::triggered, this, &KovoMain::fileSave);
    connect(addItem(file, "mnuFileSaveAs", QStringLiteral("Save &As"),
                    QKeySequence(Qt::CTRL | Qt::Key_A)),
            &QAction::triggered, this, &KovoMain::fileSaveAs);
    connect(addItem(file, "mnuExportReport", QStringLiteral("Export &Report…")),
            &QAction::triggered, this, [this] {
                ReportExporter(m_db, m_services.dialogs, m_messages)
                    .exportReport(dialogFolder(), m_currentFile);
            });
    connect(
        addItem(file, "mnuFileExit", QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X)),
        &QAction::triggered, this, [this] { fileExit(); });

    QMenu* config = bar->addMenu(QStringLiteral("Con&figure Kovo"));
    config->setObjectName(QStringLiteral("mnuFileConfig"));

    m_serialMenu = config->addMenu(QStringLiteral("&Use Serial Port"));
    m_serialMenu->setObjectName(QStringLiteral("mnuConfigSerialPort"));
    connect(addItem(m_serialMenu, "mnuSerialDelay", QStringLiteral("DelayTime")),
            &QAction::triggered, this, &KovoMain::askSerialDelay);
    for (int n = 1; n <= 8; ++n) {
        const QByteArray name = "mnuCom" + QByteArray::number(n);
        QAction* item = addItem(m_serialMenu, name.constData(), QStringLiteral("Com%1").arg(n));
        item->setCheckable(true);
        m_com[n - 1] = item;
        connect(item, &QAction::triggered, this,
                [this, n, item] { chooseSerialPort(QString::number(n), item); });
    }
    m_builtIn = addItem(m_serialMenu, "mnuBuiltInEmulator", BuiltInEmulator::portName());
    m_builtIn->setCheckable(true);
    connect(m_builtIn, &QAction::triggered, this,
            [this] { chooseSerialPort(BuiltInEmulator::portName(), m_builtIn); });
    m_systemPortsSeparator = m_serialMenu->addSeparator();
    m_otherPort = addItem(m_serialMenu, "mnuOtherPort", QStringLiteral("Other port…"));
    m_otherPort->setCheckable(true);
    connect(m_otherPort, &QAction::triggered, this, &KovoMain::chooseOtherPort);
    // The machine's ports are listed each time the menu opens (adapters come and go), and not
    // before: asking the system for them costs start-up time.
    connect(m_serialMenu, &QMenu::aboutToShow, this, &KovoMain::refreshSystemPorts);

    QMenu* dtmf = config->addMenu(QStringLiteral("&Use DTMF"));
    dtmf->setObjectName(QStringLiteral("mnuConfigDTMF"));
    connect(addItem(dtmf, "mnuDTMFDelay", QStringLiteral("Set Interdigit Delay")),
            &QAction::triggered, this, [this] { askToneDelay(false); });
    connect(addItem(dtmf, "mnuConfigureTXDelay", QStringLiteral("Set KeyUp Delay")),
            &QAction::triggered, this, [this] { askToneDelay(true); });
    for (int n = 1; n <= 8; ++n) {
        const QByteArray name = "mnuDTMFCom" + QByteArray::number(n);
        QAction* item = addItem(dtmf, name.constData(), QStringLiteral("Use Com%1 for PTT").arg(n));
        item->setCheckable(true);
        m_pttCom[n - 1] = item;
        connect(item, &QAction::triggered, this, [this, n] { choosePttPort(n); });
    }
    m_rts = addItem(dtmf, "mnuUseDTMFRTS", QStringLiteral("RTS for PTT"));
    m_dtr = addItem(dtmf, "mnuUseDTMFDTR", QStringLiteral("DTR for PTT"));
    m_rts->setCheckable(true);
    m_dtr->setCheckable(true);
    connect(m_dtr, &QAction::triggered, this, [this] { choosePttLine(1); });
    connect(m_rts, &QAction::triggered, this, [this] { choosePttLine(2); });

    QAction* testPad = bar->addAction(QStringLiteral("&DTMF Test Pad"));
    testPad->setObjectName(QStringLiteral("MnuTestPad"));
    connect(testPad, &QAction::triggered, this, [this] { touchTonePad()->open(); });
    QAction* manual = bar->addAction(QStringLiteral("&Manual Data Send"));
    manual->setObjectName(QStringLiteral("MnuManualData"));
    connect(manual, &QAction::triggered, this, [this] { manualSendWindow()->open(); });

    QMenu* tarsis = bar->addMenu(QStringLiteral("&Tarsis"));
    tarsis->setObjectName(QStringLiteral("mnuTarsis"));
    connect(addItem(tarsis, "mnuTarsisUpload", QStringLiteral("Upload to Tarsis")),
            &QAction::triggered, this, &KovoMain::openUploadWindow);
    connect(addItem(tarsis, "mnuTarsisDownload", QStringLiteral("Download from Tarsis")),
            &QAction::triggered, this, &KovoMain::downloadFromTarsis);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    connect(addItem(help, "mnuAbout", QStringLiteral("&About")), &QAction::triggered, this,
            &KovoMain::showAbout);
    connect(addItem(help, "mnuCompany", QStringLiteral("&Company Information")),
            &QAction::triggered, this, &KovoMain::showCompany);
}

void KovoMain::refreshSystemPorts() {
    for (QAction* item : std::as_const(m_systemPortItems)) {
        m_serialMenu->removeAction(item);
        item->deleteLater();
    }
    m_systemPortItems.clear();
    const QString comPort = m_settings.comPort();
    for (const SystemPort& port : m_services.systemPorts()) {
        auto* item = new QAction(port.caption, m_serialMenu);
        item->setObjectName(QStringLiteral("mnuSystemPort(%1)").arg(port.caption));
        item->setCheckable(true);
        item->setChecked(comPort == port.comPort);
        item->setData(port.comPort);
        m_serialMenu->insertAction(m_otherPort, item);
        const QString value = port.comPort;
        connect(item, &QAction::triggered, this,
                [this, value, item] { chooseSerialPort(value, item); });
        m_systemPortItems.append(item);
        if (item->isChecked())
            m_otherPort->setChecked(false);
    }
}

void KovoMain::buildToolbar() {
    QToolBar* toolbar = addToolBar(QStringLiteral("Toolbar1"));
    toolbar->setObjectName(QStringLiteral("Toolbar1"));
    toolbar->setMovable(false);
    struct Button {
        const char* name;
        QStyle::StandardPixmap icon;
        const char* text;
    };
    const Button buttons[] = {
        {"Button1", QStyle::SP_FileIcon, "New"},
        {"Button2", QStyle::SP_DialogOpenButton, "Open"},
        {"Button3", QStyle::SP_DialogSaveButton, "Save"},
        {"Button8", QStyle::SP_DriveNetIcon, "Communicate with controller"},
    };
    for (const Button& button : buttons) {
        QAction* action = toolbar->addAction(style()->standardIcon(button.icon),
                                             QString::fromLatin1(button.text));
        action->setObjectName(QLatin1String(button.name));
        action->setToolTip(QString::fromLatin1(button.text));
    }
    connect(toolbar->actions().at(0), &QAction::triggered, this, &KovoMain::fileNew);
    connect(toolbar->actions().at(1), &QAction::triggered, this, &KovoMain::fileOpen);
    connect(toolbar->actions().at(2), &QAction::triggered, this, &KovoMain::fileSave);
    connect(toolbar->actions().at(3), &QAction::triggered,
            menuAction(QStringLiteral("mnuTarsisUpload")), &QAction::trigger);
}

void KovoMain::buildCentre() {
    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_tabs = new QTabBar(centre);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(true);
    for (int tab = 0; tab < EditorCount; ++tab)
        m_tabs->addTab(editorTabCaption(tab));
    m_mdi = new QMdiArea(centre);
    m_mdi->setObjectName(QStringLiteral("EditorArea"));
    layout->addWidget(m_tabs);
    layout->addWidget(m_mdi, 1);
    setCentralWidget(centre);
    m_currentTab = m_tabs->currentIndex();
    connect(m_tabs, &QTabBar::currentChanged, this, &KovoMain::onTabChanged);
}

// --- editors --------------------------------------------------------------------------------

EditorWindow* KovoMain::editor(int tab) const {
    return tab >= 0 && tab < EditorCount ? m_editors[tab].data() : nullptr;
}

EditorWindow* KovoMain::frontEditor() const {
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    return active ? qobject_cast<EditorWindow*>(active->widget()) : nullptr;
}

QAction* KovoMain::menuAction(const QString& name) const {
    return findChild<QAction*>(name);
}

EditorWindow* KovoMain::ensureEditor(int tab) {
    if (m_editors[tab])
        return m_editors[tab];
    EditorWindow* created = createEditor(tab, m_db, m_messages);
    created->setActionRunner(m_actionRunner.get());
    if (auto* timers = qobject_cast<TimersEditor*>(created))
        m_portTimers->attach(timers);
    else if (auto* portSwitches = qobject_cast<PortSwitchesEditor*>(created))
        m_portTimers->attach(portSwitches);
    else if (auto* scheduler = qobject_cast<SchedulerEditor*>(created))
        scheduler->setDatabaseFileSource([this] { return m_currentFile; });
    QMdiSubWindow* window = m_mdi->addSubWindow(created);
    window->setObjectName(editorObjectName(tab) + QLatin1String("Window"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    window->resize(window->sizeHint());
    window->move(0, 0);
    m_editors[tab] = created;
    m_windows[tab] = window;
    window->show();
    return created;
}

void KovoMain::openEditors() {
    for (int tab = 0; tab < EditorCount; ++tab)
        ensureEditor(tab);
    m_editorsOpen = true;
}

void KovoMain::closeEditors() {
    for (int tab = 0; tab < EditorCount; ++tab) {
        if (m_editors[tab])
            m_editors[tab]->suspendLeaveChecks();
    }
    for (int tab = 0; tab < EditorCount; ++tab) {
        delete m_windows[tab].data();
        m_windows[tab] = nullptr;
        m_editors[tab] = nullptr;
    }
    m_editorsOpen = false;
}

void KovoMain::bringToFront(int tab) {
    ensureEditor(tab);
    QMdiSubWindow* window = m_windows[tab];
    window->show();
    window->raise();
    m_mdi->setActiveSubWindow(window);
}

// Selecting a tab brings its editor to the front, then applies the editor that was left.
void KovoMain::onTabChanged(int tab) {
    const int previous = m_currentTab;
    m_currentTab = tab;
    if (tab < 0)
        return;
    bringToFront(tab);
    if (previous >= 0 && previous != tab && m_editors[previous])
        m_editors[previous]->apply();
}

void KovoMain::selectTab(int tab) {
    if (m_tabs->currentIndex() == tab)
        bringToFront(tab);
    else
        m_tabs->setCurrentIndex(tab);
}

// --- start-up -------------------------------------------------------------------------------

bool KovoMain::startUp(const QString& databaseFile) {
    m_services.errorLog.create(
        QDir(m_services.programFolder).filePath(QStringLiteral("error.log")));
    m_settings.load();
    if (m_builtInOnFirstStart && !m_settings.fileExisted())
        m_settings.setComPort(BuiltInEmulator::portName());
    m_currentFile = databaseFile.isEmpty() ? m_settings.lastRCFile()
                                           : QFileInfo(databaseFile).absoluteFilePath();
    if (!m_currentFile.isEmpty()) {
        rememberFolder(m_currentFile);
        loadDatabase();
    } else {
        const std::optional<QString> chosen =
            m_services.dialogs.openFile(OpenTitle, dialogFolder(), StartUpFilter);
        if (!chosen) {
            m_ended = true;
            return false;
        }
        rememberFolder(*chosen);
        m_currentFile = *chosen;
        loadDatabase();
    }
    setWindowTitle(titleBarText(m_currentFile));
    openEditors();
    applyPlacement();
    setLinkCheckMarks();
    m_db.setSettingsSaved(true);
    selectTab(TimersTab);
    if (m_db.lockTerminatorClash()) {
        selectTab(SpecialCodesTab);
        if (auto* lockBox =
                m_editors[SpecialCodesTab]->findChild<QWidget*>(QStringLiteral("NewLockSet")))
            lockBox->setFocus(Qt::OtherFocusReason);
        m_db.setLockTerminatorClash(false);
    }
    if (m_db.loadErrors())
        reportLoadErrors();
    return true;
}

void KovoMain::applyPlacement() {
    const WindowPlacement placement = m_settings.placement(QStringLiteral("Main"));
    if (const auto rect = reachablePlacement(placement, QSize(320, 240))) {
        setGeometry(*rect);
        m_initialState = placement.state;
    } else {
        resize(1180, 780);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect area = screen->availableGeometry();
            QRect frame(QPoint(0, 0), size().boundedTo(area.size()));
            frame.moveCenter(area.center());
            setGeometry(frame);
        }
        m_initialState = 0;
    }
}

void KovoMain::showAsPlaced() {
    if (m_initialState == 2)
        showMaximized();
    else if (m_initialState == 1)
        showMinimized();
    else
        show();
}

void KovoMain::writePlacement() {
    const QRect rect = (isMaximized() || isMinimized()) ? normalGeometry() : geometry();
    WindowPlacement placement;
    placement.width = rect.width();
    placement.height = rect.height();
    placement.top = rect.top();
    placement.left = rect.left();
    placement.state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    placement.present = true;
    m_settings.setPlacement(QStringLiteral("Main"), placement);
}

// --- database file --------------------------------------------------------------------------

void KovoMain::setCurrentFile(const QString& path) {
    m_currentFile = path;
    setWindowTitle(titleBarText(path));
}

void KovoMain::loadDatabase() {
    const LoadReport report = readDatabase(m_db, m_currentFile, m_services.errorLog);
    if (report.clash)
        m_messages.message(LockTerminatorClashMessage, programTitle());
}

void KovoMain::reportLoadErrors() {
    m_messages.message(LoadErrorsMessage, QStringLiteral("Error!"));
    m_db.setLoadErrors(false);
}

QString KovoMain::dialogFolder() const {
    if (!m_lastFolder.isEmpty())
        return m_lastFolder;
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Veltrane\\Kovo");
#else
    return QDir::homePath();
#endif
}

void KovoMain::rememberFolder(const QString& path) {
    const QFileInfo info(path);
    if (info.absoluteDir().exists())
        m_lastFolder = info.absolutePath();
}

void KovoMain::endProgram() {
    m_ended = true;
    // The manual send window is unloaded: it keeps its placement.
    if (m_manualSend)
        m_manualSend->close();
    // Closes the serial port; a transfer still running stops at its next check.
    m_link->shutDown();
    hide();
    emit programFinished();
}

// Closes the editors, asks for the file and loads it; a cancelled dialog ends the program.
bool KovoMain::openFromDialog(const QString& filter) {
    closeEditors();
    const std::optional<QString> chosen =
        m_services.dialogs.openFile(OpenTitle, dialogFolder(), filter);
    if (!chosen) {
        endProgram();
        return false;
    }
    rememberFolder(*chosen);
    setCurrentFile(*chosen);
    loadDatabase();
    if (m_db.loadErrors())
        reportLoadErrors();
    m_currentTab = -1;
    openEditors();
    selectTab(TimersTab);
    return true;
}

void KovoMain::fileOpen() {
    if (!m_db.settingsSaved()) {
        const Answer answer =
            m_messages.ask(saveQuestion(), SaveDatabaseTitle, Buttons::YesNoCancel);
        if (answer == Answer::Cancel)
            return;
        if (answer == Answer::Yes)
            fileSaveAs();
    }
    openFromDialog(DatabaseFilter);
}

void KovoMain::fileNew() {
    closeEditors();
    if (!m_db.settingsSaved()) {
        const Answer answer =
            m_messages.ask(saveQuestion(), SaveDatabaseTitle, Buttons::YesNoCancel);
        if (answer == Answer::Cancel) {
            m_currentTab = -1;
            openEditors();
            selectTab(m_tabs->currentIndex());
            return;
        }
        if (answer == Answer::Yes)
            fileSaveAs();
    }
    if (openFromDialog(DatabaseFilter))
        bringToFront(TimersTab);
}

bool KovoMain::writeDatabase() {
    m_saving->adjustSize();
    m_saving->move(geometry().center() - m_saving->rect().center());
    m_saving->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const SaveResult result = saveWholeDatabase(m_db, m_currentFile);
    m_saving->hide();
    if (result.ok)
        return true;
    m_db.setSettingsSaved(false);
    m_messages.message(QStringLiteral("The database file %1 could not be saved.\n\n%2")
                           .arg(QDir::toNativeSeparators(m_currentFile), result.error),
                       SaveDatabaseTitle, MessageIcon::Critical);
    return false;
}

void KovoMain::fileSave() {
    m_settings.setLastRCFile(m_currentFile);
    writeDatabase();
}

void KovoMain::fileSaveAs() {
    const std::optional<QString> chosen =
        m_services.dialogs.saveFile(SaveAsTitle, dialogFolder(), m_currentFile, DatabaseFilter);
    if (!chosen) {
        bringToFront(TimersTab);
        return;
    }
    // Declining to overwrite keeps the file in use as it was.
    if (QFileInfo::exists(*chosen) &&
        m_messages.ask(QStringLiteral("File Already Exists! Are you sure you want to overwrite?"),
                       SaveDatabaseTitle, Buttons::YesNo) != Answer::Yes)
        return;
    rememberFolder(*chosen);
    setCurrentFile(*chosen);
    m_settings.setLastRCFile(m_currentFile);
    m_db.setSettingsSaved(true);
    writeDatabase();
    if (!m_editorsOpen) {
        m_currentTab = -1;
        openEditors();
    }
    selectTab(TimersTab);
}

// --- exit -----------------------------------------------------------------------------------

bool KovoMain::fileExit() {
    if (m_db.settingsSaved()) {
        writePlacement();
        m_settings.setLastRCFile(m_currentFile);
        endProgram();
        return true;
    }
    switch (m_messages.ask(saveQuestion(), SaveDatabaseTitle, Buttons::YesNoCancel)) {
    case Answer::No:
        endProgram();
        return true;
    case Answer::Yes:
        fileSaveAs();
        if (m_db.settingsSaved()) {
            endProgram();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void KovoMain::closeEvent(QCloseEvent* event) {
    if (m_ended) {
        event->accept();
        return;
    }
    // Closing the window runs Exit; the window itself stays until Exit ends the program.
    event->ignore();
    fileExit();
}

// --- configure ------------------------------------------------------------------------------

void KovoMain::setLinkCheckMarks() {
    const QString comPort = m_settings.comPort();
    const int com = comNumber(comPort);
    for (int n = 1; n <= 8; ++n)
        m_com[n - 1]->setChecked(com == n);
    const bool builtIn = BuiltInEmulator::isBuiltIn(comPort);
    m_builtIn->setChecked(builtIn);
    bool systemPort = builtIn;
    for (QAction* item : std::as_const(m_systemPortItems)) {
        item->setChecked(com == 0 && item->data().toString() == comPort);
        systemPort = systemPort || item->isChecked();
    }
    m_otherPort->setChecked(com == 0 && !systemPort && comPort != QLatin1String("0") &&
                            !comPort.isEmpty());
    const int ptt = comNumber(m_settings.dtmfComPort());
    for (int n = 1; n <= 8; ++n)
        m_pttCom[n - 1]->setChecked(ptt == n);
    m_dtr->setChecked(m_settings.whichSend() == QLatin1String("1"));
    m_rts->setChecked(m_settings.whichSend() == QLatin1String("2"));
}

void KovoMain::portTest() {
    // The port the upload window holds open is known to exist.
    if (m_link->portOpen())
        return;
    const QString port = m_settings.comPort() != QLatin1String("0") ? m_settings.comPort()
                                                                    : m_settings.dtmfComPort();
    QString reason;
    if (!m_services.portTester(port, &reason))
        m_messages.message(NoSuchPort, programTitle());
}

void KovoMain::chooseSerialPort(const QString& port, QAction* item) {
    m_settings.setComPort(port);
    m_settings.setDtmfComPort(QStringLiteral("0"));
    portTest();
    for (QAction* other : m_com)
        other->setChecked(false);
    m_builtIn->setChecked(false);
    for (QAction* other : std::as_const(m_systemPortItems))
        other->setChecked(false);
    m_otherPort->setChecked(false);
    m_dtr->setChecked(false);
    m_rts->setChecked(false);
    item->setChecked(true);
}

void KovoMain::chooseOtherPort() {
    const QString current = m_settings.comPort();
    const std::optional<QString> answer = m_messages.input(
        QStringLiteral("Enter the serial device (for example /dev/ttyUSB0 or COM12) or "
                       "tcp://host:port"),
        QStringLiteral("Other Port"),
        comNumber(current) == 0 && current != QLatin1String("0") ? current : QString());
    const QString port = answer.value_or(QString()).trimmed();
    if (port.isEmpty()) {
        setLinkCheckMarks();
        return;
    }
    QString value = port;
    QAction* item = m_otherPort;
    if (const int com = comNumber(port)) {
        value = QString::number(com);
        item = m_com[com - 1];
    }
    for (QAction* system : std::as_const(m_systemPortItems)) {
        if (system->data().toString() == port)
            item = system;
    }
    chooseSerialPort(value, item);
}

void KovoMain::choosePttPort(int port) {
    m_settings.setDtmfComPort(QString::number(port));
    m_settings.setComPort(QStringLiteral("0"));
    for (int n = 1; n <= 8; ++n)
        m_pttCom[n - 1]->setChecked(n == port);
    portTest();
}

void KovoMain::choosePttLine(int line) {
    m_settings.setWhichSend(QString::number(line));
    m_settings.setComPort(QStringLiteral("0"));
    m_dtr->setChecked(line == 1);
    m_rts->setChecked(line == 2);
    for (QAction* item : m_com)
        item->setChecked(false);
    m_builtIn->setChecked(false);
    for (QAction* item : std::as_const(m_systemPortItems))
        item->setChecked(false);
    m_otherPort->setChecked(false);
}

void KovoMain::askToneDelay(bool keyUp) {
    m_settings.setComPort(QStringLiteral("0"));
    const QString current = keyUp ? m_settings.txTemp() : m_settings.dtmfDelay();
    const std::optional<QString> answer =
        m_messages.input(DelayPrompt, QStringLiteral("DTMF Interdigit Delay"), current);
    const QString value = QString::number(numericInt(answer.value_or(QString())));
    if (keyUp)
        m_settings.setTxTemp(value);
    else
        m_settings.setDtmfDelay(value);
}

void KovoMain::askSerialDelay() {
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

// --- link -------------------------------------------------------------------------------

const std::shared_ptr<TarsisEmulator>& KovoMain::builtInEmulator() const {
    return m_emulator->emulator();
}

UploadWindow* KovoMain::uploadWindow() {
    if (!m_upload)
        m_upload = new UploadWindow(m_db, m_settings, m_messages, *m_link, this);
    return m_upload;
}

ManualSendWindow* KovoMain::manualSendWindow() {
    if (m_manualSend)
        return m_manualSend;
    // Each line is one job on the link thread, over the port the upload window uses.
    ManualSendRunner runner = [this](const ManualSendRequest& request, ManualSendDone done) {
        auto result = std::make_shared<ManualSendResult>();
        LinkWorker& link = *m_link;
        const int serialDelay = m_settings.serialDelay();
        const bool started = link.start(
            [&link, request, serialDelay, result] {
                SerialLink* serial = nullptr;
                std::shared_ptr<AudioOutput> audio;
                if (request.serial()) {
                    serial = link.serialLink(request.comPort, serialDelay);
                } else {
                    link.dropSerialLink();
                    audio = link.makeAudioOutput();
                }
                *result = sendManualLine(request, serial, audio.get(), link.person());
            },
            [done, result] { done(*result); });
        if (!started) {
            m_messages.message(LinkWorker::busyText(), programTitle());
            done(ManualSendResult{});
        }
    };
    m_manualSend = new ManualSendWindow(
        m_settings, std::move(runner), [this] { m_link->closePort(); }, this);
    return m_manualSend;
}

TouchTonePad* KovoMain::touchTonePad() {
    if (m_pad)
        return m_pad;
    if (!m_padAudio)
        m_padAudio = std::make_shared<QtAudioOutput>(); // the pad tells the person itself
    m_pad = new TouchTonePad(*m_padAudio, m_settings, m_messages, this);
    return m_pad;
}

void KovoMain::openUploadWindow() {
    if (m_link->busy())
        return;
    uploadWindow()->prepare();
}

void KovoMain::downloadFromTarsis() {
    if (m_link->busy())
        return;
    const QString comPort = m_settings.comPort();
    if (comPort == QLatin1String("0")) {
        m_messages.message(DownloadText::DtmfMode, DownloadText::ErrorTitle, MessageIcon::Critical);
        return;
    }
    const DownloadSettings settings = m_link->downloadSettings(m_services.programFolder, comPort);
    const int serialDelay = m_settings.serialDelay();
    auto result = std::make_shared<DownloadResult>();
    LinkWorker& link = *m_link;
    Database& db = m_db;
    m_download->follow();
    const bool started = link.start(
        [&link, &db, settings, serialDelay, result] {
            GuiOperator& person = link.person();
            QString problem;
            SerialLink* serial = link.serialLink(settings.comPort, serialDelay, &problem);
            if (!serial) {
                person.message(LinkWorker::unusablePortText(settings.comPort, problem),
                               DownloadText::ErrorTitle);
                result->outcome = DownloadOutcome::PortFailed;
                return;
            }
            *result = runDownload(db, serial->channel(), person, settings);
            if (result->outcome == DownloadOutcome::TimedOut && serial->isOpen() &&
                !serial->channel().healthy()) {
                person.message(QStringLiteral("The connection to %1 was lost. Check your "
                                              "connections then try again")
                                   .arg(serial->portLabel()),
                               DownloadText::ErrorTitle);
                link.dropSerialLink();
            }
        },
        [this, result] {
            m_download->finish();
            m_lastDownload = *result;
            // The editors show what the controller holds now.
            if (result->outcome == DownloadOutcome::Done && m_editorsOpen)
                reopenEditors();
            emit downloadFinished();
        });
    if (!started)
        m_download->finish();
}

void KovoMain::reopenEditors() {
    const int tab = m_tabs->currentIndex();
    closeEditors();
    m_currentTab = -1;
    openEditors();
    selectTab(tab < 0 ? TimersTab : tab);
}

// While a job runs no other transfer can start, and nothing may change the database under it.
void KovoMain::linkBusy(bool busy) {
    const QString tip = busy ? LinkWorker::busyText() : QString();
    const char* names[] = {"mnuTarsisUpload", "mnuTarsisDownload", "Button8",     "MnuManualData",
                           "mnuFileNew",      "mnuFileOpen",       "mnuFileSave", "mnuFileSaveAs",
                           "Button1",         "Button2",           "Button3"};
    for (const char* name : names) {
        if (QAction* action = menuAction(QLatin1String(name))) {
            action->setEnabled(!busy);
            action->setStatusTip(tip);
        }
    }
    m_mdi->setEnabled(!busy);
}

// --- help -----------------------------------------------------------------------------------

void KovoMain::showAbout() {
    auto* about = new AboutWindow(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

void KovoMain::showCompany() {
    auto* company = new CompanyWindow(this);
    company->setAttribute(Qt::WA_DeleteOnClose);
    company->open();
}

} // namespace kovo
