#include "courtesy_timeline.h"

#include <QPainter>
#include <QPalette>
#include <limits>

namespace kovo {

namespace {

constexpr int Margin = 6;
constexpr int AxisHeight = 18; // the axis line and its millisecond labels under the bars

} // namespace

CourtesyTimeline::CourtesyTimeline(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Courtesy tone timeline"));
}

void CourtesyTimeline::setSegments(const std::array<Segment, 4>& segments) {
    m_segments = segments;
    // What the drawing shows, for a screen reader.
    QStringList parts;
    for (int i = 0; i < int(m_segments.size()); ++i) {
        const Segment& s = m_segments[i];
        parts << QStringLiteral("segment %1: pause %2 ms, %3/%4 Hz for %5 ms")
                     .arg(i + 1)
                     .arg(s.delayMs)
                     .arg(s.firstTone)
                     .arg(s.secondTone)
                     .arg(s.durationMs);
    }
    setAccessibleDescription(parts.join(QStringLiteral("; ")));
    update();
}

int CourtesyTimeline::totalMs() const {
    qint64 total = 0;
    for (const Segment& segment : m_segments)
        total += qMax(0, segment.delayMs) + qMax(0, segment.durationMs);
    return static_cast<int>(qMin<qint64>(total, std::numeric_limits<int>::max()));
}

QRectF CourtesyTimeline::plotArea() const {
    return QRectF(Margin, Margin, qMax(1, width() - 2 * Margin),
                  qMax(1, height() - 2 * Margin - AxisHeight));
}

double CourtesyTimeline::xAt(double ms) const {
    const QRectF area = plotArea();
    const int total = totalMs();
    return total > 0 ? area.left() + area.width() * ms / total : area.left();
}

QVector<CourtesyTimeline::Bar> CourtesyTimeline::bars() const {
    QVector<Bar> result;
    const QRectF area = plotArea();
    int at = 0;
    for (int i = 0; i < int(m_segments.size()); ++i) {
        const Segment& segment = m_segments[i];
        at += qMax(0, segment.delayMs);
        const int duration = qMax(0, segment.durationMs);
        if (duration > 0) {
            Bar bar;
            bar.segment = i + 1;
            bar.startMs = at;
            bar.endMs = at + duration;
            bar.rect = QRectF(QPointF(xAt(bar.startMs), area.top()),
                              QPointF(xAt(bar.endMs), area.bottom()));
            bar.label = QStringLiteral("%1/%2 Hz").arg(segment.firstTone).arg(segment.secondTone);
            result << bar;
        }
        at += duration;
    }
    return result;
}

QSize CourtesyTimeline::sizeHint() const {
    return QSize(480, 64);
}

QSize CourtesyTimeline::minimumSizeHint() const {
    return QSize(160, 64);
}

void CourtesyTimeline::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    QPainter painter(this);
    const QPalette colours = palette();
    const QRectF area = plotArea();
    painter.fillRect(rect(), colours.base());

    // The time axis under the bars, from 0 to the whole tone.
    painter.setPen(colours.color(QPalette::Text));
    const double axisY = area.bottom() + 2;
    painter.drawLine(QPointF(area.left(), axisY), QPointF(area.right(), axisY));
    const QFontMetrics metrics(font());
    const QRectF labels(area.left(), axisY + 1, area.width(), AxisHeight - 2);
    painter.drawText(labels, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("0"));
    painter.drawText(labels, Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("%1 ms").arg(totalMs()));

    for (const Bar& bar : bars()) {
        painter.fillRect(bar.rect, colours.highlight());
        painter.setPen(colours.color(QPalette::HighlightedText));
        // A label that does not fit its bar is left out rather than drawn over its neighbours.
        if (metrics.horizontalAdvance(bar.label) + 4 <= bar.rect.width())
            painter.drawText(bar.rect, Qt::AlignCenter, bar.label);
    }
}

} // namespace kovo
