#pragma once

#include "editor_factory.h"

#include <QPointer>
#include <QWidget>
#include <array>

class QMdiArea;
class QMdiSubWindow;
class QTabBar;

namespace kovo {

class ControllerActionRunner;
class Database;
class EditorWindow;
class MessageService;

// The tab strip SSTab1 over the editor windows. Each editor is built when its tab is first
// shown or when something first asks for it, so start-up stays quick however large the editors
// grow. The editor in front fills the area and the strip always names it; selecting a tab brings
// its editor to the front, then applies the editor that was left.
class EditorArea : public QWidget {
    Q_OBJECT

public:
    EditorArea(Database& db, MessageService& messages, ControllerActionRunner* actions,
               QWidget* parent = nullptr);
    ~EditorArea() override;

    QTabBar* tabStrip() const { return m_tabs; }

    // The editor of tab `tab`, built now if it was not yet; nullptr while the editors are closed.
    EditorWindow* editor(int tab);
    // Whether the editor of `tab` has been built since the editors were last opened.
    bool isBuilt(int tab) const;
    EditorWindow* frontEditor() const;

    // Open: the editors may be built and shown, starting with tab `tab`'s. Close: every built
    // editor is destroyed without applying it (its unapplied changes are dropped).
    void openEditors(int tab);
    void closeEditors();
    bool editorsOpen() const { return m_open; }
    // Closed and opened again on the same tab: every editor shows the database afresh.
    void reopenEditors();
    // While off, the editors take no input; the tab strip still switches between them.
    void setEditorsEnabled(bool enabled);
    // Brings the editor of `tab` to the front and selects its tab.
    void selectTab(int tab);

signals:
    // An editor was built (it is shown next when it is the one asked for).
    void editorBuilt(int tab, EditorWindow* editor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bringToFront(int tab);
    void onTabChanged(int tab);
    void onWindowActivated(QMdiSubWindow* window);
    void stepTab(int step);

    Database& m_db;
    MessageService& m_messages;
    ControllerActionRunner* m_actions;
    QTabBar* m_tabs = nullptr;
    QMdiArea* m_mdi = nullptr;
    std::array<QPointer<EditorWindow>, EditorTabCount> m_editors{};
    std::array<QPointer<QMdiSubWindow>, EditorTabCount> m_windows{};
    bool m_open = false;
    int m_currentTab = -1;
    bool m_closing = false;
};

} // namespace kovo
