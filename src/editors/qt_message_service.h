#pragma once

#include "message_service.h"

class QWidget;

namespace kovo {

// The real boxes: QMessageBox and QInputDialog, modal, over the active window.
class QtMessageService : public MessageService {
public:
    Answer show(const QString& text, const QString& title, MessageIcon icon,
                Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
};

} // namespace kovo
