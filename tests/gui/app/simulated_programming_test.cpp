// What a user does with the simulator: program the EEPROM from its page, see the result
// survive "Power cycle chip" and a restart with --sim-state, and see a fault chosen in the
// Simulator menu end the programming with its message. The page's waits move the chip's
// clock instead of the wall clock.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/app/form2.h"
#include "core/sim/sim_state_file.h"
#include "core/adapters/adapter_setup.h"
#include "core/link/frm_usb.h"
#include "gui/pages/eeprom/eeprom_page.h"
#include "tests/core/sim/manual_clock.h"
#include "tests/support/modal_answerer.h"

class SimulatedProgrammingTest : public QObject {
    Q_OBJECT
private slots:
    void programSurvivesPowerCycleAndRestart() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        AdapterOptions options;
        options.adapter = "sim";
        options.simState = dir.filePath(QStringLiteral("chip.state")).toStdString();
        const AdapterSetup setup = prepareAdapter(options);
        ManualClock clock;
        setup.simChip->setClock(clock.clock());
        frmUSB::Reset();
        frmUSB::SetFactory([&setup] { return setup.makeAdapter(); });

        Form2 form;
        form.setEndProgram([] {});
        ModalAnswerer answerer;
        form.Load();
        form.setSimulatedChip(setup.simChip);
        form.eepromPage()->setWait([&clock](double seconds) {
            clock.advance(std::chrono::milliseconds(static_cast<long>(seconds * 1000)));
        });
        auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        auto* ovThresh = form.findChild<QComboBox*>(QStringLiteral("cboOvThresh"));
        auto* program = form.findChild<QPushButton*>(QStringLiteral("cmdProgramEeprom"));
        QVERIFY(tabs && ovThresh && program);

        tabs->setCurrentIndex(1);
        QCOMPARE(ovThresh->currentText(), QStringLiteral("4.25"));  // the default pack
        ovThresh->setCurrentIndex(ovThresh->findText(QStringLiteral("4.35")));
        program->click();
        QVERIFY2(answerer.seen.isEmpty(), qPrintable(answerer.seen.value(0).text));
        const std::uint8_t programmed = setup.simChip->eeprom()[0];
        QCOMPARE(programmed & 0x07, 4);  // OV code of 4.35 V
        const SimStateLoad saved = loadSimState(options.simState);
        QVERIFY(saved.eeprom);
        QCOMPARE(*saved.eeprom, setup.simChip->eeprom());

        form.findChild<QAction*>(QStringLiteral("mnuSimPowerCycle"))->trigger();
        tabs->setCurrentIndex(2);
        tabs->setCurrentIndex(1);
        QCOMPARE(ovThresh->currentText(), QStringLiteral("4.35"));

        // A restart with the same state file starts from what was programmed.
        const AdapterSetup restarted = prepareAdapter(options);
        QCOMPARE(restarted.simChip->eeprom(), setup.simChip->eeprom());

        // A fault from the menu shows in the programming's own message, and its STATUS check
        // puts the VGOOD lamp out before the next tick could.
        auto* vgoodLit = form.findChild<QLabel*>(QStringLiteral("ImgGrnLEDVgood(1)"));
        QVERIFY(vgoodLit && !vgoodLit->isHidden());
        form.findChild<QAction*>(QStringLiteral("mnuSimFault_vgood-low"))->trigger();
        program->click();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].text,
                 QStringLiteral("VGOOD did not get set. EEPROM programming canceled."));
        QVERIFY(vgoodLit->isHidden());
        form.findChild<QAction*>(QStringLiteral("mnuSimFault_vgood-low"))->trigger();
        form.findChild<QAction*>(QStringLiteral("mnuSimFault_stuck-bit"))->trigger();
        program->click();
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen[1].text, QStringLiteral("EEPROM did not program correctly."));
        QVERIFY(!setup.simChip->armed());
        QVERIFY(!setup.simChip->programmingVoltage());
        frmUSB::Reset();
    }
};

QTEST_MAIN(SimulatedProgrammingTest)
#include "simulated_programming_test.moc"
