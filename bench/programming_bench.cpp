// The EEPROM programming sequence in the window on the simulator: wall time of one
// "Program EEPROM" click, and the CPU it takes beyond the idle window's own.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "core/link/frm_usb.h"
#include "core/sim/sim_adapter.h"
#include "gui/app/form2.h"
#include "gui/widgets/miscellaneous_gui.h"

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU share of one core while `work` runs, and its wall time in seconds.
struct Measure {
    double wall;
    double cpuPercent;
};
template <typename Work>
Measure measure(Work work) {
    QElapsedTimer wall;
    const double cpu0 = cpuSeconds();
    wall.start();
    work();
    const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    return {seconds, 100.0 * (cpuSeconds() - cpu0) / seconds};
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    frmUSB bus(std::make_unique<SimAdapter>(std::make_shared<SimulatedChip>()));
    Form2 form(bus);
    form.setEndProgram([] {});
    form.Load(nullptr);
    form.show();
    form.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);

    // Answers the message that ends the sequence.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->accept();
        }
    });
    answer.start(20);

    const Measure idle = measure([] { Miscellaneous::Delay(3.0F); });
    auto* program = form.findChild<QPushButton*>(QStringLiteral("cmdProgramEeprom"));
    const Measure run = measure([program] { program->click(); });

    std::printf("%-44s %10.0f ms    target 2190       ratio %.2f\n",
                "GUI programming sequence, wall time", run.wall * 1000, run.wall / 2.19);
    std::printf("%-44s %10.2f %%     target 1 beyond idle (idle %.2f %%)\n",
                "GUI CPU during programming, beyond idle", run.cpuPercent - idle.cpuPercent,
                idle.cpuPercent);
    return 0;
}
