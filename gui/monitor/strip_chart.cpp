#include "gui/monitor/strip_chart.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "gui/widgets/fill_colour.h"

namespace {

constexpr int kPad = 6;
constexpr int kTick = 4;
constexpr int kMinZoomPixels = 4;  // a shorter drag is a click
constexpr std::array<int, 5> kValueTicks{0, 64, 128, 192, 255};

// 1, 2 or 5 times a power of ten, near `raw`.
double niceStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double n = raw / power;
    return (n < 1.5 ? 1 : n < 3.5 ? 2 : n < 7.5 ? 5 : 10) * power;
}

QString secondsLabel(double t, double step) {
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    return QString::number(t, 'f', decimals);
}

struct LegendItem {
    QString text;
    QColor colour;
    QPoint at;  // baseline start
};

// The names of the traces on the value axis, in their colours, flowed into rows.
std::vector<LegendItem> layoutLegend(const std::vector<ChartTrace>& traces, const QFontMetrics& fm,
                                     int left, int top, int width, int* rows) {
    std::vector<LegendItem> items;
    int x = left;
    int row = 0;
    for (const ChartTrace& t : traces) {
        if (!t.onValueAxis) continue;
        const int w = fm.horizontalAdvance(t.name);
        if (x > left && x + w > left + width) {
            x = left;
            ++row;
        }
        items.push_back({t.name, t.colour, QPoint(x, top + row * fm.height() + fm.ascent())});
        x += w + fm.horizontalAdvance(QStringLiteral("   "));
    }
    *rows = items.empty() ? 0 : row + 1;
    return items;
}

// Points that fall into one pixel column are cut down to where the trace enters it, its
// lowest and highest point and where it leaves: the same picture, but a dense trace costs
// the plot's width in line pixels rather than its number of samples.
class ColumnEnvelope {
public:
    explicit ColumnEnvelope(QPolygonF& out) : out_(out) {}
    void add(double x, double y) {
        const double column = std::floor(x);
        if (count_ > 0 && column == column_) {
            low_ = std::min(low_, y);
            high_ = std::max(high_, y);
            last_ = y;
            ++count_;
            return;
        }
        flush();
        column_ = column;
        x_ = x;
        first_ = low_ = high_ = last_ = y;
        count_ = 1;
    }
    void flush() {
        if (count_ == 0) return;
        out_.append(QPointF(x_, first_));
        if (count_ > 1) {
            if (low_ != first_) out_.append(QPointF(x_, low_));
            if (high_ != low_) out_.append(QPointF(x_, high_));
            out_.append(QPointF(x_, last_));
        }
        count_ = 0;
    }

private:
    QPolygonF& out_;
    double column_ = 0, x_ = 0, first_ = 0, low_ = 0, high_ = 0, last_ = 0;
    int count_ = 0;
};

}  // namespace

std::vector<QPolygonF> stepSegments(const std::vector<monitor::PlotPoint>& points, double base,
                                    double scale) {
    std::vector<QPolygonF> segments(1);
    for (const monitor::PlotPoint& p : points) {
        if (std::isnan(p.value)) {
            if (!segments.back().isEmpty()) segments.emplace_back();
            continue;
        }
        const double y = base + scale * p.value;
        QPolygonF& s = segments.back();
        if (!s.isEmpty() && s.back().y() != y) s.append(QPointF(p.seconds, s.back().y()));
        s.append(QPointF(p.seconds, y));
    }
    if (segments.back().isEmpty()) segments.pop_back();
    return segments;
}

StripChart::StripChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setAccessibleName(QStringLiteral("Strip chart"));
}

void StripChart::setLanes(const QStringList& names) {
    lanes_ = names;
    update();
}

void StripChart::setTraces(std::vector<ChartTrace> traces) {
    traces_ = std::move(traces);
    update();
}

const ChartTrace* StripChart::trace(const QString& name) const {
    for (const ChartTrace& t : traces_) {
        if (t.name == name) return &t;
    }
    return nullptr;
}

void StripChart::setTimeRange(double from, double to) {
    if (!(to > from)) to = from + 1;  // never an empty axis
    if (from == from_ && to == to_) return;
    from_ = from;
    to_ = to;
    update();
}

QRect StripChart::plotArea(const QRect& area) const {
    const QFontMetrics fm = fontMetrics();
    int left = 0;
    for (const QString& name : lanes_) left = std::max(left, fm.horizontalAdvance(name));
    left += kPad + kTick + kPad;
    const int right =
        kPad + fm.height() + kPad + fm.horizontalAdvance(QStringLiteral("255")) + kTick + kPad;
    int rows = 0;
    layoutLegend(traces_, fm, 0, 0, area.width() - left - right, &rows);
    const int top = kPad + std::max(rows, 1) * fm.height() + kPad;
    const int bottom = kTick + fm.height() + kPad + fm.height() + kPad;
    return area.adjusted(left, top, -right, -bottom);
}

double StripChart::secondsAt(int x) const {
    const QRect plot = plotArea(rect());
    const double f = std::clamp(static_cast<double>(x - plot.left()) / plot.width(), 0.0, 1.0);
    return from_ + f * (to_ - from_);
}

void StripChart::draw(QPainter& p, const QRect& area) const {
    const QPalette& pal = palette();
    const QColor text = pal.color(QPalette::WindowText);
    const QColor base = pal.color(QPalette::Base);
    QColor grid = pal.color(QPalette::Text);
    grid.setAlpha(48);
    p.save();
    p.setFont(font());
    p.setRenderHint(QPainter::Antialiasing, false);
    const QFontMetrics fm = fontMetrics();
    const QRect plot = plotArea(area);
    p.fillRect(area, pal.color(QPalette::Window));
    p.fillRect(plot, base);

    const auto xOf = [&](double t) {
        return plot.left() + (t - from_) / (to_ - from_) * plot.width();
    };
    const double laneTop = std::max<qsizetype>(lanes_.size(), 1) * kLaneHeight;
    const auto yOfLane = [&](double v) { return plot.bottom() - v / laneTop * plot.height(); };
    const auto yOfValue = [&](double v) { return plot.bottom() - v / kValueTop * plot.height(); };

    // Time axis: ticks at a round step, about one per hundred pixels.
    const double step = niceStep((to_ - from_) / std::max(1, plot.width() / 100));
    p.setPen(text);
    for (double t = std::ceil(from_ / step) * step; t <= to_ + step * 1e-6; t += step) {
        const int x = static_cast<int>(std::lround(xOf(t)));
        p.setPen(grid);
        p.drawLine(x, plot.top(), x, plot.bottom());
        p.setPen(text);
        p.drawLine(x, plot.bottom(), x, plot.bottom() + kTick);
        const QString label = secondsLabel(t, step);
        p.drawText(QRect(x - 50, plot.bottom() + kTick, 100, fm.height()), Qt::AlignCenter, label);
    }
    p.drawText(QRect(plot.left(), plot.bottom() + kTick + fm.height() + kPad / 2, plot.width(),
                     fm.height()),
               Qt::AlignCenter, QStringLiteral("seconds"));

    // Flag lanes on the left, their names at the lane's middle.
    for (qsizetype i = 0; i < lanes_.size(); ++i) {
        const int y = static_cast<int>(std::lround(yOfLane((i + 1) * kLaneHeight)));
        p.setPen(grid);
        if (i + 1 < lanes_.size()) p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(text);
        const int mid = static_cast<int>(std::lround(yOfLane((i + 0.5) * kLaneHeight)));
        p.drawText(QRect(area.left(), mid - fm.height() / 2, plot.left() - area.left() - kPad,
                         fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, lanes_[i]);
    }

    // The register scale on the right, its title turned along the axis.
    for (int v : kValueTicks) {
        const int y = static_cast<int>(std::lround(yOfValue(v)));
        p.drawLine(plot.right(), y, plot.right() + kTick, y);
        p.drawText(QRect(plot.right() + kTick + 2, y - fm.height() / 2, 100, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::number(v));
    }
    p.save();
    p.translate(area.right() - kPad - fm.descent(), plot.center().y());
    p.rotate(-90);
    p.drawText(QRect(-plot.height() / 2, -fm.ascent(), plot.height(), fm.height()), Qt::AlignCenter,
               QStringLiteral("register"));
    p.restore();
    int rows = 0;
    for (const LegendItem& item :
         layoutLegend(traces_, fm, plot.left(), area.top() + kPad, plot.width(), &rows)) {
        p.setPen(fillcolour::accentOn(item.colour, pal.color(QPalette::Window)));
        p.drawText(item.at, item.text);
    }

    // The traces, only the stretch in view (points are in time order).
    p.setClipRect(plot);
    QPolygonF mapped;
    for (const ChartTrace& t : traces_) {
        // A one-pixel cosmetic pen keeps to the rasteriser's fast path: a trace of thousands of
        // steps would otherwise be stroked as one huge outline.
        QPen pen(fillcolour::accentOn(t.colour, base), 0);
        pen.setCosmetic(true);
        p.setPen(pen);
        for (const QPolygonF& seg : t.segments) {
            const auto byTime = [](const QPointF& a, double s) { return a.x() < s; };
            auto first = std::lower_bound(seg.begin(), seg.end(), from_, byTime);
            auto last = std::lower_bound(first, seg.end(), to_, byTime);
            if (first != seg.begin()) --first;
            if (last != seg.end()) ++last;
            mapped.clear();
            ColumnEnvelope envelope(mapped);
            for (auto it = first; it != last; ++it) {
                envelope.add(xOf(it->x()), t.onValueAxis ? yOfValue(it->y()) : yOfLane(it->y()));
            }
            envelope.flush();
            if (mapped.size() == 1) {
                p.drawPoint(mapped.front());
            } else if (mapped.size() > 1) {
                p.drawPolyline(mapped);
            }
        }
    }
    p.setClipping(false);
    p.setPen(text);
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot.adjusted(0, 0, -1, -1));

    if (bandStart_) {
        QColor band = pal.color(QPalette::Highlight);
        band.setAlpha(70);
        const int a = std::clamp(*bandStart_, plot.left(), plot.right());
        const int b = std::clamp(bandEnd_, plot.left(), plot.right());
        p.fillRect(QRect(QPoint(std::min(a, b), plot.top()), QPoint(std::max(a, b), plot.bottom())),
                   band);
    }
    p.restore();
}

void StripChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    draw(p, rect());
}

void StripChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        plotArea(rect()).contains(event->position().toPoint())) {
        bandStart_ = bandEnd_ = event->position().toPoint().x();
        update();
    }
    QWidget::mousePressEvent(event);
}

void StripChart::mouseMoveEvent(QMouseEvent* event) {
    if (bandStart_) {
        bandEnd_ = event->position().toPoint().x();
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void StripChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && bandStart_) {
        const int a = *bandStart_;
        const int b = event->position().toPoint().x();
        bandStart_.reset();
        update();
        if (std::abs(b - a) >= kMinZoomPixels) {
            emit zoomRequested(secondsAt(std::min(a, b)), secondsAt(std::max(a, b)));
        }
    } else if (event->button() == Qt::RightButton) {
        emit zoomOutRequested();
    }
    QWidget::mouseReleaseEvent(event);
}
