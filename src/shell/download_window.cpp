#include "download_window.h"

#include "gui_operator.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace kovo {

DownloadWindow::DownloadWindow(GuiOperator& person, QWidget* parent)
    : QDialog(parent), m_person(person) {
    setObjectName(QStringLiteral("ProgressBar"));
    // The title says what is being downloaded: "Downloading From Tarsis", then "Downloading
    // From Autopatch".
    setWindowTitle(QStringLiteral("Downloading From Tarsis"));
    setModal(false);
    m_linkInUse = new QLabel(this);
    m_linkInUse->setObjectName(QStringLiteral("LinkInUse"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setMinimumWidth(360);
    m_cancel = new QPushButton(QStringLiteral("&Escape"), this);
    m_cancel->setObjectName(QStringLiteral("Cancel"));
    m_cancel->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_linkInUse);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    connect(m_cancel, &QPushButton::clicked, this, &DownloadWindow::cancelDownload);
    connect(&m_person, &GuiOperator::progressed, this, &DownloadWindow::progressed);
}

QString DownloadWindow::caption() const {
    return windowTitle();
}

QString DownloadWindow::linkText() const {
    return m_linkInUse->text();
}

void DownloadWindow::follow(const QString& link) {
    m_linkInUse->setText(QStringLiteral("Link: ") + link);
    m_following = true;
}

void DownloadWindow::finish() {
    m_following = false;
    hide();
}

void DownloadWindow::cancelDownload() {
    m_person.setCancelled(true);
}

void DownloadWindow::reject() {
    cancelDownload();
}

void DownloadWindow::closeEvent(QCloseEvent* event) {
    // Closing the window is the Escape button; the download hides it when it has stopped.
    event->ignore();
    cancelDownload();
}

// A receive loop starts with value 0 (the window shows) and ends with the maximum (the window
// hides before the questions that follow).
void DownloadWindow::progressed(int value, int maximum, const QString& label) {
    if (!m_following)
        return;
    if (windowTitle() != label)
        setWindowTitle(label);
    if (m_bar->maximum() != maximum)
        m_bar->setRange(0, maximum);
    m_bar->setValue(qBound(0, value, maximum));
    if (value >= maximum && maximum > 0) {
        hide();
    } else if (!isVisible()) {
        if (const QWidget* owner = parentWidget()) {
            adjustSize();
            QRect frame(QPoint(0, 0), size());
            frame.moveCenter(owner->geometry().center());
            move(frame.topLeft());
        }
        show();
    }
}

} // namespace kovo
