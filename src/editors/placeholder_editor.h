#pragma once

#include "editor_window.h"

namespace kovo {

// An editor window that has its caption and apply but no controls yet.
class PlaceholderEditor : public EditorWindow {
    Q_OBJECT

public:
    PlaceholderEditor(const QString& name, const QString& caption, Database& db,
                      MessageService& messages, QWidget* parent = nullptr);
};

} // namespace kovo
