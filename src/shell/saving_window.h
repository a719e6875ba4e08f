#pragma once

#include <QWidget>

namespace kovo {

// The small window "Saving Database" shown while a database file is written.
class SavingWindow : public QWidget {
    Q_OBJECT

public:
    explicit SavingWindow(QWidget* parent = nullptr);
    QString text() const;
};

} // namespace kovo
