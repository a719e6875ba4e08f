#include "qt_message_service.h"

#include "program_info.h"
#include "title_width.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyle>

namespace kovo {

namespace {

QMessageBox::Icon toQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Answer QtMessageService::askDefaultNo(const QString& text, const QString& title) {
    m_defaultNo = true;
    const Answer answer = show(text, title, MessageIcon::None, Buttons::YesNo);
    m_defaultNo = false;
    return answer;
}

Answer QtMessageService::show(const QString& text, const QString& title, MessageIcon icon,
                              Buttons buttons) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? programTitle() : title);
    box.setText(text);
    box.setIcon(toQtIcon(icon));
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(m_defaultNo ? QMessageBox::No : QMessageBox::Yes);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    fitMessageBoxToTitle(box);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        break;
    }
    // Escape on a Yes/No box closes it without a button: that is a No.
    if (buttons == Buttons::YesNo)
        return Answer::No;
    if (buttons == Buttons::YesNoCancel)
        return Answer::Cancel;
    return Answer::Ok;
}

std::optional<QString> QtMessageService::input(const QString& prompt, const QString& title,
                                               const QString& defaultText) {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(title.isEmpty() ? programTitle() : title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    // The dialog takes its width from its layout, so the box is what is widened to the title.
    if (auto* box = dialog.findChild<QLineEdit*>()) {
        const int margins = 2 * dialog.style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
        box->setMinimumWidth(widthForTitle(dialog.windowTitle()) - margins);
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

} // namespace kovo
