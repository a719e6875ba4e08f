#include "company_window.h"

#include "editors/title_width.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace kovo {

CompanyWindow::CompanyWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCompany"));
    setWindowTitle(QStringLiteral("Company Information"));
    auto* layout = new QVBoxLayout(this);
    auto* text =
        new QLabel(QStringLiteral("Veltrane\n\n"
                                  "Kovo Programmer for the Tarsis repeater controller\n"
                                  "and its Ostrik autopatch board.\n\n"
                                  "For support, updates and manuals please contact Veltrane\n"
                                  "through the dealer from whom you bought your controller."),
                   this);
    text->setObjectName(QStringLiteral("lblCompany"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(text);
    layout->addWidget(buttons);
    fitDialogToTitle(*this);
}

} // namespace kovo
