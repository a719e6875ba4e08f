#include "database/database.h"
#include "database/error_log.h"
#include "database/program_folder.h"
#include "database/program_settings.h"
#include "editor_area.h"
#include "editors/program_info.h"
#include "editors/qt_message_service.h"
#include "kovo_main.h"
#include "qt_file_dialogs.h"
#include "splash_window.h"
#include "upload_benchmark.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

using namespace kovo;

namespace {

// Shows a window and lets the events its showing posted run, so it has been laid out and
// painted once.
void showAndSettle(QWidget& widget) {
    widget.show();
    QCoreApplication::processEvents();
    widget.repaint();
    QCoreApplication::processEvents();
}

// Start-up time against an empty main window in the same process; the empty window goes first
// and so carries the one-time costs of the first window (fonts, style, platform). The start-up
// builds only the editor in front, as a person's start-up does; the heaviest editor, the macros,
// is then timed when its tab is first shown, against the same baseline.
int measureStartUp(const ShellServices& services, const QString& databaseFile) {
    QElapsedTimer clock;
    clock.start();
    {
        QMainWindow empty;
        empty.resize(1180, 780);
        showAndSettle(empty);
    }
    const double emptyMs = clock.nsecsElapsed() / 1e6;

    clock.restart();
    KovoMain window(services);
    if (!window.startUp(databaseFile)) {
        std::fprintf(stderr, "kovo: start-up was cancelled\n");
        return 1;
    }
    showAndSettle(window);
    const double startMs = clock.nsecsElapsed() / 1e6;
    int built = 0;
    for (int tab = 0; tab < KovoMain::EditorCount; ++tab)
        built += window.editorArea().isBuilt(tab);

    clock.restart();
    window.editorArea().selectTab(MacrosTab);
    QCoreApplication::processEvents();
    window.repaint();
    QCoreApplication::processEvents();
    const double macrosMs = clock.nsecsElapsed() / 1e6;
    const bool macrosShown = window.frontEditor() == window.editor(MacrosTab);

    const auto ratio = [emptyMs](double ms) { return emptyMs > 0 ? ms / emptyMs : 0.0; };
    std::printf("startup_ms=%.1f empty_window_ms=%.1f ratio=%.2f editors=%d macros_first_ms=%.1f "
                "macros_ratio=%.2f\n",
                startMs, emptyMs, ratio(startMs), built, macrosMs, ratio(macrosMs));
    return built >= 1 && macrosShown ? 0 : 1;
}

// The main window alone, or with `wholeScreen` the screen as the window system shows it (frames,
// title bars and dialogs), where the platform can take it.
QPixmap takeScreenshot(QWidget& window, bool wholeScreen) {
    if (wholeScreen) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QPixmap shot = screen->grabWindow(0);
            if (!shot.isNull())
                return shot;
        }
    }
    return window.grab();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(programTitle());
    QApplication::setOrganizationName(QStringLiteral("Veltrane"));
    QApplication::setApplicationVersion(programVersion());
    // Message boxes can be the only window during start-up; the program ends through Exit.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kovo Programmer for the Tarsis controller"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption home(
        QStringLiteral("home"), QStringLiteral("Folder for kovo.ini, error.log and download.mem."),
        QStringLiteral("DIR"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Write a PNG of the main window once it is shown, then quit."),
        QStringLiteral("FILE"));
    const QCommandLineOption showItem(
        QStringLiteral("show"),
        QStringLiteral("With --screenshot: run the menu item of this name (for example mnuAbout) "
                       "once the main window is shown, and take the whole screen, window frames "
                       "and dialogs included."),
        QStringLiteral("ITEM"));
    const QCommandLineOption measure(
        QStringLiteral("measure-startup"),
        QStringLiteral("Without the splash window: time an empty window, the start-up to the main "
                       "window shown, and the macros editor's first showing; print them, then "
                       "quit."));
    const QCommandLineOption measureUploadOption(
        QStringLiteral("measure-upload"),
        QStringLiteral("Without the splash window: a complete upload to the built-in emulator at "
                       "9600-baud pacing, once as kovo-cli sends it and once through the upload "
                       "window; print both times and the longest pause of the window's events, "
                       "then quit."));
    parser.addOption(home);
    parser.addOption(screenshot);
    parser.addOption(showItem);
    parser.addOption(measure);
    parser.addOption(measureUploadOption);
    parser.addPositionalArgument(QStringLiteral("file.dat"),
                                 QStringLiteral("Database file to open instead of the last one."));
    parser.process(app);
    const QString databaseFile = parser.positionalArguments().value(0);
    const QString shotPath = parser.value(screenshot);

    const QString folder =
        resolveProgramFolder(parser.value(home), QCoreApplication::applicationDirPath());
    Database db;
    ProgramSettings settings(folder);
    ErrorLog errorLog;
    QtMessageService messages;
    QtFileDialogs dialogs;
    ShellServices services{db, settings, errorLog, messages, dialogs, folder, {}, {}};

    if (parser.isSet(measure))
        return measureStartUp(services, databaseFile);
    if (parser.isSet(measureUploadOption))
        return measureUpload(folder, databaseFile);

    KovoMain window(services);
    // A new user can talk to the emulated controller at once.
    window.setBuiltInEmulatorOnFirstStart(true);
    QObject::connect(&window, &KovoMain::programFinished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    SplashWindow splash;
    QObject::connect(&splash, &SplashWindow::finished, &app, [&] {
        splash.hide();
        if (!window.startUp(databaseFile)) {
            QCoreApplication::exit(0);
            return;
        }
        window.showAsPlaced();
        splash.close();
        if (!shotPath.isEmpty()) {
            const QString item = parser.value(showItem);
            QTimer::singleShot(item.isEmpty() ? 700 : 1500, &window, [&window, shotPath, item] {
                const bool saved = takeScreenshot(window, !item.isEmpty()).save(shotPath, "PNG");
                if (!saved)
                    std::fprintf(stderr, "kovo: cannot write %s\n", qPrintable(shotPath));
                QCoreApplication::exit(saved ? 0 : 1); // leaves a dialog's loop too
            });
            // A dialog the item opens runs its own loop; the picture is taken from inside it.
            if (!item.isEmpty()) {
                QTimer::singleShot(500, &window, [&window, item] {
                    if (QAction* action = window.menuAction(item))
                        action->trigger();
                    else
                        std::fprintf(stderr, "kovo: no menu item %s\n", qPrintable(item));
                });
            }
        }
    });
    splash.start();
    return QApplication::exec();
}
