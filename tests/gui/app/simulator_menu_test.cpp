// The Simulator menu on the main window, over the simulator itself.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "core/sim/sim_adapter.h"
#include "gui/app/form2.h"
#include "gui/pages/control/control_page.h"
#include "gui/pages/registers/registers_page.h"
#include "tests/support/recording_adapter.h"

namespace {

// Answers the modal dialogs that come up next, one answer each, from a timer that looks for
// the active modal widget: an input dialog gets the answer's text and is accepted, a message
// box is accepted and its text recorded in `messages`.
void answerModals(QStringList answers, QStringList* messages = nullptr) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, answers, messages]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        if (auto* input = qobject_cast<QInputDialog*>(modal)) {
            input->setTextValue(answers.takeFirst());
            input->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (messages) messages->append(box->text());
            answers.takeFirst();
            box->accept();
        }
        if (answers.isEmpty()) timer->deleteLater();
    });
    timer->start();
}

}  // namespace

class SimulatorMenuTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        chip_ = std::make_shared<SimulatedChip>();
        // Every call is recorded on its way to the simulator.
        log_ = std::make_shared<FakeChip>();
        log_->inner = std::make_unique<SimAdapter>(chip_);
        bus_ = std::make_unique<frmUSB>(std::make_unique<RecordingAdapter>(log_));
        form_ = std::make_unique<Form2>(*bus_);
        form_->setEndProgram([] {});
    }
    void cleanup() {
        form_.reset();
        bus_.reset();
    }

    void anUnpluggedAdapterGreysThePagesAndComesBackByItself() {
        form_->Load();
        form_->setSimulatedChip(chip_);
        auto* line = form_->findChild<QLabel*>(QStringLiteral("lblProgramResult"));
        auto* hex = form_->findChild<QLineEdit*>(QStringLiteral("txtData(7)"));
        QWidget* registers = form_->registersPage();
        QVERIFY(registers->isEnabled());

        form_->findChild<QAction*>(QStringLiteral("mnuSimUnplug"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!registers->isEnabled(), 5000);
        QCOMPARE(line->text(), QStringLiteral("Adapter lost: reconnecting..."));
        QVERIFY(!form_->controlPage()->isEnabled());
        // The Part's status text stays as it is.
        QCOMPARE(form_->findChild<QLabel*>(QStringLiteral("lblCommStatus"))->text(),
                 QString::fromLatin1(Communication::kCommStatusError.data()));

        chip_->writeRegister(0x07, 0x5C);  // changed while the adapter was away
        form_->findChild<QAction*>(QStringLiteral("mnuSimUnplug"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(registers->isEnabled(), 2500);
        QVERIFY(line->text().startsWith(QLatin1String("Adapter connected at ")));
        QCOMPARE(hex->text(), QStringLiteral("5C"));  // read again at once
    }

    void disconnectStopsAllTrafficAndConnectResumesIt() {
        form_->Load();
        QTimer* status = form_->findChild<QTimer*>(QStringLiteral("tmrStatus"));
        QVERIFY(status->isActive());
        form_->findChild<QAction*>(QStringLiteral("mnuDisconnect"))->trigger();
        for (const char* name : {"tmrStatus", "tmrControl", "tmrRegisterScan"}) {
            QVERIFY2(!form_->findChild<QTimer*>(QLatin1String(name))->isActive(), name);
        }
        QVERIFY(!status->isActive());
        QVERIFY(!form_->registersPage()->isEnabled());

        auto* connectMenu = form_->findChild<QMenu*>(QStringLiteral("mnuConnect"));
        QVERIFY(QMetaObject::invokeMethod(connectMenu, "aboutToShow"));
        const QList<QAction*> items = connectMenu->actions();
        QCOMPARE(items.size(), 1);  // the simulator, the one free adapter
        QCOMPARE(items.front()->text(), QStringLiteral("sim"));
        items.front()->trigger();
        QVERIFY(status->isActive());
        QVERIFY(form_->registersPage()->isEnabled());
    }

    // The focus leaving a register box for the greyed page must not restart the scan: after a
    // deliberate disconnect nothing goes out until the user connects again.
    void disconnectWhileARegisterBoxHasTheFocusSendsNothing() {
        form_->Load();
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        auto* box = form_->findChild<QLineEdit*>(QStringLiteral("txtData(1)"));
        QTimer* scan = form_->findChild<QTimer*>(QStringLiteral("tmrRegisterScan"));
        box->setFocus(Qt::MouseFocusReason);
        QVERIFY(box->hasFocus());
        QVERIFY(!scan->isActive());

        log_->log.clear();
        form_->findChild<QAction*>(QStringLiteral("mnuDisconnect"))->trigger();
        QVERIFY(!box->hasFocus());
        QTest::qWait(300);  // longer than a scan tick
        QVERIFY(!scan->isActive());
        QCOMPARE(log_->lines("read "), std::vector<std::string>{});

        auto* connectMenu = form_->findChild<QMenu*>(QStringLiteral("mnuConnect"));
        QVERIFY(QMetaObject::invokeMethod(connectMenu, "aboutToShow"));
        connectMenu->actions().front()->trigger();
        QVERIFY(scan->isActive());  // the box no longer has the focus: the scan is wanted
    }

    void whileLostNothingIsWrittenOrReadByHand() {
        form_->Load();
        form_->setSimulatedChip(chip_);
        auto* unplug = form_->findChild<QAction*>(QStringLiteral("mnuSimUnplug"));
        unplug->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!form_->registersPage()->isEnabled(), 5000);
        // Only the hand-made traffic is looked at from here; the quiet retries list the
        // adapters and find none, which reads nothing.
        for (const char* name : {"tmrStatus", "tmrControl", "tmrRegisterScan"})
            form_->findChild<QTimer*>(QLatin1String(name))->stop();
        log_->log.clear();

        auto* tabs = form_->findChild<QTabWidget*>();
        for (const int tab : {0, 2, 1}) tabs->setCurrentIndex(tab);  // ends on EEPROM
        QVERIFY(log_->reads().empty());
        auto* fileOpen = form_->findChild<QAction*>(QStringLiteral("mnuFileOpenEeprom"));
        QVERIFY(!fileOpen->isEnabled());

        form_->findChild<QAction*>(QStringLiteral("mnuReadWriteI2C"))->trigger();
        const auto writeByHand = [this] {
            form_->findChild<QLineEdit*>(QStringLiteral("txtWriteAddr"))->setText("0B");
            form_->findChild<QLineEdit*>(QStringLiteral("txtWriteData"))->setText("71");
            form_->findChild<QPushButton*>(QStringLiteral("cmdWriteI2C"))->click();
        };
        QStringList messages;
        answerModals({QString()}, &messages);
        writeByHand();
        QCOMPARE(messages,
                 QStringList{QStringLiteral("Adapter not connected: nothing was written.")});
        QVERIFY(log_->writes().empty());

        // Back: the same adapter is opened again, and the dialog writes.
        unplug->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(form_->registersPage()->isEnabled(), 2500);
        QCOMPARE(log_->lines("open "), std::vector<std::string>{trace::openLine("sim", 0)});
        QVERIFY(fileOpen->isEnabled());
        QVERIFY(!form_->findChild<QTimer*>(QStringLiteral("tmrControl"))->isActive());
        writeByHand();
        QCOMPARE(log_->writes(), std::vector<int>{0x0B});
    }

    void noMenuWithoutTheSimulator() {
        QVERIFY(!form_->findChild<QMenu*>(QStringLiteral("mnuSimulator")));
        QVERIFY(!form_->findChild<QLabel*>(QStringLiteral("lblSimulatedChip")));
    }

    void menuSitsBeforeHelpAndTheWindowSaysSimulated() {
        form_->setSimulatedChip(chip_);
        auto* menu = form_->findChild<QMenu*>(QStringLiteral("mnuSimulator"));
        QVERIFY(menu);
        const QList<QAction*> top = form_->menuBar()->actions();
        const auto* help = form_->findChild<QMenu*>(QStringLiteral("mnuHelp"));
        QCOMPARE(top.indexOf(menu->menuAction()) + 1, top.indexOf(help->menuAction()));
        auto* mark = form_->findChild<QLabel*>(QStringLiteral("lblSimulatedChip"));
        QVERIFY(mark);
        QCOMPARE(mark->text(), QStringLiteral("Simulated chip"));
        QCOMPARE(form_->windowTitle(), QStringLiteral("Varenthal Evaluation Software"));
    }

    void conditionItemsSetAndClearTheChipsConditions_data() {
        QTest::addColumn<int>("condition");
        for (SimCondition c : kSimConditions) {
            if (c == SimCondition::Unplugged) continue;
            QTest::newRow(simConditionName(c).data()) << static_cast<int>(c);
        }
        QTest::newRow("unplugged") << static_cast<int>(SimCondition::Unplugged);
    }
    void conditionItemsSetAndClearTheChipsConditions() {
        QFETCH(int, condition);
        const auto c = static_cast<SimCondition>(condition);
        form_->setSimulatedChip(chip_);
        const QString name =
            c == SimCondition::Unplugged
                ? QStringLiteral("mnuSimUnplug")
                : QStringLiteral("mnuSimFault_") + QString::fromLatin1(simConditionName(c).data());
        auto* item = form_->findChild<QAction*>(name);
        QVERIFY(item);
        QVERIFY(item->isCheckable());
        item->trigger();
        QVERIFY(item->isChecked());
        QVERIFY(chip_->condition(c));
        for (SimCondition other : kSimConditions) {
            if (other != c) QVERIFY(!chip_->condition(other));
        }
        item->trigger();
        QVERIFY(!chip_->condition(c));
    }

    void checkMarksShowConditionsSetAtStart() {
        chip_->setCondition(SimCondition::Scd, true);
        chip_->setCondition(SimCondition::Unplugged, true);
        chip_->setNak(0x05, true);
        form_->setSimulatedChip(chip_);
        QVERIFY(form_->findChild<QAction*>(QStringLiteral("mnuSimFault_scd"))->isChecked());
        QVERIFY(!form_->findChild<QAction*>(QStringLiteral("mnuSimFault_ov"))->isChecked());
        QVERIFY(form_->findChild<QAction*>(QStringLiteral("mnuSimUnplug"))->isChecked());
        auto* nak = form_->findChild<QAction*>(QStringLiteral("mnuSimFault_nak"));
        QVERIFY(nak->isChecked());
        QCOMPARE(nak->text(), QStringLiteral("&NAK transfers to register 05"));
    }

    void nakItemAsksForTheRegisterAndClearsOnUncheck() {
        form_->setSimulatedChip(chip_);
        auto* nak = form_->findChild<QAction*>(QStringLiteral("mnuSimFault_nak"));
        answerModals({QStringLiteral("0b")});
        nak->trigger();
        QCOMPARE(chip_->nakRegisters(), std::set<std::uint8_t>{0x0B});
        QVERIFY(nak->isChecked());
        QCOMPARE(nak->text(), QStringLiteral("&NAK transfers to register 0B"));

        nak->trigger();
        QVERIFY(chip_->nakRegisters().empty());
        QVERIFY(!nak->isChecked());

        answerModals({QStringLiteral("0B:3")});  // only the third transfer to 0x0B is lost
        nak->trigger();
        QCOMPARE(nak->text(), QStringLiteral("&NAK transfers to register 0B:3"));
        std::uint8_t ignored = 0;
        QCOMPARE(chip_->writeRegister(0x0B, 0x71), 0);
        QCOMPARE(chip_->readRegister(0x0B, ignored), 0);
        QVERIFY(chip_->writeRegister(0x0B, 0x00) != 0);
        QCOMPARE(chip_->writeRegister(0x0B, 0x00), 0);
        nak->trigger();
        QVERIFY(!nak->isChecked());

        QStringList messages;
        answerModals({QStringLiteral("123"), QStringLiteral("ok")}, &messages);
        nak->trigger();
        QVERIFY(chip_->nakRegisters().empty());
        QVERIFY(!nak->isChecked());
        QCOMPARE(messages, QStringList{QStringLiteral("\"123\" is not a register address.")});
    }

    void powerCycleReloadsTheChip() {
        form_->setSimulatedChip(chip_);
        chip_->writeRegister(chip::OV_CFG, 0x00);
        chip_->writeRegister(chip::STATE_CNTRL, chip::kStateHOST);
        form_->findChild<QAction*>(QStringLiteral("mnuSimPowerCycle"))->trigger();
        std::uint8_t value = 0xFF;
        chip_->readRegister(chip::OV_CFG, value);
        QCOMPARE(value, SimulatedChip::kDefaultEeprom[0]);
        chip_->readRegister(chip::STATE_CNTRL, value);
        QCOMPARE(value, std::uint8_t{0});
    }

    void unplugTurnsTheStatusLineToErrorAndBack() {
        form_->Load();
        form_->setSimulatedChip(chip_);
        auto* status = form_->findChild<QLabel*>(QStringLiteral("lblCommStatus"));
        auto* tick = form_->findChild<QTimer*>(QStringLiteral("tmrStatus"));
        auto* unplug = form_->findChild<QAction*>(QStringLiteral("mnuSimUnplug"));
        QVERIFY(status && tick && unplug);

        QMetaObject::invokeMethod(tick, "timeout");
        QCOMPARE(status->text(), QStringLiteral("I2C Comm Status: OK"));
        unplug->trigger();
        QMetaObject::invokeMethod(tick, "timeout");
        QCOMPARE(status->text(), QStringLiteral("I2C Comm Status: Error"));
        unplug->trigger();
        QMetaObject::invokeMethod(tick, "timeout");
        QCOMPARE(status->text(), QStringLiteral("I2C Comm Status: OK"));
    }

    void lampsFollowAnInjectedFaultWithinOneStatusTick_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("lamp");
        QTest::newRow("ov") << "mnuSimFault_ov"
                            << "ImgRedLEDOV";
        QTest::newRow("uv") << "mnuSimFault_uv"
                            << "ImgRedLEDUV";
        QTest::newRow("ocd") << "mnuSimFault_ocd"
                             << "ImgRedLEDOcd";
        QTest::newRow("scd") << "mnuSimFault_scd"
                             << "ImgRedLEDScd";
        QTest::newRow("ovtemp") << "mnuSimFault_ovtemp"
                                << "ImgRedLEDOvTemp";
    }
    void lampsFollowAnInjectedFaultWithinOneStatusTick() {
        QFETCH(QString, item);
        QFETCH(QString, lamp);
        form_->Load();
        form_->setSimulatedChip(chip_);
        auto* tick = form_->findChild<QTimer*>(QStringLiteral("tmrStatus"));
        auto* fault = form_->findChild<QAction*>(item);
        auto* lit = form_->findChild<QLabel*>(lamp + QStringLiteral("(1)"));
        auto* unlit = form_->findChild<QLabel*>(lamp + QStringLiteral("(0)"));
        auto* toggle = form_->findChild<QAbstractButton*>(QStringLiteral("cmdToggleLtclr"));
        auto* cboHost = form_->findChild<QComboBox*>(QStringLiteral("cboHost"));
        QVERIFY(tick && fault && lit && unlit && toggle && cboHost);
        // Toggle LTCLR is a Host mode control.
        cboHost->setCurrentIndex(1);
        emit cboHost->activated(1);
        QVERIFY(toggle->isEnabled());
        auto shownLit = [&] { return !lit->isHidden() && unlit->isHidden(); };
        auto shownUnlit = [&] { return lit->isHidden() && !unlit->isHidden(); };

        QMetaObject::invokeMethod(tick, "timeout");
        QVERIFY(shownUnlit());
        fault->trigger();
        QMetaObject::invokeMethod(tick, "timeout");
        QVERIFY(shownLit());

        // Taken away, the fault stays latched until LTCLR is toggled.
        fault->trigger();
        QMetaObject::invokeMethod(tick, "timeout");
        QVERIFY(shownLit());
        toggle->click();
        QMetaObject::invokeMethod(tick, "timeout");
        QVERIFY(shownUnlit());
    }

    void vgoodLampFollowsTheSupply() {
        form_->Load();
        form_->setSimulatedChip(chip_);
        auto* tick = form_->findChild<QTimer*>(QStringLiteral("tmrStatus"));
        auto* lit = form_->findChild<QLabel*>(QStringLiteral("ImgGrnLEDVgood(1)"));
        auto* item = form_->findChild<QAction*>(QStringLiteral("mnuSimFault_vgood-low"));
        QVERIFY(tick && lit && item);
        QMetaObject::invokeMethod(tick, "timeout");
        QVERIFY(!lit->isHidden());
        item->trigger();
        QMetaObject::invokeMethod(tick, "timeout");
        QVERIFY(lit->isHidden());
        item->trigger();
        QMetaObject::invokeMethod(tick, "timeout");
        QVERIFY(!lit->isHidden());
    }

private:
    std::shared_ptr<SimulatedChip> chip_;
    std::shared_ptr<FakeChip> log_;
    std::unique_ptr<frmUSB> bus_;
    std::unique_ptr<Form2> form_;
};

QTEST_MAIN(SimulatorMenuTest)
#include "simulator_menu_test.moc"
