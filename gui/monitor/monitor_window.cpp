#include "gui/monitor/monitor_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "core/chip/register_map.h"
#include "core/link/communication.h"
#include "core/monitor/sample_format.h"
#include "gui/monitor/strip_chart.h"
#include "gui/widgets/elided_label.h"
#include "gui/widgets/screen_fit.h"

namespace {

constexpr int kPlotRefreshMs = 250;
// The registers a user may tick: the control and configuration registers.
constexpr std::uint8_t kFirstTickable = chip::kFirstControl;
constexpr std::uint8_t kLastTickable = chip::kLastEeprom;
// Each flag has a lane of its own; its trace runs between base+0.3 (0) and base+1.5 (1).
constexpr double kLaneLow = 0.3;
constexpr double kLaneStep = 1.2;
// Trace colours, told apart on a light or a dark background (the chart lightens or darkens
// them as the palette needs): flags by bit, registers in the order of their boxes.
constexpr std::array<QRgb, 8> kFlagColours{0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728,
                                           0x9467bd, 0x8c564b, 0xe377c2, 0x17becf};
constexpr std::array<QRgb, 10> kRegisterColours{0x393b79, 0xad494a, 0x637939, 0x8c6d31, 0x7b4173,
                                                0x3182bd, 0xe6550d, 0x31a354, 0x756bb1, 0x636363};

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
      lblRecording_(new ElidedLabel(this)),
      chart_(new StripChart(this)),
      hsbTime_(new QScrollBar(Qt::Horizontal, this)),
      lstEvents_(new QListWidget(this)),
      tmrMonitor_(new QTimer(this)),
      tmrPlot_(new QTimer(this)) {
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
    chart_->setObjectName(QStringLiteral("chartMonitor"));
    hsbTime_->setObjectName(QStringLiteral("hsbTime"));
    lstEvents_->setObjectName(QStringLiteral("lstEvents"));
    tmrMonitor_->setObjectName(QStringLiteral("tmrMonitor"));

    for (int ms : kIntervalsMs) {
        cboInterval_->addItem(
            ms >= 1000 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms),
            ms);
    }
    for (const Span& span : kSpans) cboSpan_->addItem(QString::fromLatin1(span.text), span.seconds);

    // Flags in lanes, bit 0 at the bottom; registers on the 0..255 scale.
    QStringList lanes;
    for (std::string_view name : monitor::flagNames()) {
        lanes << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    chart_->setLanes(lanes);
    chart_->setTimeRange(0, spanSeconds() > 0 ? spanSeconds() : 60);

    auto* registerBox = new QGridLayout;
    for (std::uint8_t a : plot_.registerAddresses()) {
        const QString name = QString::fromStdString(monitor::registerColumn(a));
        auto* box = new QCheckBox(name, this);
        box->setObjectName(QStringLiteral("chkRegister(%1)").arg(a));
        const int i = static_cast<int>(chkRegister_.size());
        registerBox->addWidget(box, i / 5, i % 5);
        chkRegister_.push_back(box);
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
    // The file's name takes the free room of the row, so that a long one cannot push the
    // buttons out of the window.
    lblRecording_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    controls->addWidget(lblRecording_, 1);
    controls->addWidget(cmdRecord_);
    controls->addWidget(cmdSavePicture_);

    auto* plotPart = new QWidget(this);
    auto* plotLayout = new QVBoxLayout(plotPart);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    plotLayout->addWidget(chart_);
    plotLayout->addWidget(hsbTime_);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(plotPart);
    splitter->addWidget(lstEvents_);
    splitter->setStretchFactor(0, 3);

    lstEvents_->setAccessibleName(QStringLiteral("Flag changes"));
    hsbTime_->setAccessibleName(QStringLiteral("Time"));
    chart_->setAccessibleName(QStringLiteral("Status chart"));
    chart_->setFocusPolicy(Qt::NoFocus);  // nothing in it answers the keyboard

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
    connect(cboSpan_, &QComboBox::currentIndexChanged, this, [this] {
        zoomSeconds_ = 0;  // a new span shows all of itself
        if (cmdPause_->isChecked()) onPauseToggled(true);
        refreshPlot();
    });
    connect(chart_, &StripChart::zoomRequested, this, &MonitorWindow::onZoom);
    connect(chart_, &StripChart::zoomOutRequested, this, &MonitorWindow::onZoomOut);
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
    lblRecording_->setFullText(
        QStringLiteral("Recording to %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void MonitorWindow::stopRecording() {
    if (!recorder_.isOpen()) return;
    recorder_.close();
    for (QCheckBox* box : chkRegister_) box->setEnabled(true);
    cmdRecord_->setText(QStringLiteral("Start recording"));
    lblRecording_->setFullText(QStringLiteral("%1 rows recorded").arg(recorder_.rows()));
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
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        // One page the chart's size, drawn as lines and text rather than as pixels.
        QPdfWriter pdf(path);
        const int dpi = chart_->logicalDpiX();
        pdf.setResolution(dpi);
        pdf.setPageSize(QPageSize(QSizeF(chart_->size()) * 72.0 / dpi, QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(windowTitle());
        pdf.setCreator(QStringLiteral("Varenthal"));
        QPainter painter;
        if (!painter.begin(&pdf)) return false;
        chart_->draw(painter, QRect(QPoint(0, 0), chart_->size()));
        return painter.end();
    }
    return chart_->grab().save(path, "PNG");
}

void MonitorWindow::onSavePictureClicked() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save picture"), QString(),
                                     QStringLiteral("PNG picture (*.png);;PDF document (*.pdf)"));
    if (path.isEmpty()) return;
    if (!savePicture(path)) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Cannot save %1").arg(path));
    }
}

double MonitorWindow::spanSeconds() const {
    return cboSpan_->currentData().toDouble();
}

double MonitorWindow::visibleSeconds() const {
    return zoomSeconds_ > 0 ? zoomSeconds_ : spanSeconds();
}

void MonitorWindow::setTimeRange(double end) {
    const double width = visibleSeconds();
    if (width <= 0) {
        chart_->setTimeRange(0.0, std::max(end, 1.0));
    } else {
        chart_->setTimeRange(std::max(0.0, end - width), std::max(end, width));
    }
}

void MonitorWindow::onPauseToggled(bool paused) {
    // Sampling and recording go on; only the picture stands still for scrolling back.
    hsbTime_->setEnabled(paused);
    if (!paused) zoomSeconds_ = 0;  // running shows the newest span
    refreshPlot();
    if (paused) {
        const int last = static_cast<int>(std::ceil(plot_.lastSeconds()));
        const QSignalBlocker quiet(hsbTime_);
        hsbTime_->setRange(0, last);
        hsbTime_->setPageStep(std::max(1, static_cast<int>(visibleSeconds())));
        hsbTime_->setValue(last);
        setTimeRange(last);
    }
}

void MonitorWindow::onScroll(int value) {
    if (cmdPause_->isChecked()) setTimeRange(value);
}

void MonitorWindow::onZoom(double from, double to) {
    // Looking closer at a stretch holds the picture there, as a pause does.
    if (!cmdPause_->isChecked()) cmdPause_->setChecked(true);
    zoomSeconds_ = std::max(to - from, 0.1);
    const QSignalBlocker quiet(hsbTime_);
    hsbTime_->setPageStep(std::max(1, static_cast<int>(zoomSeconds_)));
    hsbTime_->setValue(static_cast<int>(std::ceil(to)));
    chart_->setTimeRange(from, from + zoomSeconds_);
}

void MonitorWindow::onZoomOut() {
    if (zoomSeconds_ <= 0) return;
    const double centre = (chart_->timeFrom() + chart_->timeTo()) / 2;
    zoomSeconds_ *= 2;
    const double span = spanSeconds() > 0 ? spanSeconds() : plot_.lastSeconds();
    if (zoomSeconds_ >= span) zoomSeconds_ = 0;  // back to the whole span
    const double end = std::max(centre + visibleSeconds() / 2, visibleSeconds());
    const QSignalBlocker quiet(hsbTime_);
    hsbTime_->setPageStep(std::max(1, static_cast<int>(visibleSeconds())));
    hsbTime_->setValue(static_cast<int>(std::ceil(end)));
    setTimeRange(end);
}

void MonitorWindow::refreshPlot() {
    dirty_ = false;
    std::vector<ChartTrace> traces;
    const std::vector<std::string_view> names = monitor::flagNames();
    for (int bit = 0; bit < 8; ++bit) {
        const std::size_t b = static_cast<std::size_t>(bit);
        traces.push_back(
            {QString::fromLatin1(names[b].data(), static_cast<qsizetype>(names[b].size())),
             QColor(kFlagColours[b]), false,
             stepSegments(plot_.flag(bit).points(), bit * StripChart::kLaneHeight + kLaneLow,
                          kLaneStep)});
    }
    const std::vector<std::uint8_t> ticked = tickedRegisters();
    for (std::size_t i = 0; i < chkRegister_.size(); ++i) {
        if (std::find(ticked.begin(), ticked.end(), plot_.registerAddresses()[i]) == ticked.end())
            continue;
        traces.push_back({chkRegister_[i]->text(),
                          QColor(kRegisterColours[i % kRegisterColours.size()]), true,
                          stepSegments(plot_.reg(i).points(), 0, 1)});
    }
    chart_->setTraces(std::move(traces));
    if (!cmdPause_->isChecked()) setTimeRange(plot_.lastSeconds());
}
