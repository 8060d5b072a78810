// varenthal: the evaluation program for the Varenthal battery-protection chip.

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "core/link/frm_usb.h"
#include "core/sim/simulated_chip.h"
#include "gui/app/close_on_signals.h"
#include "gui/app/command_line.h"
#include "gui/app/form2.h"
#include "gui/app/session_end.h"
#include "gui/app/start_up.h"
#include "gui/widgets/artwork.h"

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("varenthal"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARENTHAL_VERSION));

    // The command line is checked before the window system is touched, so that a bad
    // option fails the same way with or without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLineResult cli = parseCommandLine(arguments);
    if (!cli.options) return cli.exitCode;

    QApplication app(argc, argv);
    QApplication::setWindowIcon(artwork::icon());  // every window and message box

    const AdapterSetup adapter = prepareAdapter(*cli.options);
    // On hardware, the simulator stands by for I2C > Connect.
    const auto standby = adapter.simulated()
                             ? nullptr
                             : std::make_shared<SimulatedChip>(SimulatedChip::kDefaultEeprom);
    // The one bus of the window program; it outlives the window.
    frmUSB bus(adapter.makeAdapter(standby));

    const std::unique_ptr<Form2> form = StartUp(bus);
    form->setSimulatedChip(adapter.simChip);
    if (standby) form->setStandbySimulator(standby);
    closeOnSignals(form.get());
    closeOnSessionEnd(form.get());
    if (std::getenv("VARENTHAL_STARTUP_PROBE")) {
        // For the start-up benchmark: the wall-clock time once the shown window has been
        // served by the event loop.
        QTimer::singleShot(0, [] {
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            std::fprintf(stderr, "varenthal: shown at %lld ns\n",
                         static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
        });
    }
    return QApplication::exec();
}
