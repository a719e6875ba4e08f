#include "saving_window.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kovo {

SavingWindow::SavingWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("SavingDatabase"));
    setWindowTitle(QStringLiteral("Saving Database"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    auto* label = new QLabel(QStringLiteral("Please wait while your database is saved"), this);
    label->setObjectName(QStringLiteral("lblSaving"));
    layout->addWidget(label);
}

QString SavingWindow::text() const {
    return findChild<QLabel*>(QStringLiteral("lblSaving"))->text();
}

} // namespace kovo
