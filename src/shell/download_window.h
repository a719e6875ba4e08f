#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kovo {

class GuiOperator;

// The progress window `ProgressBar` ("Tarsis Data Status") of a download: what is being
// received, the progress bar `ProgressBar1` and the `Cancel` button ("&Escape"), which asks the
// running download to stop. It follows the progress reports of the job while a download runs and
// names the link it comes over (`LinkInUse`).
class DownloadWindow : public QDialog {
    Q_OBJECT

public:
    explicit DownloadWindow(GuiOperator& person, QWidget* parent = nullptr);

    // Follows the job's progress from now on (shown with its first report) until finish();
    // `link` names the link in use ("Serial COM5 (9600 8N1)").
    void follow(const QString& link);
    void finish();

    QProgressBar* progressBar() const { return m_bar; }
    QString caption() const;
    QString linkText() const;

public slots:
    void cancelDownload();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void progressed(int value, int maximum, const QString& label);

    GuiOperator& m_person;
    QLabel* m_linkInUse = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_following = false;
};

} // namespace kovo
