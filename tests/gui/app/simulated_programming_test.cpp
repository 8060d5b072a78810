// What a user does with the simulator: program the EEPROM from its page, see the result
// survive "Power cycle chip" and a restart with --sim-state, and see a fault chosen in the
// Simulator menu end the programming with its message. The page's waits move the chip's
// clock instead of the wall clock.

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "core/adapters/adapter_setup.h"
#include "core/link/frm_usb.h"
#include "core/sim/sim_state_file.h"
#include "gui/app/form2.h"
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
        frmUSB bus(setup.makeAdapter());
        Form2 form(bus);
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
        auto* result = form.findChild<QLabel*>(QStringLiteral("lblProgramResult"));
        program->click();
        QVERIFY2(answerer.messages.empty(),
                 qPrintable((answerer.messages.empty() ? QString() : answerer.messages[0].text)));
        // The only word of success, and it stays while reads go on.
        QVERIFY(QRegularExpression(
                    QStringLiteral("^Programmed at \\d\\d:\\d\\d:\\d\\d: the registers read back "
                                   "right.\nA power cycle and Verify check the EEPROM itself.$"))
                    .match(result->text())
                    .hasMatch());
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
        QCOMPARE(answerer.messages.size(), std::size_t{1});
        QCOMPARE(answerer.messages[0].text,
                 QStringLiteral("VGOOD did not get set. EEPROM programming canceled."));
        QVERIFY(vgoodLit->isHidden());
        QVERIFY(result->text().isEmpty());
        form.findChild<QAction*>(QStringLiteral("mnuSimFault_vgood-low"))->trigger();
        form.findChild<QAction*>(QStringLiteral("mnuSimFault_stuck-bit"))->trigger();
        program->click();
        QCOMPARE(answerer.messages.size(), std::size_t{2});
        QCOMPARE(answerer.messages[1].text, QStringLiteral("EEPROM did not program correctly."));
        QVERIFY(!setup.simChip->armed());
        QVERIFY(!setup.simChip->programmingVoltage());
    }

    // Verify reads the chip and writes nothing, not even the conversion's bytes: it tells a
    // match, the differing registers with their fields, and a chip that does not answer. With
    // the programming voltage missing, only a power cycle and Verify show that nothing was
    // burnt.
    void verifyComparesThePageByReadsOnly() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        AdapterOptions options;
        options.adapter = "sim";
        options.traceFile = dir.filePath(QStringLiteral("bus.log")).toStdString();
        const AdapterSetup setup = prepareAdapter(options);
        ManualClock clock;
        setup.simChip->setClock(clock.clock());
        frmUSB bus(setup.makeAdapter());
        Form2 form(bus);
        form.setEndProgram([] {});
        ModalAnswerer answerer;
        form.Load();
        form.setSimulatedChip(setup.simChip);
        form.eepromPage()->setWait([&clock](double seconds) {
            clock.advance(std::chrono::milliseconds(static_cast<long>(seconds * 1000)));
        });
        auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        auto* ovThresh = form.findChild<QComboBox*>(QStringLiteral("cboOvThresh"));
        auto* verify = form.findChild<QPushButton*>(QStringLiteral("cmdVerifyEeprom"));
        auto* shown = form.findChild<QLabel*>(QStringLiteral("lblVerifyResult"));
        auto* top = form.findChild<QLabel*>(QStringLiteral("lblProgramResult"));
        QVERIFY(tabs && ovThresh && verify && shown && top);
        tabs->setCurrentIndex(1);

        auto traceLines = [&] {
            QFile file(QString::fromStdString(options.traceFile));
            file.open(QIODevice::ReadOnly);
            return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        };
        // Verify's own traffic: reads only.
        auto clickVerify = [&] {
            const qsizetype before = traceLines().size();
            verify->click();
            const QStringList after = traceLines().mid(before);
            QVERIFY(!after.filter(QStringLiteral(" read ")).isEmpty());
            QVERIFY2(after.filter(QStringLiteral(" write ")).isEmpty(),
                     qPrintable(after.join(QLatin1Char('\n'))));
        };
        const QString at = QStringLiteral("^Verify at \\d\\d:\\d\\d:\\d\\d: ");
        auto matches = [](const QString& pattern, const QString& text) {
            return QRegularExpression(pattern).match(text).hasMatch();
        };

        clickVerify();
        QVERIFY2(matches(at + QStringLiteral("the chip's 0x06-0x0A equal the page, PFALT clear$"),
                         shown->text()),
                 qPrintable(shown->text()));

        ovThresh->setCurrentIndex(ovThresh->findText(QStringLiteral("4.35")));
        clickVerify();
        QVERIFY2(matches(at + QStringLiteral("the chip differs from the page\n0x06: page 4C, chip "
                                             "4A \\(Cell Over Voltage Threshold: page 4.35 V, "
                                             "chip 4.25 V\\)$"),
                         shown->text()),
                 qPrintable(shown->text()));

        // No programming voltage at the chip: the run reads back the loaded registers and
        // says only that; the power cycle and Verify show the EEPROM's old bytes.
        form.findChild<QAction*>(QStringLiteral("mnuSimFault_no-vpp"))->trigger();
        form.findChild<QPushButton*>(QStringLiteral("cmdProgramEeprom"))->click();
        QVERIFY(answerer.messages.empty());
        QVERIFY(top->text().contains(QStringLiteral("A power cycle and Verify check the EEPROM")));
        const QFontMetrics metrics(top->font());
        for (const QString& line : top->text().split(QLatin1Char('\n')))
            QVERIFY2(metrics.horizontalAdvance(line) <= top->width(), qPrintable(line));
        QVERIFY(2 * metrics.lineSpacing() <= top->height());
        clickVerify();
        QVERIFY(matches(at + QStringLiteral("the chip's 0x06-0x0A equal the page"), shown->text()));
        form.findChild<QAction*>(QStringLiteral("mnuSimPowerCycle"))->trigger();
        clickVerify();
        QVERIFY2(
            matches(at + QStringLiteral("the chip differs from the page\n0x06: page 4C, chip 4A"),
                    shown->text()),
            qPrintable(shown->text()));

        setup.simChip->setNak(0x07, true);
        clickVerify();
        QVERIFY2(matches(at + QStringLiteral("the chip did not answer \\(register 0x07\\); nothing "
                                             "was compared$"),
                         shown->text()),
                 qPrintable(shown->text()));
    }
};

QTEST_MAIN(SimulatedProgrammingTest)
#include "simulated_programming_test.moc"
