// The window program while the EEPROM is programmed on the simulator: no window writes to
// the chip during the sequence (the Simulator menu stays usable), a signal ends it through
// the close step's safe end, and the close disarms a chip armed by hand.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fstream>

#include "core/adapters/adapter_setup.h"
#include "core/eeprom/programming_sequence.h"
#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "core/sim/simulated_chip.h"
#include "gui/app/close_on_signals.h"
#include "gui/app/form2.h"
#include "gui/dialogs/frm_registers.h"
#include "gui/pages/control/control_page.h"
#include "gui/pages/eeprom/eeprom_page.h"
#include "tests/core/sim/manual_clock.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/test_host.h"

using Lines = QStringList;

class ProgrammingSafetyTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(dir_.isValid());
        AdapterOptions options;
        options.adapter = "sim";
        options.traceFile = dir_.filePath(QStringLiteral("bus.log")).toStdString();
        setup_ = prepareAdapter(options);
        setup_.simChip->setClock(clock_.clock());
        bus_ = std::make_unique<frmUSB>(setup_.makeAdapter());
        form_ = std::make_unique<Form2>(*bus_);
        form_->setEndProgram([this] { ++ends_; });
        form_->Load();
        form_->setSimulatedChip(setup_.simChip);
        form_->eepromPage()->setWait([this](double seconds) {
            if (onWait_) onWait_(seconds);
            clock_.advance(std::chrono::milliseconds(static_cast<long>(seconds * 1000)));
        });
        form_->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
    }
    void cleanup() {
        form_.reset();
        bus_.reset();
        onWait_ = nullptr;
        ends_ = 0;
    }

    void noWindowWritesWhileProgramming() {
        form_->findChild<QAction*>(QStringLiteral("mnuReadWriteI2C"))->trigger();
        auto* dialog = form_->findChild<frmRegisters*>();
        QVERIFY(dialog);
        QList<QObject*> writers{
            child<QPushButton>("cmdWriteI2C"),      child<QPushButton>("cmdWrite(1)"),
            child<QPushButton>("cmdProgramEeprom"), child<QAction>("mnuFileSaveEeprom"),
            child<QAction>("mnuFileOpenEeprom"),    form_->controlPage()};
        auto enabled = [](QObject* o) {
            if (auto* w = qobject_cast<QWidget*>(o)) return w->isEnabled();
            return qobject_cast<QAction*>(o)->isEnabled();
        };
        for (QObject* w : writers) QVERIFY2(enabled(w), qPrintable(w->objectName()));

        int checks = 0;
        onWait_ = [&](double seconds) {
            if (seconds != 1.0 || !setup_.simChip->programmingVoltage()) return;
            ++checks;  // inside the pulse
            for (QObject* w : writers) QVERIFY2(!enabled(w), qPrintable(w->objectName()));
            QVERIFY(child<QAction>("mnuSimPowerCycle")->isEnabled());
            QVERIFY(child<QAction>("mnuSimFault_ov")->isEnabled());
            // Whatever gets past a disabled control is refused before the bus.
            dialog->findChild<QLineEdit*>(QStringLiteral("txtWriteAddr"))->setText("06");
            dialog->findChild<QLineEdit*>(QStringLiteral("txtWriteData"))->setText("00");
            QMetaObject::invokeMethod(child<QPushButton>("cmdWriteI2C"), "click");
            QCOMPARE(Communication(*bus_).WriteRegister(0x06, 0x00), Communication::kWriteRefused);
        };
        ModalAnswerer answerer;
        child<QPushButton>("cmdProgramEeprom")->click();
        QCOMPARE(checks, 1);
        QVERIFY(answerer.messages.empty());
        QCOMPARE(trace().filter(QStringLiteral("write 06")).size(), 1);  // the load only
        for (QObject* w : writers) QVERIFY2(enabled(w), qPrintable(w->objectName()));
    }

    void signalDuringThePulseEndsThroughTheCloseStep() {
        const std::string lacks = test_host::lacks(test_host::Need::Signals);
        if (!lacks.empty()) QSKIP(lacks.c_str());
        QVERIFY(closeOnSignals(form_.get()));
        onWait_ = [&](double seconds) {
            if (!setup_.simChip->programmingVoltage()) return;
            // The first signal closes; a second one inside the rest of the pulse is ignored.
            ::raise(seconds == 1.0 ? SIGTERM : SIGINT);
            QTest::qWait(50);
        };
        child<QPushButton>("cmdProgramEeprom")->click();
        QCOMPARE(ends_, 1);
        const Lines bus = trace();
        QCOMPARE(bus.mid(bus.size() - 3), (Lines{"write 0B 00 rc=0", "pulse 0 0 0 rc=0", "close"}));
        QVERIFY(!setup_.simChip->armed());
        QVERIFY(!setup_.simChip->programmingVoltage());
    }

    // Closed during the pulse while the voltage cannot be switched off: the user is told to
    // remove the power, once, and nothing is left on screen as if the run went on.
    void closeDuringThePulseWithTheVoltageStuckOnSaysSo() {
        ModalAnswerer answerer;
        setup_.simChip->setCondition(SimCondition::PulseStuck, true);
        onWait_ = [&](double seconds) {
            if (seconds == 1.0 && setup_.simChip->programmingVoltage()) form_->close();
        };
        child<QPushButton>("cmdProgramEeprom")->click();
        QCOMPARE(ends_, 1);
        QCOMPARE(answerer.messages.size(), std::size_t{1});
        QCOMPARE(answerer.messages[0].text, QString::fromUtf8(eeprom::kVoltageStuckOn.data()));
        QVERIFY(!setup_.simChip->armed());
        QVERIFY(child<QWidget>("ProgressBar1")->isHidden());
    }

    // An error inside the sequence (here the front end's own wait) ends it with its message
    // after the safe end; the page is usable again and the next run works.
    void anErrorInsideTheSequenceLeavesThePageUsable() {
        ModalAnswerer answerer;
        onWait_ = [&](double seconds) {
            if (seconds == 0.07) throw std::runtime_error("the wait failed");
        };
        auto* program = child<QPushButton>("cmdProgramEeprom");
        program->click();
        QCOMPARE(answerer.messages.size(), std::size_t{1});
        QCOMPARE(answerer.messages[0].text, QString::fromUtf8(eeprom::kProgrammingError.data()) +
                                                QStringLiteral(" the wait failed"));
        QVERIFY(!setup_.simChip->armed());
        QVERIFY(child<QWidget>("ProgressBar1")->isHidden());
        QVERIFY(program->isEnabled());

        onWait_ = nullptr;
        program->click();
        QCOMPARE(answerer.messages.size(), std::size_t{1});  // no message: it worked
        QVERIFY(
            child<QLabel>("lblProgramResult")->text().startsWith(QLatin1String("Programmed at")));
    }

    void closeDisarmsAChipArmedByHand() {
        Communication(*bus_).WriteRegister(0x0B, 0x71);
        Communication(*bus_).WriteRegister(0x0B, 0x41);
        QVERIFY(setup_.simChip->armed());
        form_->close();
        QCOMPARE(trace().mid(trace().size() - 2), (Lines{"write 0B 00 rc=0", "close"}));
        QVERIFY(!setup_.simChip->armed());
        form_->close();  // nothing more to undo
        QCOMPARE(trace().filter(QStringLiteral("write 0B 00")).size(), 1);
    }

private:
    template <typename T>
    T* child(const char* name) const {
        return form_->findChild<T*>(QString::fromLatin1(name));
    }
    // Trace lines without their time column.
    Lines trace() const {
        Lines out;
        std::ifstream in(dir_.filePath(QStringLiteral("bus.log")).toStdString());
        for (std::string line; std::getline(in, line);)
            out << QString::fromStdString(line.substr(line.find(' ') + 1));
        return out;
    }

    QTemporaryDir dir_;
    ManualClock clock_;
    AdapterSetup setup_;
    std::unique_ptr<frmUSB> bus_;
    std::unique_ptr<Form2> form_;
    std::function<void(double)> onWait_;
    int ends_ = 0;
};

QTEST_MAIN(ProgrammingSafetyTest)
#include "programming_safety_test.moc"
