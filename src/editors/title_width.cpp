#include "title_width.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace kovo {

namespace {

// The window icon, the minimise, maximise and close buttons and the frame's margins, as the
// common window managers draw them at normal sizes.
constexpr int TitleBarExtras = 170;

} // namespace

int widthForTitle(const QString& title) {
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + TitleBarExtras;
}

void fitDialogToTitle(QDialog& dialog) {
    dialog.setMinimumWidth(qMax(dialog.minimumWidth(), widthForTitle(dialog.windowTitle())));
}

void fitMessageBoxToTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    // A row of its own under everything else, as wide as the title needs.
    grid->addItem(new QSpacerItem(widthForTitle(box.windowTitle()), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace kovo
