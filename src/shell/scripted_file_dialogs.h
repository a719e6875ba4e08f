#pragma once

#include "file_dialogs.h"

#include <QList>
#include <QVector>

namespace kovo {

// The test double of the file dialogs: records every dialog and answers from a script; an empty
// script answers Cancel.
class ScriptedFileDialogs : public FileDialogs {
public:
    struct Call {
        bool save = false;
        QString title;
        QString folder;
        QString presetPath;
        QString filter;
    };

    std::optional<QString> openFile(const QString& title, const QString& folder,
                                    const QString& filter) override;
    std::optional<QString> saveFile(const QString& title, const QString& folder,
                                    const QString& presetPath, const QString& filter) override;

    QList<std::optional<QString>> answers;
    QVector<Call> calls;
};

} // namespace kovo
