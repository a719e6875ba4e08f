#include "courtesy_timeline.h"

#include "database/database.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace kovo {
namespace {

// Bounded, so that no text in a file can overflow the sums of the timeline.
int field(const Database& db, int port, const char* name, int number, int tone) {
    const QString key = QStringLiteral("P%1%2%3").arg(port).arg(QLatin1String(name)).arg(number);
    return qBound(0, numericInt(db.value(key, tone)), 1000000);
}

QString toneText(const CourtesyTimeline::Segment& segment) {
    if (segment.firstTone > 0 && segment.secondTone > 0)
        return QStringLiteral("%1 + %2 Hz").arg(segment.firstTone).arg(segment.secondTone);
    return QStringLiteral("%1 Hz").arg(qMax(segment.firstTone, segment.secondTone));
}

bool sounds(const CourtesyTimeline::Segment& segment) {
    return segment.duration > 0 && (segment.firstTone > 0 || segment.secondTone > 0);
}

} // namespace

CourtesyTimeline::CourtesyTimeline(const Database& db, int port, int tone) {
    for (int k = 1; k <= 4; ++k) {
        Segment segment;
        segment.delay = field(db, port, "Delay", k, tone);
        segment.duration = field(db, port, "Dur", k, tone);
        segment.firstTone = field(db, port, "Tone", 2 * k - 1, tone);
        segment.secondTone = field(db, port, "Tone", 2 * k, tone);
        m_segments.append(segment);
    }
}

int CourtesyTimeline::totalMilliseconds() const {
    int total = 0;
    for (const Segment& segment : m_segments)
        total += segment.delay + segment.duration;
    return total;
}

bool CourtesyTimeline::silent() const {
    return std::none_of(m_segments.cbegin(), m_segments.cend(), sounds);
}

QString CourtesyTimeline::describe() const {
    QStringList parts;
    for (const Segment& segment : m_segments) {
        if (sounds(segment)) {
            parts << QStringLiteral("%1 ms, then %2 for %3 ms")
                         .arg(segment.delay)
                         .arg(toneText(segment))
                         .arg(segment.duration);
        }
    }
    return parts.isEmpty() ? QStringLiteral("silent") : parts.join(QStringLiteral("; "));
}

QImage CourtesyTimeline::render(int width, int height) const {
    QImage image(qMax(width, 40), qMax(height, 20), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(qMax(8, image.height() / 4));
    painter.setFont(font);
    const QFontMetrics metrics(font);

    const int margin = 4;
    const int axisY = image.height() - metrics.height() - 2;
    const int barTop = margin;
    const double span = image.width() - 2 * margin;
    const int total = totalMilliseconds();
    painter.setPen(QPen(Qt::gray, 1));
    painter.drawLine(margin, axisY, image.width() - margin, axisY);
    painter.setPen(Qt::black);
    painter.drawText(margin, image.height() - 2, QStringLiteral("0"));
    const QString end = QStringLiteral("%1 ms").arg(total);
    painter.drawText(image.width() - margin - metrics.horizontalAdvance(end), image.height() - 2,
                     end);
    if (total <= 0)
        return image;

    double at = 0;
    for (const Segment& segment : m_segments) {
        at += segment.delay;
        const QRectF bar(margin + span * at / total, barTop, span * segment.duration / total,
                         axisY - barTop);
        at += segment.duration;
        if (segment.duration <= 0)
            continue;
        const bool on = sounds(segment);
        painter.setPen(QPen(on ? QColor(20, 60, 140) : Qt::gray, 1));
        painter.setBrush(on ? QColor(90, 140, 220) : QColor(230, 230, 230));
        painter.drawRect(bar);
        const QString label = on ? toneText(segment) : QString();
        if (!label.isEmpty() && metrics.horizontalAdvance(label) + 4 <= bar.width()) {
            painter.setPen(Qt::white);
            painter.drawText(bar, Qt::AlignCenter, label);
        }
    }
    return image;
}

} // namespace kovo
