#pragma once

#include "courtesy_timeline.h"
#include "editor_window.h"
#include "working_copies.h"

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace kovo {

// The courtesy tone editor (caption "Courtesy Tones"): the ten courtesy tones of each port, one
// tab per port, the tone chosen in "CTSet". A tone is four segments, each a pause (Delay) and
// then two tones (Tone) sounding together for a duration (Dur). Working copies of all 3 x 10
// tones are kept while another tone is shown. "Preview" plays the shown tone of the shown port
// on this PC; pressed again, or with the window closed, it stops.
class CourtesyEditor : public EditorWindow {
    Q_OBJECT

public:
    CourtesyEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);
    ~CourtesyEditor() override;

    int currentPort() const;
    int currentTone() const { return m_tone; }
    bool previewing() const { return m_previewing; }
    CourtesyTimeline* timeline(int port) const { return m_timelines[port - 1]; }

    // "P2Tone3": the database field of `name` ("Delay1", "Dur4", "Tone8") for `port`.
    static QString fieldName(int port, const QString& name);

public slots:
    // Plays the shown tone of the shown port, or stops the preview that is playing.
    void previewTone();

protected:
    void loaded() override;
    void applyUnbound() override;
    std::optional<QString> unboundWorkingCopy(QStringView field, int index) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Box {
        QLineEdit* edit = nullptr;
        int port = 0;
        QString name; // "Delay1", "Dur1", "Tone1", ...
    };

    QWidget* buildPortTab(int port);
    void showTone(int tone);
    void boxEdited(const Box& box);
    void checkBox(const Box& box);
    void updateTimeline(int port);
    void stopPreview();

    WorkingCopies m_working; // 16 fields x 10 tones for each port
    QTabWidget* m_tabs = nullptr;
    QComboBox* m_toneList = nullptr;
    QPushButton* m_preview = nullptr;
    std::array<CourtesyTimeline*, 3> m_timelines{};
    QVector<Box> m_boxes;
    int m_tone = 1;
    bool m_showing = false;
    bool m_inCheck = false;
    bool m_previewing = false;
};

} // namespace kovo
