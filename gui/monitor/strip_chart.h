#pragma once
// The Monitor's strip chart, drawn with QPainter: the STATUS flags as step traces in lanes
// named on the left, registers as step traces on the 0..255 scale on the right, seconds
// along the bottom; axes, grid and text in the palette's colours, so that it follows a dark
// desktop. Dragging across the plot asks to zoom to that stretch of time, a right click to
// zoom out; the window decides what the time axis shows.

#include <QColor>
#include <QPolygonF>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>
#include <vector>

#include "core/monitor/min_max_series.h"

class QPainter;

struct ChartTrace {
    QString name;
    QColor colour;
    bool onValueAxis = false;         // false: in a flag lane, on the left axis
    std::vector<QPolygonF> segments;  // seconds against axis units; gaps between them
};

// The step shape of `points`: each value holds until the next sample; a NaN (no answer)
// ends a segment. Values are mapped to base + scale * value.
std::vector<QPolygonF> stepSegments(const std::vector<monitor::PlotPoint>& points, double base,
                                    double scale);

class StripChart : public QWidget {
    Q_OBJECT
public:
    static constexpr double kLaneHeight = 2.0;  // left-axis units per flag lane
    static constexpr double kValueTop = 255.0;  // the right axis runs 0..255

    explicit StripChart(QWidget* parent = nullptr);

    // The lanes' names, bottom lane first.
    void setLanes(const QStringList& names);
    void setTraces(std::vector<ChartTrace> traces);
    const std::vector<ChartTrace>& traces() const { return traces_; }
    // The trace of that name, or null.
    const ChartTrace* trace(const QString& name) const;

    void setTimeRange(double from, double to);
    double timeFrom() const { return from_; }
    double timeTo() const { return to_; }

    // Draws the whole chart over `area` of any paint device: the screen, a picture, a PDF page.
    void draw(QPainter& painter, const QRect& area) const;

    QSize minimumSizeHint() const override { return {640, 360}; }

signals:
    void zoomRequested(double from, double to);
    void zoomOutRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRect plotArea(const QRect& area) const;
    double secondsAt(int x) const;

    QStringList lanes_;
    std::vector<ChartTrace> traces_;
    double from_ = 0;
    double to_ = 60;
    std::optional<int> bandStart_;  // a drag in progress, from this x
    int bandEnd_ = 0;
};
