#include "scripted_file_dialogs.h"

namespace kovo {

std::optional<QString> ScriptedFileDialogs::openFile(const QString& title, const QString& folder,
                                                     const QString& filter) {
    calls.append(Call{false, title, folder, QString(), filter});
    return answers.isEmpty() ? std::nullopt : answers.takeFirst();
}

std::optional<QString> ScriptedFileDialogs::saveFile(const QString& title, const QString& folder,
                                                     const QString& presetPath,
                                                     const QString& filter) {
    calls.append(Call{true, title, folder, presetPath, filter});
    return answers.isEmpty() ? std::nullopt : answers.takeFirst();
}

} // namespace kovo
