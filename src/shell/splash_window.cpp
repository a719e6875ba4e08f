#include "splash_window.h"

#include "editors/program_info.h"

#include <QFont>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace kovo {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("frmSplash"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(48, 36, 48, 36);
    auto* product = new QLabel(programTitle(), this);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont big = product->font();
    big.setPointSize(big.pointSize() * 3);
    big.setBold(true);
    product->setFont(big);
    product->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(QStringLiteral("Version ") + programVersion(), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(product);
    layout->addWidget(version);
    setStyleSheet(
        QStringLiteral("QWidget#frmSplash { background: white; border: 2px solid #345; }"));

    m_timer->setSingleShot(true);
    m_timer->setInterval(DelayMs);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::finished);
}

void SplashWindow::start() {
    show();
    m_timer->start();
}

} // namespace kovo
