#include "kovo_main.h"

#include "about_window.h"
#include "built_in_emulator.h"
#include "company_window.h"
#include "configure_menu.h"
#include "download_window.h"
#include "editor_area.h"
#include "editors/editor_window.h"
#include "editors/port_switches_editor.h"
#include "editors/port_timer_coupling.h"
#include "editors/scheduler_editor.h"
#include "editors/timers_editor.h"
#include "file_commands.h"
#include "history_commands.h"
#include "link_commands.h"
#include "link_description.h"
#include "link_worker.h"
#include "report_exporter.h"
#include "title_bar.h"
#include "window_placement.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace kovo {

namespace {

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
    : QMainWindow(parent), m_services(services) {
    setObjectName(QStringLiteral("KovoMain"));
    setWindowTitle(mainCaption());

    m_link = new LinkCommands(
        m_services, [this] { return m_files->currentFile(); }, this);
    m_editors = new EditorArea(m_services.db, m_services.messages, m_link->actionRunner(), this);
    setCentralWidget(m_editors);
    m_files = new FileCommands(m_services, *m_editors, this);
    m_history = new HistoryCommands(m_services, *m_editors, *m_files, *m_link, this);

    buildMenus();
    buildToolbar();
    buildStatusBar();
    startSerialTimers();

    connect(&m_link->linkWorker(), &LinkWorker::busyChanged, this, &KovoMain::setLinkBusy);
    connect(m_link, &LinkCommands::downloadEnded, this, &KovoMain::onDownloadEnded);
    connect(m_configure, &ConfigureMenu::linkChanged, this,
            [this] { m_linkStatus->setText(linkStatus()); });
    // The timers and port switches editors set each other's controls; either is built when the
    // other's Apply needs it.
    m_portTimers = new PortTimerCoupling(
        [this] { return qobject_cast<TimersEditor*>(m_editors->editor(TimersTab)); },
        [this] { return qobject_cast<PortSwitchesEditor*>(m_editors->editor(PortSwitchesTab)); },
        this);
    connect(m_editors, &EditorArea::editorBuilt, this, [this](int, EditorWindow* built) {
        // Every editor's Apply may leave changes unsaved.
        connect(built, &EditorWindow::applied, this, &KovoMain::showSavedState);
        if (auto* timers = qobject_cast<TimersEditor*>(built))
            m_portTimers->attach(timers);
        else if (auto* portSwitches = qobject_cast<PortSwitchesEditor*>(built))
            m_portTimers->attach(portSwitches);
        else if (auto* scheduler = qobject_cast<SchedulerEditor*>(built))
            scheduler->setDatabaseFileSource([this] { return m_files->currentFile(); });
    });
}

KovoMain::~KovoMain() {
    // The editors hold the link's action runner; the pad plays on audio the link owns.
    m_editors->closeEditors();
    delete m_link;
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
                ReportExporter(m_services.db, m_services.dialogs, m_services.messages)
                    .exportReport(m_files->dialogFolder(), m_files->currentFile());
            });
    m_history->addFileItems(file);
    connect(
        addItem(file, "mnuFileExit", QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X)),
        &QAction::triggered, this, [this] { fileExit(); });

    m_configure = new ConfigureMenu(m_services, m_link->linkWorker(), bar);
    m_link->addMenus(bar);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    connect(addItem(help, "mnuAbout", QStringLiteral("&About")), &QAction::triggered, this, [this] {
        auto* about = new AboutWindow(this);
        about->setAttribute(Qt::WA_DeleteOnClose);
        about->open();
    });
    connect(addItem(help, "mnuCompany", QStringLiteral("&Company Information")),
            &QAction::triggered, this, [this] {
                auto* company = new CompanyWindow(this);
                company->setAttribute(Qt::WA_DeleteOnClose);
                company->open();
            });
    m_history->addHelpItems(help);
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

void KovoMain::buildStatusBar() {
    m_linkStatus = new QLabel(this);
    m_linkStatus->setObjectName(QStringLiteral("LinkStatus"));
    statusBar()->addPermanentWidget(m_linkStatus);
}

// Tick counters for the download's waits: one per second, up to 5.
void KovoMain::startSerialTimers() {
    const char* names[] = {"SerialTimer", "SerialTimer2"};
    for (int i = 0; i < 2; ++i) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QLatin1String(names[i]));
        timer->setInterval(1000);
        connect(timer, &QTimer::timeout, this, [this, i] {
            if (m_serialTicks[i] < 5)
                ++m_serialTicks[i];
        });
        timer->start();
    }
}

// --- what the window hands on ---------------------------------------------------------------

QString KovoMain::currentDatabaseFile() const {
    return m_files->currentFile();
}

EditorWindow* KovoMain::editor(int tab) const {
    return m_editors->editor(tab);
}

EditorWindow* KovoMain::frontEditor() const {
    return m_editors->frontEditor();
}

QTabBar* KovoMain::tabStrip() const {
    return m_editors->tabStrip();
}

QAction* KovoMain::menuAction(const QString& name) const {
    return findChild<QAction*>(name);
}

SavingWindow* KovoMain::savingWindow() const {
    return m_files->savingWindow();
}

QString KovoMain::linkStatus() const {
    return linkDescription(m_services.settings);
}

LinkWorker& KovoMain::linkWorker() const {
    return m_link->linkWorker();
}

UploadWindow* KovoMain::uploadWindow() {
    return m_link->uploadWindow();
}

DownloadWindow* KovoMain::downloadWindow() const {
    return m_link->downloadWindow();
}

ManualSendWindow* KovoMain::manualSendWindow() {
    return m_link->manualSendWindow();
}

TouchTonePad* KovoMain::touchTonePad() {
    return m_link->touchTonePad();
}

void KovoMain::setPadAudioOutput(std::shared_ptr<AudioOutput> output) {
    m_link->setPadAudioOutput(std::move(output));
}

const std::shared_ptr<TarsisEmulator>& KovoMain::builtInEmulator() const {
    return m_link->builtInEmulator();
}

DownloadResult KovoMain::lastDownload() const {
    return m_link->lastDownload();
}

QString KovoMain::saveQuestion() {
    return FileCommands::saveQuestion();
}

// --- start-up -------------------------------------------------------------------------------

bool KovoMain::startUp(const QString& databaseFile) {
    m_services.errorLog.create(
        QDir(m_services.programFolder).filePath(QStringLiteral("error.log")));
    m_services.settings.load();
    if (m_builtInOnFirstStart && !m_services.settings.fileExisted())
        m_services.settings.setComPort(BuiltInEmulator::portName());
    if (!m_files->loadAtStartUp(databaseFile)) {
        m_ended = true;
        return false;
    }
    applyPlacement();
    m_configure->setCheckMarks();
    m_linkStatus->setText(linkStatus());
    m_services.db.setSettingsSaved(true);
    showSavedState();
    m_editors->openEditors(TimersTab);
    if (m_services.db.lockTerminatorClash()) {
        m_editors->selectTab(SpecialCodesTab);
        if (auto* lockBox = m_editors->editor(SpecialCodesTab)
                                ->findChild<QWidget*>(QStringLiteral("NewLockSet")))
            lockBox->setFocus(Qt::OtherFocusReason);
        m_services.db.setLockTerminatorClash(false);
    }
    m_files->reportLoadErrors();
    return true;
}

void KovoMain::applyPlacement() {
    const WindowPlacement placement = m_services.settings.placement(QStringLiteral("Main"));
    if (const auto rect = reachablePlacement(placement, QSize(320, 240))) {
        setGeometry(*rect);
        m_initialState = placement.state;
        return;
    }
    // The window fits the smallest screen the program supports (1024 x 768).
    resize(1000, 700);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        QRect frame(QPoint(0, 0), size().boundedTo(area.size()));
        frame.moveCenter(area.center());
        setGeometry(frame);
    }
    m_initialState = 0;
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
    m_services.settings.setPlacement(QStringLiteral("Main"), placement);
}

// --- file commands --------------------------------------------------------------------------

void KovoMain::fileNew() {
    m_files->fileNew();
}

void KovoMain::fileOpen() {
    m_files->fileOpen();
}

void KovoMain::fileSave() {
    m_files->fileSave();
}

void KovoMain::fileSaveAs() {
    m_files->fileSaveAs();
}

void KovoMain::showSavedState() {
    m_files->showSavedState();
}

// --- exit -----------------------------------------------------------------------------------

bool KovoMain::fileExit() {
    Database& db = m_services.db;
    if (db.settingsSaved()) {
        writePlacement();
        m_services.settings.setLastRCFile(m_files->currentFile());
        endProgram();
        return true;
    }
    switch (
        m_services.messages.ask(saveQuestion(), FileCommands::saveTitle(), Buttons::YesNoCancel)) {
    case Answer::No:
        endProgram();
        return true;
    case Answer::Yes:
        fileSaveAs();
        if (db.settingsSaved()) {
            endProgram();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void KovoMain::endProgram() {
    m_ended = true;
    m_link->shutDown();
    hide();
    emit programFinished();
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

// --- link -----------------------------------------------------------------------------------

void KovoMain::openUploadWindow() {
    m_link->openUploadWindow();
}

// The editors show what the controller holds now, and that is not in any file yet.
void KovoMain::onDownloadEnded(const DownloadResult& result) {
    if (result.outcome == DownloadOutcome::Done) {
        if (m_editors->editorsOpen())
            m_editors->reopenEditors();
        m_services.db.setSettingsSaved(false);
        showSavedState();
    }
    emit downloadFinished();
}

// While a job runs no other transfer can start, and nothing may change the database under it.
void KovoMain::setLinkBusy(bool busy) {
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
    m_editors->setEditorsEnabled(!busy);
}

} // namespace kovo
