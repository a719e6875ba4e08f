#include "qt_file_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace kovo {

std::optional<QString> QtFileDialogs::openFile(const QString& title, const QString& folder,
                                               const QString& filter) {
    QFileDialog dialog(QApplication::activeWindow(), title, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtFileDialogs::saveFile(const QString& title, const QString& folder,
                                               const QString& presetPath, const QString& filter) {
    QFileDialog dialog(QApplication::activeWindow(), title, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(QStringLiteral("dat"));
    if (!presetPath.isEmpty()) {
        const QFileInfo preset(presetPath);
        if (preset.dir().exists())
            dialog.setDirectory(preset.dir());
        dialog.selectFile(preset.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace kovo
