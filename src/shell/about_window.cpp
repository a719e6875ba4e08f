#include "about_window.h"

#include "editors/program_info.h"
#include "editors/title_width.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kovo {

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Kovo Programmer"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(programTitle() + QStringLiteral(" Tarsis Programmer"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 4);
    title->setFont(bold);
    auto* version = new QLabel(QStringLiteral("Version ") + programVersion(), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(buttons);
    fitDialogToTitle(*this);
}

} // namespace kovo
