#pragma once

#include "message_service.h"

class QWidget;

namespace kovo {

// The real boxes: QMessageBox and QInputDialog, modal, over the active window.
class QtMessageService : public MessageService {
public:
    Answer show(const QString& text, const QString& title, MessageIcon icon,
                Buttons buttons) override;
    Answer askDefaultNo(const QString& text, const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;

private:
    bool m_defaultNo = false;
};

} // namespace kovo
