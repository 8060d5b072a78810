#pragma once
// The Monitor window: a strip chart of the STATUS flags (step traces) and of the ticked
// registers over time, the list of flag changes, and recording to a CSV file.
//
// At the default 1 s it takes the status panel's own STATUS read (statusRead) and makes no
// STATUS read of its own; at a faster interval it reads on its own timer, `tmrMonitor`.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/monitor/csv_recorder.h"
#include "core/monitor/flag_events.h"
#include "core/monitor/monitor_plot_model.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QScrollBar;
class QTimer;
class ElidedLabel;
class StripChart;

class MonitorWindow : public QWidget {
    Q_OBJECT
public:
    // Sampling intervals offered, fastest last; the first is the status panel's own second.
    static constexpr std::array<int, 5> kIntervalsMs{1000, 500, 200, 100, 50};
    static constexpr int kMaxEvents = 10000;  // older lines drop off the list

    // `read` reaches the chip for the Monitor's own reads at intervals under 1 s.
    explicit MonitorWindow(monitor::RegisterReader read, QWidget* parent = nullptr);
    ~MonitorWindow() override;

    // How the window reads the bus; by default the program's register access layer.
    void setReader(monitor::RegisterReader read) { read_ = std::move(read); }
    // While this says so (an EEPROM programming run), the window takes no samples and makes
    // no reads: the sequence owns the bus.
    void setHoldOff(std::function<bool()> holdOff) { holdOff_ = std::move(holdOff); }
    // Seconds since the window opened; replaceable so that scripted runs keep their times.
    void setSecondsClock(std::function<double()> seconds) { secondsNow_ = std::move(seconds); }

    // The status panel's STATUS read: rc 0 = answered with `value`.
    void statusRead(std::int32_t rc, std::uint8_t value);

    // Recording without the file dialog (the button asks for the name, then calls these).
    bool startRecording(const QString& path);
    void stopRecording();
    bool isRecording() const { return recorder_.isOpen(); }

    // Writes the chart as PNG, or as a PDF page when `path` ends in .pdf.
    bool savePicture(const QString& path);

    const monitor::MonitorPlotModel& plotModel() const { return plot_; }
    // Redraws the chart now (it is otherwise redrawn a few times a second while running).
    void refreshPlot();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addSample(const monitor::MonitorSample& sample);
    std::vector<std::uint8_t> tickedRegisters() const;
    void onIntervalChanged();
    void onTick();
    void onRecordClicked();
    void onSavePictureClicked();
    void onPauseToggled(bool paused);
    void onScroll(int value);
    void onZoom(double from, double to);
    void onZoomOut();
    void setTimeRange(double end);
    double spanSeconds() const;
    // The seconds the time axis shows: the zoom's while zoomed, else the span (0: all).
    double visibleSeconds() const;

    monitor::RegisterReader read_;
    monitor::MonitorPlotModel plot_;
    monitor::FlagEventTracker events_;
    monitor::CsvRecorder recorder_;
    std::vector<std::uint8_t> recordedRegisters_;
    std::function<double()> secondsNow_;
    std::function<bool()> holdOff_;
    bool dirty_ = false;
    double zoomSeconds_ = 0;  // 0: not zoomed

    QComboBox* cboInterval_;
    QComboBox* cboSpan_;
    std::vector<QCheckBox*> chkRegister_;
    QPushButton* cmdPause_;
    QPushButton* cmdRecord_;
    QPushButton* cmdSavePicture_;
    ElidedLabel* lblRecording_;
    StripChart* chart_;
    QScrollBar* hsbTime_;
    QListWidget* lstEvents_;
    QTimer* tmrMonitor_;
    QTimer* tmrPlot_;
};
