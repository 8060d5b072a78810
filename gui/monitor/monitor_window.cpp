#include "gui/monitor/monitor_window.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QSvgGenerator>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

#include "core/chip/register_map.h"
#include "core/link/communication.h"
#include "core/monitor/sample_format.h"
#include "gui/widgets/screen_fit.h"

namespace {

constexpr int kPlotRefreshMs = 250;
// The registers a user may tick: the control and configuration registers.
constexpr std::uint8_t kFirstTickable = chip::kFirstControl;
constexpr std::uint8_t kLastTickable = chip::kLastEeprom;
// Each flag has a lane two units high; its trace runs between base+0.3 (0) and base+1.5 (1).
constexpr double kLaneHeight = 2.0;
constexpr double kLaneLow = 0.3;
constexpr double kLaneStep = 1.2;

struct Span {
    const char* text;
    double seconds;
};
constexpr std::array<Span, 5> kSpans{
    {{"1 min", 60}, {"10 min", 600}, {"1 h", 3600}, {"24 h", 86400}, {"All", 0}}};

std::vector<std::uint8_t> tickableRegisters() {
    std::vector<std::uint8_t> all;
    for (unsigned a = kFirstTickable; a <= kLastTickable; ++a)
        all.push_back(static_cast<std::uint8_t>(a));
    return all;
}

}  // namespace

MonitorWindow::MonitorWindow(monitor::RegisterReader read, QWidget* parent)
    : QWidget(parent, Qt::Window),
      read_(std::move(read)),
      plot_(tickableRegisters()),
      secondsNow_([start = std::chrono::steady_clock::now()] {
          return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      }),
      cboInterval_(new QComboBox(this)),
      cboSpan_(new QComboBox(this)),
      cmdPause_(new QPushButton(QStringLiteral("Pause"), this)),
      cmdRecord_(new QPushButton(QStringLiteral("Start recording"), this)),
      cmdSavePicture_(new QPushButton(QStringLiteral("Save picture"), this)),
      lblRecording_(new QLabel(this)),
      chart_(new QChart()),
      chartView_(new QChartView(chart_, this)),
      hsbTime_(new QScrollBar(Qt::Horizontal, this)),
      lstEvents_(new QListWidget(this)),
      tmrMonitor_(new QTimer(this)),
      tmrPlot_(new QTimer(this)),
      timeAxis_(new QValueAxis(chart_)) {
    setObjectName(QStringLiteral("frmMonitor"));
    setWindowTitle(QStringLiteral("Monitor"));
    setAttribute(Qt::WA_DeleteOnClose);
    cboInterval_->setObjectName(QStringLiteral("cboInterval"));
    cboSpan_->setObjectName(QStringLiteral("cboSpan"));
    cmdPause_->setObjectName(QStringLiteral("cmdPause"));
    cmdPause_->setCheckable(true);
    cmdRecord_->setObjectName(QStringLiteral("cmdRecord"));
    cmdSavePicture_->setObjectName(QStringLiteral("cmdSavePicture"));
    lblRecording_->setObjectName(QStringLiteral("lblRecording"));
    chartView_->setObjectName(QStringLiteral("chartMonitor"));
    hsbTime_->setObjectName(QStringLiteral("hsbTime"));
    lstEvents_->setObjectName(QStringLiteral("lstEvents"));
    tmrMonitor_->setObjectName(QStringLiteral("tmrMonitor"));

    for (int ms : kIntervalsMs) {
        cboInterval_->addItem(
            ms >= 1000 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms),
            ms);
    }
    for (const Span& span : kSpans) cboSpan_->addItem(QString::fromLatin1(span.text), span.seconds);

    // Flags in lanes, bit 0 at the bottom; registers on their own 0..255 axis.
    auto* lanes = new QCategoryAxis(chart_);
    lanes->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    const std::vector<std::string_view> names = monitor::flagNames();
    for (int bit = 0; bit < 8; ++bit) {
        lanes->append(QString::fromLatin1(names[bit].data(), static_cast<int>(names[bit].size())),
                      (bit + 1) * kLaneHeight);
        flagTraces_[static_cast<std::size_t>(bit)] = {
            QString::fromLatin1(names[bit].data(), static_cast<int>(names[bit].size())), {}, lanes};
    }
    lanes->setRange(0, 8 * kLaneHeight);
    auto* values = new QValueAxis(chart_);
    values->setRange(0, 255);
    values->setTitleText(QStringLiteral("register"));
    auto* time = static_cast<QValueAxis*>(timeAxis_);
    time->setTitleText(QStringLiteral("seconds"));
    time->setRange(0, spanSeconds() > 0 ? spanSeconds() : 60);
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(lanes, Qt::AlignLeft);
    chart_->addAxis(values, Qt::AlignRight);
    // The flag lanes carry their names on the left axis, the registers theirs in colour on the
    // right axis's title.
    chart_->legend()->hide();
    chartView_->setRenderHint(QPainter::Antialiasing, false);
    chartView_->setRubberBand(QChartView::HorizontalRubberBand);  // zoom on the time axis
    chartView_->setMinimumSize(640, 360);

    auto* registerBox = new QGridLayout;
    for (std::uint8_t a : plot_.registerAddresses()) {
        const QString name = QString::fromStdString(monitor::registerColumn(a));
        auto* box = new QCheckBox(name, this);
        box->setObjectName(QStringLiteral("chkRegister(%1)").arg(a));
        const int i = static_cast<int>(chkRegister_.size());
        registerBox->addWidget(box, i / 5, i % 5);
        chkRegister_.push_back(box);
        registerTraces_.push_back({name, {}, values});
    }

    auto* controls = new QHBoxLayout;
    auto* interval = new QLabel(QStringLiteral("&Interval"), this);
    interval->setBuddy(cboInterval_);
    cboInterval_->setAccessibleName(QStringLiteral("Interval"));
    controls->addWidget(interval);
    controls->addWidget(cboInterval_);
    auto* span = new QLabel(QStringLiteral("S&pan"), this);
    span->setBuddy(cboSpan_);
    cboSpan_->setAccessibleName(QStringLiteral("Span"));
    controls->addWidget(span);
    controls->addWidget(cboSpan_);
    controls->addWidget(cmdPause_);
    controls->addStretch();
    controls->addWidget(lblRecording_);
    controls->addWidget(cmdRecord_);
    controls->addWidget(cmdSavePicture_);

    auto* plotPart = new QWidget(this);
    auto* plotLayout = new QVBoxLayout(plotPart);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    plotLayout->addWidget(chartView_);
    plotLayout->addWidget(hsbTime_);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(plotPart);
    splitter->addWidget(lstEvents_);
    splitter->setStretchFactor(0, 3);

    lstEvents_->setAccessibleName(QStringLiteral("Flag changes"));
    hsbTime_->setAccessibleName(QStringLiteral("Time"));
    chartView_->setAccessibleName(QStringLiteral("Status chart"));
    chartView_->setFocusPolicy(Qt::NoFocus);  // nothing in it answers the keyboard

    // On a screen too small for the chart and the list together, the window scrolls.
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addLayout(registerBox);
    layout->addWidget(splitter);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(screenfit::scrolling(content));

    // One line a row: scrolling to the end need not measure every line of a long list.
    lstEvents_->setUniformItemSizes(true);
    hsbTime_->setEnabled(false);
    connect(cboInterval_, &QComboBox::currentIndexChanged, this, &MonitorWindow::onIntervalChanged);
    connect(cboSpan_, &QComboBox::currentIndexChanged, this, [this] { refreshPlot(); });
    connect(cmdPause_, &QPushButton::toggled, this, &MonitorWindow::onPauseToggled);
    connect(cmdRecord_, &QPushButton::clicked, this, &MonitorWindow::onRecordClicked);
    connect(cmdSavePicture_, &QPushButton::clicked, this, &MonitorWindow::onSavePictureClicked);
    connect(hsbTime_, &QScrollBar::valueChanged, this, &MonitorWindow::onScroll);
    connect(tmrMonitor_, &QTimer::timeout, this, &MonitorWindow::onTick);
    connect(tmrPlot_, &QTimer::timeout, this, [this] {
        if (dirty_ && !cmdPause_->isChecked()) refreshPlot();
    });
    tmrPlot_->start(kPlotRefreshMs);
    screenfit::fitWindow(this);
}

void MonitorWindow::keyPressEvent(QKeyEvent* event) {
    // Escape closes it, as it does a dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

MonitorWindow::~MonitorWindow() {
    stopRecording();
}

void MonitorWindow::closeEvent(QCloseEvent* event) {
    tmrMonitor_->stop();
    stopRecording();
    event->accept();
}

std::vector<std::uint8_t> MonitorWindow::tickedRegisters() const {
    if (isRecording()) return recordedRegisters_;  // the file's columns stay as they began
    std::vector<std::uint8_t> ticked;
    for (std::size_t i = 0; i < chkRegister_.size(); ++i) {
        if (chkRegister_[i]->isChecked()) ticked.push_back(plot_.registerAddresses()[i]);
    }
    return ticked;
}

void MonitorWindow::statusRead(std::int32_t rc, std::uint8_t value) {
    if (tmrMonitor_->isActive()) return;  // the faster timer samples on its own
    if (holdOff_ && holdOff_()) return;
    std::optional<std::uint8_t> status;
    if (rc == 0) status = value;
    addSample(monitor::completeSample(status, tickedRegisters(), read_,
                                      std::chrono::system_clock::now(), secondsNow_()));
}

void MonitorWindow::onTick() {
    if (holdOff_ && holdOff_()) return;
    addSample(monitor::takeSample(tickedRegisters(), read_, std::chrono::system_clock::now(),
                                  secondsNow_()));
}

void MonitorWindow::onIntervalChanged() {
    const int ms = cboInterval_->currentData().toInt();
    if (ms >= kIntervalsMs[0]) {
        tmrMonitor_->stop();
    } else {
        tmrMonitor_->start(ms);
    }
}

void MonitorWindow::addSample(const monitor::MonitorSample& sample) {
    plot_.add(sample, tickedRegisters());
    for (const monitor::FlagEvent& e : events_.update(sample)) {
        lstEvents_->addItem(QString::fromStdString(monitor::formatEvent(e)));
        if (lstEvents_->count() > kMaxEvents) delete lstEvents_->takeItem(0);
        if (!cmdPause_->isChecked()) lstEvents_->scrollToBottom();
    }
    if (isRecording() && !recorder_.add(sample)) {
        const QString why = QString::fromStdString(recorder_.error());
        stopRecording();
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Recording stopped: %1").arg(why));
    }
    dirty_ = true;
}

bool MonitorWindow::startRecording(const QString& path) {
    stopRecording();
    recordedRegisters_ = tickedRegisters();
    if (!recorder_.open(path.toStdString(), recordedRegisters_)) {
        QMessageBox::warning(this, windowTitle(),
                             QString::fromStdString("Cannot record: " + recorder_.error()));
        return false;
    }
    for (QCheckBox* box : chkRegister_) box->setEnabled(false);
    cmdRecord_->setText(QStringLiteral("Stop recording"));
    lblRecording_->setText(QStringLiteral("Recording to %1").arg(path));
    return true;
}

void MonitorWindow::stopRecording() {
    if (!recorder_.isOpen()) return;
    recorder_.close();
    for (QCheckBox* box : chkRegister_) box->setEnabled(true);
    cmdRecord_->setText(QStringLiteral("Start recording"));
    lblRecording_->setText(QStringLiteral("%1 rows recorded").arg(recorder_.rows()));
}

void MonitorWindow::onRecordClicked() {
    if (isRecording()) {
        stopRecording();
        return;
    }
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Record to"), QString(),
                                                      QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty()) startRecording(path);
}

bool MonitorWindow::savePicture(const QString& path) {
    refreshPlot();
    QApplication::processEvents();  // the chart lays out its new titles and points
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(chartView_->size());
        svg.setViewBox(chartView_->rect());
        svg.setTitle(windowTitle());
        QPainter painter;
        if (!painter.begin(&svg)) return false;
        chartView_->render(&painter);
        return painter.end();
    }
    return chartView_->grab().save(path, "PNG");
}

void MonitorWindow::onSavePictureClicked() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save picture"), QString(),
                                     QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg)"));
    if (path.isEmpty()) return;
    if (!savePicture(path)) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Cannot save %1").arg(path));
    }
}

double MonitorWindow::spanSeconds() const {
    return cboSpan_->currentData().toDouble();
}

void MonitorWindow::setTimeRange(double end) {
    const double span = spanSeconds();
    if (span <= 0) {
        timeAxis_->setRange(0.0, std::max(end, 1.0));
    } else {
        timeAxis_->setRange(std::max(0.0, end - span), std::max(end, span));
    }
}

void MonitorWindow::onPauseToggled(bool paused) {
    // Sampling and recording go on; only the picture stands still for scrolling back.
    hsbTime_->setEnabled(paused);
    if (paused) {
        refreshPlot();
        const int last = static_cast<int>(std::ceil(plot_.lastSeconds()));
        hsbTime_->setRange(0, last);
        hsbTime_->setPageStep(std::max(1, static_cast<int>(spanSeconds())));
        hsbTime_->setValue(last);
    } else {
        refreshPlot();
    }
}

void MonitorWindow::onScroll(int value) {
    if (cmdPause_->isChecked()) setTimeRange(value);
}

void MonitorWindow::drawTrace(Trace& trace, const std::vector<monitor::PlotPoint>& points,
                              double base, double scale) {
    // Step shape: a value holds until the next sample; a gap ends the segment.
    std::vector<QList<QPointF>> segments(1);
    for (const monitor::PlotPoint& p : points) {
        if (std::isnan(p.value)) {
            if (!segments.back().isEmpty()) segments.emplace_back();
            continue;
        }
        const double y = base + scale * p.value;
        QList<QPointF>& s = segments.back();
        if (!s.isEmpty() && s.back().y() != y) s.append(QPointF(p.seconds, s.back().y()));
        s.append(QPointF(p.seconds, y));
    }
    if (segments.back().isEmpty()) segments.pop_back();
    while (trace.segments.size() < segments.size()) {
        auto* series = new QLineSeries(chart_);
        series->setName(trace.name);
        chart_->addSeries(series);
        series->attachAxis(timeAxis_);
        series->attachAxis(trace.yAxis);
        if (!trace.segments.empty()) series->setColor(trace.segments.front()->color());
        trace.segments.push_back(series);
    }
    while (trace.segments.size() > std::max<std::size_t>(segments.size(), 1)) {
        chart_->removeSeries(trace.segments.back());
        delete trace.segments.back();
        trace.segments.pop_back();
    }
    for (std::size_t i = 0; i < trace.segments.size(); ++i) {
        trace.segments[i]->replace(i < segments.size() ? segments[i] : QList<QPointF>{});
    }
}

void MonitorWindow::refreshPlot() {
    dirty_ = false;
    for (int bit = 0; bit < 8; ++bit) {
        drawTrace(flagTraces_[static_cast<std::size_t>(bit)], plot_.flag(bit).points(),
                  bit * kLaneHeight + kLaneLow, kLaneStep);
    }
    const std::vector<std::uint8_t> ticked = tickedRegisters();
    for (std::size_t i = 0; i < registerTraces_.size(); ++i) {
        const bool shown =
            std::find(ticked.begin(), ticked.end(), plot_.registerAddresses()[i]) != ticked.end();
        Trace& trace = registerTraces_[i];
        if (shown) {
            drawTrace(trace, plot_.reg(i).points(), 0, 1);
        } else if (!trace.segments.empty()) {
            drawTrace(trace, {}, 0, 1);
            chart_->removeSeries(trace.segments.front());
            delete trace.segments.front();
            trace.segments.clear();
        }
    }
    QStringList names;
    for (const Trace& trace : registerTraces_) {
        if (trace.segments.empty()) continue;
        names << QStringLiteral("<span style=\"color:%1\">%2</span>")
                     .arg(trace.segments.front()->color().name(), trace.name);
    }
    registerTraces_.front().yAxis->setTitleText(names.isEmpty() ? QStringLiteral("register")
                                                                : names.join(QStringLiteral("  ")));
    if (!cmdPause_->isChecked()) setTimeRange(plot_.lastSeconds());
}
