// Event-loop latency of the window program while the Monitor records at 10 Hz with a day of
// samples already in its plot: a 10 ms probe timer measures how late each tick is served.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/link/frm_usb.h"
#include "core/sim/sim_adapter.h"
#include "gui/monitor/monitor_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    frmUSB::SetFactory(
        [] { return std::make_unique<SimAdapter>(std::make_shared<SimulatedChip>()); });
    frmUSB::Get().OpenFirstFreeDevice();

    QTemporaryDir dir;
    MonitorWindow window;
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.resize(1200, 800);
    window.show();
    // A day at 10 Hz fed before the measurement, so the plot holds its full bounded size.
    double fedSeconds = 0;
    window.setSecondsClock([&fedSeconds] { return fedSeconds; });
    for (int i = 0; i < 864'000; ++i) {
        fedSeconds = i * 0.1;
        window.statusRead(0, static_cast<std::uint8_t>((i / 100) % 2 ? 0xE4 : 0xE0));
    }
    const double offset = fedSeconds;
    QElapsedTimer clock;
    clock.start();
    window.setSecondsClock([&] { return offset + clock.elapsed() / 1000.0; });
    window.startRecording(dir.filePath(QStringLiteral("bench.csv")));
    window.findChild<QComboBox*>(QStringLiteral("cboInterval"))->setCurrentIndex(3);  // 100 ms

    constexpr int kProbeMs = 10;
    constexpr int kRunMs = 15000;
    std::vector<double> late;
    QElapsedTimer probeClock;
    probeClock.start();
    qint64 expected = kProbeMs;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = probeClock.elapsed();
        late.push_back(static_cast<double>(std::max<qint64>(0, now - expected)));
        expected = now + kProbeMs;
        if (now >= kRunMs) app.quit();
    });
    probe.start(kProbeMs);
    app.exec();
    window.stopRecording();

    std::sort(late.begin(), late.end());
    const double p99 = late[static_cast<std::size_t>(late.size() * 0.99)];
    std::printf("%-44s %10.1f %-4s  target %-10g ratio %.2f\n",
                "event-loop latency recording at 10 Hz, p99", p99, "ms", 50.0, p99 / 50.0);
    std::printf("%-44s %10.1f %-4s\n", "  (maximum)", late.back(), "ms");
    frmUSB::Reset();
    return 0;
}
