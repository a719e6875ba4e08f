#include "editor_area.h"

#include "editors/editor_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProxyStyle>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>

namespace kovo {
namespace {

// Eleven captions side by side need more than 1024 pixels with the style's usual padding, and the
// strip would hide the last tabs behind its scroll arrows; half the padding shows them all.
class CompactTabStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        return metric == PM_TabBarTabHSpace ? value / 2 : value;
    }
};

} // namespace

EditorArea::EditorArea(Database& db, MessageService& messages, ControllerActionRunner* actions,
                       QWidget* parent)
    : QWidget(parent), m_db(db), m_messages(messages), m_actions(actions) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(true);
    auto* compact = new CompactTabStyle;
    compact->setParent(this); // outlives the strip, which is deleted first as the older child
    m_tabs->setStyle(compact);
    for (int tab = 0; tab < EditorTabCount; ++tab)
        m_tabs->addTab(editorTabCaption(tab));
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("EditorArea"));
    layout->addWidget(m_tabs);
    layout->addWidget(m_mdi, 1);
    m_currentTab = m_tabs->currentIndex();
    connect(m_tabs, &QTabBar::currentChanged, this, &EditorArea::onTabChanged);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &EditorArea::onWindowActivated);

    // A box given the focus from elsewhere (Compare With, a refused value) is scrolled into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (const QPointer<QMdiSubWindow>& window : m_windows) {
            auto* scroller = window ? qobject_cast<QScrollArea*>(window->widget()) : nullptr;
            if (now && scroller && scroller->widget()->isAncestorOf(now))
                scroller->ensureWidgetVisible(now);
        }
    });

    // Ctrl+Tab walks the tabs, not only the editors built so far.
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    next->setContext(Qt::WindowShortcut);
    connect(next, &QShortcut::activated, this, [this] { stepTab(1); });
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    previous->setContext(Qt::WindowShortcut);
    connect(previous, &QShortcut::activated, this, [this] { stepTab(-1); });
}

EditorArea::~EditorArea() {
    closeEditors();
}

bool EditorArea::isBuilt(int tab) const {
    return tab >= 0 && tab < EditorTabCount && m_editors[tab];
}

EditorWindow* EditorArea::editor(int tab) {
    if (!m_open || tab < 0 || tab >= EditorTabCount)
        return nullptr;
    if (m_editors[tab])
        return m_editors[tab];
    EditorWindow* created = createEditor(tab, m_db, m_messages);
    created->setActionRunner(m_actions);
    // The tallest editors need more height than the area has on a 1024x768 screen; there they
    // scroll rather than lose their lowest rows and buttons below the status bar.
    auto* scroller = new QScrollArea;
    scroller->setObjectName(editorObjectName(tab) + QLatin1String("Scroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(created);
    QMdiSubWindow* window = m_mdi->addSubWindow(scroller, Qt::FramelessWindowHint);
    window->setObjectName(editorObjectName(tab) + QLatin1String("Window"));
    window->setWindowIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    window->installEventFilter(this);
    m_editors[tab] = created;
    m_windows[tab] = window;
    emit editorBuilt(tab, created);
    return created;
}

EditorWindow* EditorArea::frontEditor() const {
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    for (int tab = 0; active && tab < EditorTabCount; ++tab) {
        if (m_windows[tab] == active)
            return m_editors[tab];
    }
    return nullptr;
}

void EditorArea::openEditors(int tab) {
    m_open = true;
    m_currentTab = -1;
    selectTab(tab);
}

void EditorArea::closeEditors() {
    for (const QPointer<EditorWindow>& built : m_editors) {
        if (built)
            built->suspendLeaveChecks();
    }
    m_closing = true;
    for (int tab = 0; tab < EditorTabCount; ++tab) {
        delete m_windows[tab].data();
        m_windows[tab] = nullptr;
        m_editors[tab] = nullptr;
    }
    m_closing = false;
    m_open = false;
}

void EditorArea::reopenEditors() {
    const int tab = m_tabs->currentIndex();
    closeEditors();
    openEditors(tab < 0 ? TimersTab : tab);
}

void EditorArea::selectTab(int tab) {
    if (m_tabs->currentIndex() == tab)
        onTabChanged(tab);
    else
        m_tabs->setCurrentIndex(tab);
}

void EditorArea::setEditorsEnabled(bool enabled) {
    m_mdi->setEnabled(enabled);
}

// The editor in front fills the area; the others are hidden, so nothing shows behind it.
void EditorArea::bringToFront(int tab) {
    if (!editor(tab))
        return;
    QMdiSubWindow* window = m_windows[tab];
    for (const QPointer<QMdiSubWindow>& other : m_windows) {
        if (other && other != window)
            other->hide();
    }
    window->showMaximized();
    window->raise();
    m_mdi->setActiveSubWindow(window);
}

// Selecting a tab brings its editor to the front, then applies the editor that was left.
void EditorArea::onTabChanged(int tab) {
    const int previous = m_currentTab;
    m_currentTab = tab;
    if (tab < 0 || !m_open)
        return;
    bringToFront(tab);
    if (previous >= 0 && previous != tab && m_editors[previous])
        m_editors[previous]->apply();
}

// Whatever brought an editor to the front, the strip names it.
void EditorArea::onWindowActivated(QMdiSubWindow* window) {
    for (int tab = 0; tab < EditorTabCount; ++tab) {
        if (window && m_windows[tab] == window && m_tabs->currentIndex() != tab)
            m_tabs->setCurrentIndex(tab);
    }
}

void EditorArea::stepTab(int step) {
    if (!m_open)
        return;
    selectTab((m_tabs->currentIndex() + step + EditorTabCount) % EditorTabCount);
}

// An editor window is not closed by itself: it stays in front, and its tab is always there.
bool EditorArea::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && !m_closing) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kovo
