#include "placeholder_editor.h"

namespace kovo {

PlaceholderEditor::PlaceholderEditor(const QString& name, const QString& caption, Database& db,
                                     MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent) {
    setObjectName(name);
    setWindowTitle(caption);
    setMinimumSize(480, 320);
}

} // namespace kovo
