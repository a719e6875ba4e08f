#pragma once

#include "file_dialogs.h"

class QWidget;

namespace kovo {

// Modal QFileDialog windows over the active window.
class QtFileDialogs : public FileDialogs {
public:
    std::optional<QString> openFile(const QString& title, const QString& folder,
                                    const QString& filter) override;
    std::optional<QString> saveFile(const QString& title, const QString& folder,
                                    const QString& presetPath, const QString& filter) override;
};

} // namespace kovo
