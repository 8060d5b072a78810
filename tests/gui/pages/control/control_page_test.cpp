// The Control page inside the main window, over a recording fake adapter and the simulator:
// the bus traffic of each handler and of the refresh, and the enabled state of each control.

#include "gui/pages/control/control_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "core/chip/register_map.h"
#include "core/sim/sim_adapter.h"
#include "gui/app/form2.h"
#include "gui/pages/registers/status_panel.h"
#include "gui/widgets/miscellaneous_gui.h"
#include "tests/support/recording_adapter.h"

namespace {

constexpr std::uint8_t OUT = chip::OUTPUT_CNTRL;
constexpr std::uint8_t STATE = chip::STATE_CNTRL;
constexpr std::uint8_t FNCTN = chip::FNCTN_CNTRL;
constexpr std::uint8_t BAL = chip::CELL_BALANCE;
constexpr std::uint8_t SEL = chip::CELL_SEL;

QString R(int address, int data) {
    return QString::fromStdString(readLine(address, data));
}
QString W(int address, int data) {
    return QString::fromStdString(writeLine(address, data));
}
// A read the chip did not answer: the caller's byte (0) stays.
QString failedRead(int address) {
    return QString::fromStdString(readLine(address, 0, -1));
}

// What the list's popup does when the user picks item k.
void pick(QComboBox* list, int k) {
    list->setCurrentIndex(k);
    emit list->activated(k);
}

}  // namespace

class ControlPageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeBus> fake_;
    std::shared_ptr<FakeChip> bus_;
    std::unique_ptr<Form2> form_;

    // The window over a fake chip, or over `inner` with its traffic recorded.
    void build(std::unique_ptr<Talvex> inner = nullptr) {
        form_.reset();
        fake_ = std::make_unique<FakeBus>(std::move(inner));
        bus_ = fake_->chip;
        form_ = std::make_unique<Form2>(fake_->bus);
        form_->setEndProgram({});
    }
    QStringList log() const {
        QStringList lines;
        for (const std::string& line : bus_->log) lines << QString::fromStdString(line);
        return lines;
    }

    ControlPage* page() const { return form_->controlPage(); }
    template <typename T>
    T* find(const QString& name) const {
        T* widget = page()->findChild<T*>(name);
        if (!widget) qFatal("no control %s", qPrintable(name));
        return widget;
    }
    QCheckBox* box(const QString& name) const { return find<QCheckBox>(name); }
    QComboBox* list(const QString& name) const { return find<QComboBox>(name); }
    // The controls that Standalone disables, cboCell and cboCal aside.
    QList<QWidget*> modeControls() const {
        QList<QWidget*> all;
        for (QCheckBox* b : page()->findChildren<QCheckBox*>()) all << b;
        all << find<QPushButton>("cmdToggleLtclr") << list("cboVgain") << list("cboIgain");
        return all;
    }
    std::shared_ptr<SimulatedChip> useSimulator() {
        auto chip = std::make_shared<SimulatedChip>();
        build(std::make_unique<SimAdapter>(chip));
        return chip;
    }
    static std::uint8_t readChip(SimulatedChip& chip, std::uint8_t address) {
        std::uint8_t value = 0;
        chip.readRegister(address, value);
        return value;
    }
    // Loads the chip's control registers, refreshes once and forgets that traffic.
    void start(std::uint8_t out, std::uint8_t state, std::uint8_t fnctn, std::uint8_t bal,
               std::uint8_t sel) {
        bus_->registers[OUT] = out;
        bus_->registers[STATE] = state;
        bus_->registers[FNCTN] = fnctn;
        bus_->registers[BAL] = bal;
        bus_->registers[SEL] = sel;
        form_->InitializeControlPage();
        bus_->log.clear();
    }

private slots:
    void init() { build(); }
    void cleanup() {
        form_.reset();
        fake_.reset();
    }

    void captionsItemsAndFit() {
        QStringList titles;
        for (QGroupBox* group : page()->findChildren<QGroupBox*>()) titles << group->title();
        titles.sort();
        QCOMPARE(titles,
                 QStringList({"CELL BALANCE               Addr 0x04", "CELL SEL         Addr0x05",
                              "FUNCTION CONTROL       Addr 0x03", "OUTPUT CONTROL      Addr 0x01",
                              "STATE CONTROL       Addr 0x02"}));
        QCOMPARE(box("chkOutputControl(7)")->text(),
                 QString("(FS) Under Voltage Detection Sampling Time"));
        QCOMPARE(box("chkFunctionControl(7)")->text(), QString("Cell 10 (bit 7 of Addr0x03)"));
        QCOMPARE(box("chkCellBal(7)")->text(), QString("Cell 8"));
        QVERIFY(!page()->findChild<QCheckBox*>("chkOutputControl(4)"));
        QCOMPARE(page()->findChildren<QCheckBox*>().size(), 5 + 1 + 8 + 8);
        QCOMPARE(list("cboCell")->count(), 10);
        QCOMPARE(list("cboCell")->itemText(9), QString("VC1-VC2, Cell 10"));
        QCOMPARE(list("cboCal")->count(), 8);
        QCOMPARE(list("cboCal")->itemText(0), QString("Cell translation for selected cell"));
        QCOMPARE(list("cboHost")->itemText(0), QString("Standalone"));
        QCOMPARE(page()->tmrControl()->interval(), 1000);
        QCOMPARE(page()->tmrControl()->objectName(), QString("tmrControl"));

        // The page fits its 9855 x 7575 twip container and no control is cut short.
        QVERIFY(page()->minimumSizeHint().width() <= Miscellaneous::Twips(9855));
        QVERIFY(page()->minimumSizeHint().height() <= Miscellaneous::Twips(7575));
        form_->findChild<QTabWidget*>("SSTab1")->setCurrentWidget(page());
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        for (QWidget* w : page()->findChildren<QWidget*>()) {
            if (!w->isVisible() || qobject_cast<QGroupBox*>(w)) continue;
            if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QComboBox*>(w) &&
                !qobject_cast<QLabel*>(w))
                continue;
            QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(w->objectName()));
            QVERIFY2(w->parentWidget()->rect().contains(w->geometry()),
                     qPrintable(w->objectName()));
        }
    }

    void refreshWritesBackWhatItRead() {
        // CELL_SEL: bit 7 set, calibration 2, cell 3.
        bus_->registers[OUT] = 0x85;
        bus_->registers[STATE] = 0xC3;
        bus_->registers[FNCTN] = 0x18;
        bus_->registers[BAL] = 0x81;
        bus_->registers[SEL] = 0xA3;
        form_->InitializeControlPage();
        // Each box that the refresh changes rewrites the bit just read; the first refresh
        // also selects cboCal's item, which writes CELL_SEL with bit 7 clear.
        QCOMPARE(log(), QStringList({R(OUT, 0x85),   R(OUT, 0x85),   W(OUT, 0x85),   R(OUT, 0x85),
                                     W(OUT, 0x85),   R(OUT, 0x85),   W(OUT, 0x85),   R(STATE, 0xC3),
                                     R(STATE, 0xC3), W(STATE, 0xC3), R(FNCTN, 0x18), R(FNCTN, 0x18),
                                     W(FNCTN, 0x18), R(FNCTN, 0x18), W(FNCTN, 0x18), R(BAL, 0x81),
                                     R(BAL, 0x81),   W(BAL, 0x81),   R(BAL, 0x81),   W(BAL, 0x81),
                                     R(SEL, 0xA3),   R(SEL, 0xA3),   W(SEL, 0x23)}));
        QCOMPARE(box("chkOutputControl(2)")->checkState(), Qt::Checked);
        QCOMPARE(box("chkOutputControl(1)")->checkState(), Qt::Unchecked);
        QCOMPARE(list("cboHost")->currentText(), QString("Host"));
        QCOMPARE(list("cboVgain")->currentText(), QString("0.20"));
        QCOMPARE(list("cboIgain")->currentText(), QString("50"));
        QCOMPARE(list("cboCell")->currentIndex(), 3);
        QCOMPARE(list("cboCal")->currentIndex(), 2);

        // Later refreshes of an unchanged chip only read, even with bit 7 set again.
        bus_->registers[SEL] = 0xA3;
        bus_->log.clear();
        form_->InitializeControlPage();
        QCOMPARE(log(), QStringList({R(OUT, 0x85), R(STATE, 0xC3), R(FNCTN, 0x18), R(BAL, 0x81),
                                     R(SEL, 0xA3)}));
    }

    void cellCodesTenToFifteen_data() {
        QTest::addColumn<int>("code");
        for (int c = 10; c <= 15; ++c) QTest::addRow("%d", c) << c;
    }
    void cellCodesTenToFifteen() {
        QFETCH(int, code);
        start(0, 0x02, 0, 0, static_cast<std::uint8_t>(code));
        QCOMPARE(bus_->registers[SEL], std::uint8_t(code));  // the first refresh kept the code
        QCOMPARE(list("cboCell")->currentText(), QString("VC10-VC11, Cell 1"));
        form_->InitializeControlPage();
        QCOMPARE(log(),
                 QStringList({R(OUT, 0), R(STATE, 2), R(FNCTN, 0), R(BAL, 0), R(SEL, code)}));
        bus_->log.clear();
        pick(list("cboCell"), 4);
        QCOMPARE(log(), QStringList({R(SEL, code), W(SEL, 0x04)}));
    }

    void cellSelBit7() {
        start(0, 0x02, 0, 0, 0x00);
        bus_->registers[SEL] = 0x81;
        pick(list("cboCell"), 6);  // keeps bit 7 as read
        pick(list("cboCal"), 3);   // clears it
        pick(list("cboCal"), 0);
        QCOMPARE(log(), QStringList({R(SEL, 0x81), W(SEL, 0x86), R(SEL, 0x86), W(SEL, 0x36),
                                     R(SEL, 0x36), W(SEL, 0x06)}));
    }

    void standaloneAndHost() {
        // Standalone with BAT set: the refresh's handler runs enable things, the mode step
        // disables them again.
        start(0, 0x00, 0x10, 0, 0);
        for (QWidget* w : modeControls()) QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(!list("cboCell")->isEnabled());
        QVERIFY(!list("cboCal")->isEnabled());
        QVERIFY(list("cboHost")->isEnabled());
        auto* hint = form_->findChild<QLabel*>(QStringLiteral("lblStandaloneHint"));
        QVERIFY(hint->isVisibleTo(page()));

        bus_->registers[FNCTN] = 0;
        form_->InitializeControlPage();
        bus_->log.clear();
        pick(list("cboHost"), 1);
        QCOMPARE(log(), QStringList({R(STATE, 0), W(STATE, 0x02)}));
        for (QWidget* w : modeControls()) QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(list("cboCell")->isEnabled());
        QVERIFY(list("cboCal")->isEnabled());
        QVERIFY(!hint->isVisibleTo(page()));

        bus_->registers[STATE] = 0xC3;
        bus_->log.clear();
        pick(list("cboHost"), 0);
        QCOMPARE(log(), QStringList({R(STATE, 0xC3), W(STATE, 0xC1)}));
        for (QWidget* w : modeControls()) QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(!list("cboCell")->isEnabled());
        QVERIFY(!list("cboCal")->isEnabled());
        QVERIFY(list("cboHost")->isEnabled());
    }

    void packAndBat() {
        start(0, 0x02, 0, 0, 0x20);  // Host, cboCal on item 2: cboCell disabled
        QVERIFY(list("cboCal")->isEnabled());
        QVERIFY(!list("cboCell")->isEnabled());
        QCheckBox* pack = box("chkFunctionControl(3)");
        QCheckBox* bat = box("chkFunctionControl(4)");

        pack->click();
        QVERIFY(!list("cboCal")->isEnabled());
        QVERIFY(!list("cboCell")->isEnabled());
        bat->click();
        QVERIFY(!pack->isEnabled());
        QCOMPARE(pack->checkState(), Qt::Checked);  // greyed out, state kept
        QCOMPARE(log(), QStringList({R(FNCTN, 0), W(FNCTN, 0x08), R(FNCTN, 0x08), W(FNCTN, 0x18)}));

        bat->click();
        QVERIFY(pack->isEnabled());
        QVERIFY(!list("cboCal")->isEnabled());  // PACK still set
        pack->click();
        // The handler's rule ignores cboCal's index; the mode step does not.
        QVERIFY(list("cboCal")->isEnabled());
        QVERIFY(list("cboCell")->isEnabled());
        form_->SetControlMode();
        QVERIFY(list("cboCal")->isEnabled());
        QVERIFY(!list("cboCell")->isEnabled());
    }

    void calIndexDecidesCell_data() {
        QTest::addColumn<int>("k");
        QTest::addColumn<bool>("cellEnabled");
        QTest::newRow("cell translation") << 0 << true;
        QTest::newRow("offset") << 1 << false;
        QTest::newRow("2.5V-1.2V") << 7 << false;
    }
    void calIndexDecidesCell() {
        QFETCH(int, k);
        QFETCH(bool, cellEnabled);
        start(0, 0x02, 0, 0, 0x35);
        pick(list("cboCal"), k);
        QCOMPARE(log(), QStringList({R(SEL, 0x35), W(SEL, 0x05 | (k << 4))}));
        QCOMPARE(list("cboCell")->isEnabled(), cellEnabled);
        form_->SetControlMode();
        QCOMPARE(list("cboCell")->isEnabled(), cellEnabled);
    }

    void laterRefreshFollowsChipCalibration() {
        start(0, 0x02, 0, 0, 0x00);
        QVERIFY(list("cboCell")->isEnabled());
        bus_->registers[SEL] = 0x52;  // changed elsewhere, e.g. by hand on the Registers page
        form_->InitializeControlPage();
        QCOMPARE(list("cboCal")->currentIndex(), 5);
        QVERIFY(!list("cboCell")->isEnabled());
        QCOMPARE(log(),
                 QStringList({R(OUT, 0), R(STATE, 2), R(FNCTN, 0), R(BAL, 0), R(SEL, 0x52)}));
    }

    void checkBoxHandlers_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("bit");
        for (int bit : {0, 1, 2, 3, 7})
            QTest::addRow("out %d", bit) << QString("chkOutputControl(%1)").arg(bit) << 1 << bit;
        QTest::newRow("shdn") << QString("chkShdn") << 2 << 0;
        for (int bit = 0; bit < 8; ++bit) {
            QTest::addRow("fnctn %d", bit)
                << QString("chkFunctionControl(%1)").arg(bit) << 3 << bit;
            QTest::addRow("bal %d", bit) << QString("chkCellBal(%1)").arg(bit) << 4 << bit;
        }
    }
    void checkBoxHandlers() {
        QFETCH(QString, name);
        QFETCH(int, address);
        QFETCH(int, bit);
        start(0, 0x02, 0, 0, 0);
        // Other bits as the chip holds them now, which the page has not seen.
        const int others = (address == STATE ? 0x42 : 0x60) & ~(1 << bit);
        bus_->registers[address] = static_cast<std::uint8_t>(others);
        box(name)->click();
        box(name)->click();
        QCOMPARE(log(), QStringList({R(address, others), W(address, others | (1 << bit)),
                                     R(address, others | (1 << bit)), W(address, others)}));
    }

    void listHandlers_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("vgain 0.20") << QString("cboVgain") << 1 << 0x83 << 0xC3;
        QTest::newRow("vgain 0.15") << QString("cboVgain") << 0 << 0xC3 << 0x83;
        QTest::newRow("igain 50") << QString("cboIgain") << 1 << 0x43 << 0xC3;
        QTest::newRow("igain 10") << QString("cboIgain") << 0 << 0xC3 << 0x43;
    }
    void listHandlers() {
        QFETCH(QString, name);
        QFETCH(int, k);
        QFETCH(int, before);
        QFETCH(int, after);
        start(0, 0x02, 0, 0, 0);
        bus_->registers[STATE] = static_cast<std::uint8_t>(before);
        pick(list(name), k);
        QCOMPARE(log(), QStringList({R(STATE, before), W(STATE, after)}));
    }

    void listWithoutSelectionWritesNothing() {
        start(0, 0x02, 0, 0, 0);
        for (const char* name : {"cboHost", "cboVgain", "cboIgain", "cboCell", "cboCal"}) {
            list(name)->setCurrentIndex(-1);
            emit list(name)->activated(-1);
        }
        QCOMPARE(log(), QStringList());
    }

    void greyedBoxCountsAsClear() {
        start(0, 0x02, 0x10, 0x04, 0);
        box("chkCellBal(2)")->setCheckState(Qt::PartiallyChecked);
        QCOMPARE(log(), QStringList({R(BAL, 0x04), W(BAL, 0x00)}));
        QVERIFY(!box("chkFunctionControl(3)")->isEnabled());
        box("chkFunctionControl(4)")->setCheckState(Qt::PartiallyChecked);  // BAT greyed
        QVERIFY(box("chkFunctionControl(3)")->isEnabled());
        QCOMPARE(bus_->registers[FNCTN], std::uint8_t(0x00));
    }

    void failedReadsWriteNothing() {
        // The chip answers writes but not reads of three registers: nothing may be written
        // from the byte that such a read delivers, not even by the first refresh.
        for (std::uint8_t address : {OUT, BAL, SEL}) bus_->failReads[address] = 1000;
        bus_->registers[OUT] = 0x06;
        bus_->registers[STATE] = 0x02;
        bus_->registers[BAL] = 0x10;
        bus_->registers[SEL] = 0xA0;
        form_->InitializeControlPage();
        box("chkOutputControl(3)")->click();
        box("chkCellBal(0)")->click();
        pick(list("cboCal"), 1);
        find<QPushButton>("cmdToggleLtclr")->click();
        const QString failed1 = failedRead(OUT);
        QCOMPARE(log(),
                 QStringList({failed1, R(STATE, 2), R(FNCTN, 0), failedRead(BAL), failedRead(SEL),
                              failed1, failedRead(BAL), failedRead(SEL), failed1}));
        QVERIFY(form_->statusPanel()->tmrStatus()->isActive());

        bus_->failReads.clear();
        form_->InitializeControlPage();
        QCOMPARE(bus_->registers[OUT], std::uint8_t(0x06));
        QCOMPARE(bus_->registers[BAL], std::uint8_t(0x10));
        QCOMPARE(bus_->registers[SEL], std::uint8_t(0xA0));
        QCOMPARE(box("chkOutputControl(3)")->checkState(), Qt::Unchecked);
        QCOMPARE(box("chkCellBal(4)")->checkState(), Qt::Checked);

        // One lost read: the boxes keep what they showed, and the registers stay.
        bus_->failReads[OUT] = 1;
        bus_->log.clear();
        form_->InitializeControlPage();
        QCOMPARE(log(), QStringList({failedRead(OUT), R(STATE, 2), R(FNCTN, 0), R(BAL, 0x10),
                                     R(SEL, 0xA0)}));
        QCOMPARE(box("chkOutputControl(1)")->checkState(), Qt::Checked);
        QCOMPARE(box("chkOutputControl(2)")->checkState(), Qt::Checked);
    }

    void toggleLtclr_data() {
        QTest::addColumn<bool>("runningBefore");
        QTest::newRow("status timer stopped") << false;
        QTest::newRow("status timer running") << true;
    }
    void toggleLtclr() {
        QFETCH(bool, runningBefore);
        start(0x8B, 0x02, 0, 0, 0);
        QTimer* tmrStatus = form_->statusPanel()->tmrStatus();
        if (runningBefore) tmrStatus->start();
        QList<bool> statusRunning;
        bus_->beforeTransfer = [&] { statusRunning << tmrStatus->isActive(); };
        find<QPushButton>("cmdToggleLtclr")->click();
        bus_->beforeTransfer = {};
        QCOMPARE(log(), QStringList({R(OUT, 0x8B), W(OUT, 0x8A), W(OUT, 0x8B), W(OUT, 0x8A)}));
        QCOMPARE(statusRunning, QList<bool>({false, false, false, false}));
        QVERIFY(tmrStatus->isActive());
        QCOMPARE(box("chkOutputControl(0)")->checkState(), Qt::Checked);  // until the refresh
    }

    void onceASecondRefresh() {
        start(0, 0x02, 0, 0, 0);
        QTimer* tmrControl = page()->tmrControl();
        QCOMPARE(tmrControl->interval(), 1000);
        bus_->registers[BAL] = 0x02;
        bus_->registers[STATE] = 0x42;
        // A click already queued is served before the tick reads the chip.
        QMetaObject::invokeMethod(
            box("chkCellBal(7)"), [this] { box("chkCellBal(7)")->click(); }, Qt::QueuedConnection);
        QMetaObject::invokeMethod(tmrControl, "timeout");
        QCOMPARE(log(),
                 QStringList({R(BAL, 0x02), W(BAL, 0x82), R(OUT, 0), R(STATE, 0x42), R(FNCTN, 0),
                              R(BAL, 0x82), R(BAL, 0x82), W(BAL, 0x82), R(SEL, 0)}));
        QCOMPARE(box("chkCellBal(1)")->checkState(), Qt::Checked);
        QCOMPARE(list("cboVgain")->currentIndex(), 1);

        bus_->log.clear();
        QMetaObject::invokeMethod(tmrControl, "timeout");
        QCOMPARE(log(),
                 QStringList({R(OUT, 0), R(STATE, 0x42), R(FNCTN, 0), R(BAL, 0x82), R(SEL, 0)}));
    }

    void tabSwitchRunsTheTimer() {
        auto* tabs = form_->findChild<QTabWidget*>("SSTab1");
        QTimer* tmrControl = page()->tmrControl();
        bus_->registers[STATE] = 0x02;
        tabs->setCurrentIndex(0);
        QVERIFY(tmrControl->isActive());
        QCOMPARE(list("cboHost")->currentText(), QString("Host"));
        tabs->setCurrentIndex(2);
        QVERIFY(tmrControl->isActive());
        tabs->setCurrentIndex(1);
        QVERIFY(!tmrControl->isActive());
        tabs->setCurrentIndex(2);
        QVERIFY(!tmrControl->isActive());
    }

    void everyControlOnTheSimulator() {
        auto chip = useSimulator();
        auto reg = [&](std::uint8_t address) { return readChip(*chip, address); };
        form_->InitializeControlPage();
        QVERIFY(!box("chkCellBal(0)")->isEnabled());

        pick(list("cboHost"), 1);
        for (int bit : {1, 2, 3, 7}) box(QString("chkOutputControl(%1)").arg(bit))->click();
        pick(list("cboVgain"), 1);
        pick(list("cboIgain"), 1);
        for (int bit = 0; bit < 8; ++bit) {
            if (bit != 3 && bit != 4) box(QString("chkFunctionControl(%1)").arg(bit))->click();
            box(QString("chkCellBal(%1)").arg(bit))->click();
        }
        pick(list("cboCell"), 9);
        pick(list("cboCal"), 6);
        QCOMPARE(reg(OUT), std::uint8_t(0x8E));
        QCOMPARE(reg(STATE), std::uint8_t(0xC2));
        QCOMPARE(reg(FNCTN), std::uint8_t(0xE7));
        QCOMPARE(reg(BAL), std::uint8_t(0xFF));
        QCOMPARE(reg(SEL), std::uint8_t(0x69));

        form_->InitializeControlPage();  // what the page shows again is what the chip holds
        QCOMPARE(box("chkFunctionControl(7)")->checkState(), Qt::Checked);
        QCOMPARE(list("cboCal")->currentIndex(), 6);
        QCOMPARE(reg(SEL), std::uint8_t(0x69));
    }

    void toggleLtclrClearsALatchOnTheSimulator() {
        auto chip = useSimulator();
        form_->InitializeControlPage();
        pick(list("cboHost"), 1);
        chip->setCondition(SimCondition::Ov, true);
        QVERIFY(readChip(*chip, chip::STATUS) & chip::kStatusOV);
        chip->setCondition(SimCondition::Ov, false);
        QVERIFY(readChip(*chip, chip::STATUS) & chip::kStatusOV);  // latched
        find<QPushButton>("cmdToggleLtclr")->click();
        QVERIFY(!(readChip(*chip, chip::STATUS) & chip::kStatusOV));
        QVERIFY(!(readChip(*chip, OUT) & chip::kOutLTCLR));
    }
};

QTEST_MAIN(ControlPageTest)
#include "control_page_test.moc"
