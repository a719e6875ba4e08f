#pragma once

#include <QWidget>

class QTimer;

namespace kovo {

// The splash window: the program's title and version. Its timer fires once after 2000 ms.
class SplashWindow : public QWidget {
    Q_OBJECT

public:
    explicit SplashWindow(QWidget* parent = nullptr);
    void start();

    static constexpr int DelayMs = 2000;

signals:
    void finished();

private:
    QTimer* m_timer;
};

} // namespace kovo
