// The main window's load over the simulator: the bus traffic that the Registers page and
// the status panel add to it, and the state they leave behind.

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "core/sim/sim_adapter.h"
#include "core/sim/simulated_chip.h"
#include "gui/app/form2.h"
#include "gui/pages/registers/registers_page.h"
#include "gui/pages/registers/status_panel.h"
#include "tests/support/recording_adapter.h"

class RegistersLoadTest : public QObject {
    Q_OBJECT

private slots:
    void loadEndsWithElevenReadsThenTicksReadOneRegisterEach() {
        auto chip = std::make_shared<SimulatedChip>();
        FakeBus fake(std::make_unique<SimAdapter>(chip), false);  // Load opens it
        const std::shared_ptr<FakeChip> bus = fake.chip;

        Form2 form(fake.bus);
        form.setEndProgram([] {});
        form.Load();

        // Whatever ran before, the load's last eleven reads are 0x00..0x0A in order.
        const std::vector<int> reads = bus->reads();
        QVERIFY(reads.size() >= 11);
        const std::vector<int> tail(reads.end() - 11, reads.end());
        QCOMPARE(tail, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        QVERIFY(bus->log.back().starts_with("read "));

        RegistersPage* page = form.registersPage();
        QCOMPARE(form.findChild<QTabWidget*>("SSTab1")->currentWidget(), page);
        for (int a = 0; a < 11; ++a) {
            std::uint8_t value = 0;
            chip->readRegister(static_cast<std::uint8_t>(a), value);
            QCOMPARE(page->findChild<QLineEdit*>(QStringLiteral("txtData(%1)").arg(a))->text(),
                     QStringLiteral("%1").arg(value, 2, 16, QChar('0')).toUpper());
        }
        QCOMPARE(form.findChild<QLabel*>("lblCommStatus")->text(),
                 QStringLiteral("I2C Comm Status: OK"));

        // Both timers run from the load on; from here on the test gives the ticks itself.
        QTimer* scan = page->tmrRegisterScan();
        QTimer* status = form.statusPanel()->tmrStatus();
        QVERIFY(scan->isActive());
        QVERIFY(status->isActive());
        scan->stop();
        status->stop();
        form.findChild<QTimer*>("tmrControl")->stop();

        bus->log.clear();
        QVERIFY(QMetaObject::invokeMethod(status, "timeout"));
        QCOMPARE(bus->reads(), std::vector<int>{0x00});
        bus->log.clear();
        QVERIFY(QMetaObject::invokeMethod(scan, "timeout"));
        QVERIFY(QMetaObject::invokeMethod(scan, "timeout"));
        QCOMPARE(bus->reads(), (std::vector<int>{0x01, 0x02}));
    }
};

QTEST_MAIN(RegistersLoadTest)
#include "registers_load_test.moc"
