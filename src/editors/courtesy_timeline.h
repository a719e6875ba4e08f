#pragma once

#include <QRectF>
#include <QString>
#include <QVector>
#include <QWidget>
#include <array>

namespace kovo {

// The shape of one courtesy tone drawn on one time axis in milliseconds: each of its four
// segments as a pause followed by a bar while its two tones sound, the bar labelled with the
// two frequencies. It only shows values; it never changes one.
class CourtesyTimeline : public QWidget {
    Q_OBJECT

public:
    struct Segment {
        int delayMs = 0;
        int durationMs = 0;
        int firstTone = 0;  // Hz
        int secondTone = 0; // Hz
    };
    // One sounding segment as laid out in the widget's current size.
    struct Bar {
        int segment = 0; // 1-4
        int startMs = 0; // from the start of the courtesy tone
        int endMs = 0;
        QRectF rect;
        QString label;
    };

    explicit CourtesyTimeline(QWidget* parent = nullptr);

    void setSegments(const std::array<Segment, 4>& segments);
    const std::array<Segment, 4>& segments() const { return m_segments; }
    // The whole tone, every pause and every segment, in milliseconds.
    int totalMs() const;
    // The bars of the segments that sound (a duration above 0), in order.
    QVector<Bar> bars() const;
    // The time axis: where `ms` falls across the widget.
    double xAt(double ms) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF plotArea() const;

    std::array<Segment, 4> m_segments{};
};

} // namespace kovo
