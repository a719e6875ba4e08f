#pragma once

#include <QDialog>

namespace kovo {

// "Company Information": who makes the program and how to reach them.
class CompanyWindow : public QDialog {
    Q_OBJECT

public:
    explicit CompanyWindow(QWidget* parent = nullptr);
};

} // namespace kovo
