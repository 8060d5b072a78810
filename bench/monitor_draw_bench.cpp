// Drawing time of the Monitor's strip chart at 10 Hz with every register ticked: the window
// is fed a run of samples whose registers change at every sample (the worst case for the
// step traces), then each frame adds a tenth of a second and redraws the chart in full.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPixmap>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <numeric>
#include <vector>

#include "gui/monitor/monitor_window.h"

namespace {

struct Figures {
    double mean;
    double p95;
    double cpu;  // mean processor time of a frame: what a busy machine does not inflate
};

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Registers that move at every read, STATUS that toggles a flag every ten seconds.
class ChangingChip {
public:
    std::int32_t read(std::uint8_t address, std::uint8_t& data) {
        if (address == 0) {
            data = static_cast<std::uint8_t>((sample_ / 100) % 2 ? 0xE4 : 0xE0);
        } else {
            state_ = state_ * 1103515245u + 12345u;
            data = static_cast<std::uint8_t>((state_ >> 16) & 0xFF);
        }
        return 0;
    }
    void nextSample() { ++sample_; }

private:
    std::uint32_t state_ = 1;
    long sample_ = 0;
};

Figures measure(const char* spanText, int fedSamples, int frames) {
    ChangingChip chip;
    MonitorWindow window([&chip](std::uint8_t a, std::uint8_t& d) { return chip.read(a, d); });
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.resize(1200, 800);
    for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
        if (box->objectName().startsWith(QStringLiteral("chkRegister("))) box->setChecked(true);
    }
    auto* span = window.findChild<QComboBox*>(QStringLiteral("cboSpan"));
    span->setCurrentIndex(span->findText(QString::fromLatin1(spanText)));
    window.show();
    QWidget* chart = window.findChild<QWidget*>(QStringLiteral("chartMonitor"));

    double seconds = 0;
    window.setSecondsClock([&seconds] { return seconds; });
    auto feed = [&](int samples) {
        for (int i = 0; i < samples; ++i) {
            std::uint8_t status = 0;
            chip.read(0, status);
            window.statusRead(0, status);
            chip.nextSample();
            seconds += 0.1;
        }
    };
    feed(fedSamples);
    window.refreshPlot();
    QApplication::processEvents();

    std::vector<double> ms;
    double cpu = 0;
    QElapsedTimer clock;
    for (int f = 0; f < frames; ++f) {
        feed(1);
        clock.start();
        const double cpu0 = cpuMs();
        window.refreshPlot();
        QApplication::processEvents();  // deferred layout and scene updates
        const QPixmap picture = chart->grab();
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        cpu += cpuMs() - cpu0;
        if (picture.isNull()) std::fprintf(stderr, "monitor_draw_bench: empty picture\n");
    }
    std::sort(ms.begin(), ms.end());
    return {std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size()),
            ms[static_cast<std::size_t>(static_cast<double>(ms.size()) * 0.95)], cpu / frames};
}

void report(const char* what, const Figures& f) {
    std::printf(
        "%-44s %10.1f %-4s  (p95 %.1f ms; processor %.1f ms, at 4 redraws/s %.1f %% of a core)\n",
        what, f.mean, "ms", f.p95, f.cpu, f.cpu * 4 / 10);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    report("Monitor redraw, 10 min span, all ticked", measure("10 min", 6000, 60));
    report("Monitor redraw, a day in All, all ticked", measure("All", 864'000, 30));
    return 0;
}
