#pragma once

#include <QDialog>

namespace kovo {

// "About Kovo Programmer": the version and the program's title.
class AboutWindow : public QDialog {
    Q_OBJECT

public:
    explicit AboutWindow(QWidget* parent = nullptr);
};

} // namespace kovo
