#pragma once

#include <QString>

class QDialog;
class QMessageBox;

namespace kovo {

// The width a window needs so that a window manager's title bar shows `title` whole: the title
// in a bold title font, and room for the window icon and the three title-bar buttons.
int widthForTitle(const QString& title);

// Widens a dialog to its title (it never narrows one).
void fitDialogToTitle(QDialog& dialog);
// A message box sizes itself when shown and ignores a minimum width: it is widened from inside
// its own layout.
void fitMessageBoxToTitle(QMessageBox& box);

} // namespace kovo
