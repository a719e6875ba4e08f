#pragma once

#include <QString>
#include <optional>

namespace kovo {

// The file dialogs of the File commands. The program shows QFileDialog (QtFileDialogs); tests
// put ScriptedFileDialogs in its place so no test ever opens a real dialog.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // Open: the file and its folder must exist. nullopt when the dialog was cancelled.
    virtual std::optional<QString> openFile(const QString& title, const QString& folder,
                                            const QString& filter) = 0;
    // save As, with the file name preset. The dialog asks no overwrite question: the program
    // asks its own. nullopt when the dialog was cancelled.
    virtual std::optional<QString> saveFile(const QString& title, const QString& folder,
                                            const QString& presetPath, const QString& filter) = 0;
};

} // namespace kovo
