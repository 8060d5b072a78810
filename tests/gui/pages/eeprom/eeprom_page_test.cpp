// The EEPROM page, its programming, preview and files, driven through the real widgets of
// the main window over a recording adapter or the simulator.

#include "gui/pages/eeprom/eeprom_page.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <fstream>
#include <sstream>

#include "core/base/native_path.h"
#include "core/eeprom/eeprom_file.h"
#include "core/sim/sim_adapter.h"
#include "core/sim/simulated_chip.h"
#include "gui/app/form2.h"
#include "gui/pages/eeprom/frm_preview.h"
#include "gui/pages/registers/status_panel.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/recording_adapter.h"

using Lines = std::vector<std::string>;

class EepromPageTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void selectingThePageReadsTheChip();
    void framesInRegisterOrderOnOneGrid();
    void fsClickWritesTheBitAndTakesTheChipsUvDelay();
    void cellCountChoiceKeepsTheChosenItem();
    void delayBoxSnapsOnFocusLossAndRefusesText();
    void conversionWritesRegistersInOrder();
    void conversionRefusesAPageWithoutEncoding();
    void unfilledPageSaysNoValuesAndDoesNotProgram();

    void programmingOnTheSimulatorBurnsTheEeprom();
    void programmingEndsSafelyOnEveryFault_data();
    void programmingEndsSafelyOnEveryFault();
    void nothingInterleavesWhileProgramming();
    void closingDuringThePulseDisarmsBeforeTheAdapterCloses();

    void previewShowsTheChangedPage();

    void openLoadsAFileWithoutTouchingTheEepromRegisters();
    void openRefusesBadFilesAndLeavesThePage_data();
    void openRefusesBadFilesAndLeavesThePage();
    void saveWritesANewFile();
    void saveOverAnExistingFileAsksFirst_data();
    void saveOverAnExistingFileAsksFirst();

private:
    void useRecordingAdapter();
    void useSimulator(const SimulatedChip::Eeprom& eeprom);
    void makeWindow();
    void selectEepromPage();
    template <typename T>
    T* child(const QString& name) const {
        T* w = form_->findChild<T*>(name);
        if (!w) qFatal("no widget %s", qPrintable(name));
        return w;
    }
    QComboBox* list(const char* name) const { return child<QComboBox>(QLatin1String(name)); }
    QStringList items(const char* name) const {
        QStringList out;
        for (int i = 0; i < list(name)->count(); ++i) out << list(name)->itemText(i);
        return out;
    }
    Lines busSince(std::size_t mark) const {
        return {bus_->log.begin() + static_cast<std::ptrdiff_t>(mark), bus_->log.end()};
    }
    std::string writeFile(const std::string& name, const std::string& text) const {
        const std::string path = dir_->filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::unique_ptr<FakeBus> fake_;
    std::shared_ptr<FakeChip> bus_;
    std::shared_ptr<SimulatedChip> chip_;
    std::shared_ptr<std::chrono::steady_clock::time_point> now_;
    std::unique_ptr<Form2> form_;
    EepromPage* page_ = nullptr;
    std::function<void(double)> onWait_;
    std::vector<double> waits_;
    std::vector<int> progress_;
    std::unique_ptr<QTemporaryDir> dir_;
};

void EepromPageTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    waits_.clear();
    progress_.clear();
    onWait_ = nullptr;
}

void EepromPageTest::cleanup() {
    form_.reset();
    fake_.reset();
    chip_.reset();
}

void EepromPageTest::useRecordingAdapter() {
    fake_ = std::make_unique<FakeBus>();
    bus_ = fake_->chip;
    bus_->registers[0x00] = 0x20;  // VGOOD
    makeWindow();
}

void EepromPageTest::useSimulator(const SimulatedChip::Eeprom& eeprom) {
    now_ = std::make_shared<std::chrono::steady_clock::time_point>();
    chip_ = std::make_shared<SimulatedChip>(eeprom, [now = now_] { return *now; });
    fake_ = std::make_unique<FakeBus>(std::make_unique<SimAdapter>(chip_));
    bus_ = fake_->chip;
    makeWindow();
}

void EepromPageTest::makeWindow() {
    form_ = std::make_unique<Form2>(fake_->bus);
    form_->setEndProgram([] {});
    // Only the page's own traffic is asserted: the background timers tick far away.
    for (QTimer* timer : form_->findChildren<QTimer*>()) {
        if (timer->interval() >= 200) {
            timer->stop();
            timer->setInterval(24 * 3600 * 1000);
        }
    }
    page_ = form_->eepromPage();
    page_->setWait([this](double seconds) {
        waits_.push_back(seconds);
        bus_->note("wait " + std::to_string(seconds).substr(0, 4));
        if (now_) *now_ += std::chrono::milliseconds(static_cast<int>(seconds * 1000));
        if (onWait_) onWait_(seconds);
    });
    connect(child<QProgressBar>(QStringLiteral("ProgressBar1")), &QProgressBar::valueChanged, this,
            [this](int v) { progress_.push_back(v); });
}

void EepromPageTest::selectEepromPage() {
    child<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
}

// ---- page and handlers -------------------------------------------------------------------

void EepromPageTest::framesInRegisterOrderOnOneGrid() {
    useRecordingAdapter();
    form_->show();
    selectEepromPage();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    auto at = [this](const char* name) {
        QWidget* w = child<QWidget>(QLatin1String(name));
        return w->mapTo(page_, QPoint(0, 0));
    };
    // Read row by row, the frames come in register order 0x06..0x0A.
    const char* frames[] = {"fraOvCfg", "fraUvLevel", "fraOcUvDelay", "fraOcdCfg", "fraScdCfg"};
    for (int i = 1; i < 5; ++i) {
        const QPoint a = at(frames[i - 1]);
        const QPoint b = at(frames[i]);
        QVERIFY2(a.y() < b.y() || (a.y() == b.y() && a.x() < b.x()), frames[i]);
    }
    // The lists of one column of frames start at one x.
    QCOMPARE(at("cboOcThresh").x(), at("cboOvThresh").x());
    QCOMPARE(at("cboShortCircuitThresh").x(), at("cboOvThresh").x());
    QCOMPARE(at("txtOcDelay").x(), at("cboUvThresh").x());
    // The progress bar appears without moving the buttons.
    QWidget* program = child<QWidget>(QStringLiteral("cmdProgramEeprom"));
    const QPoint before = program->pos();
    child<QWidget>(QStringLiteral("ProgressBar1"))->show();
    QCoreApplication::processEvents();
    QCOMPARE(program->pos(), before);
    // The preview is no wider than the main window.
    frmPreview preview(form_.get());
    QVERIFY(preview.sizeHint().boundedTo(preview.maximumSize()).width() <= form_->width());
}

void EepromPageTest::selectingThePageReadsTheChip() {
    useRecordingAdapter();
    auto& r = bus_->registers;
    r[0x06] = 0xFF;
    r[0x07] = 0xC5;
    r[0x08] = 0xA3;
    r[0x09] = 0x30;  // code 16 with SOR
    r[0x0A] = 0x4C;
    r[0x01] = 0x80;  // FS
    QAction* save = form_->findChild<QAction*>(QStringLiteral("mnuFileSaveEeprom"));
    QVERIFY(!save->isEnabled());
    QCOMPARE(list("cboOvThresh")->currentIndex(), -1);
    QCOMPARE(list("cboUvDelay")->count(), 0);
    QCOMPARE(list("cboCellCount")->currentText(), QStringLiteral("10"));

    const auto mark = bus_->log.size();
    selectEepromPage();
    QCOMPARE(busSince(mark), (Lines{"read 06 FF rc=0", "read 07 C5 rc=0", "read 01 80 rc=0",
                                    "read 08 A3 rc=0", "read 09 30 rc=0", "read 0A 4C rc=0"}));
    QCOMPARE(list("cboOvThresh")->currentText(), QStringLiteral("4.50"));
    QCOMPARE(list("cboOvHyst")->currentText(), QStringLiteral("0"));
    QCOMPARE(list("cboOvDetDelay")->currentText(), QStringLiteral("2250"));
    QCOMPARE(list("cboUvThresh")->currentText(), QStringLiteral("1.90"));
    QCOMPARE(list("cboUvHyst")->currentText(), QStringLiteral("0.2"));
    QVERIFY(child<QCheckBox>(QStringLiteral("chkDisDsgFet"))->isChecked());
    QVERIFY(child<QCheckBox>(QStringLiteral("chkDisDsgChgFet"))->isChecked());
    QVERIFY(child<QCheckBox>(QStringLiteral("chkFsBit"))->isChecked());
    QCOMPARE(list("cboOcThresh")->currentText(), QStringLiteral("25"));
    QCOMPARE(list("cboUvDelay")->currentIndex(), 10);
    QCOMPARE(items("cboUvDelay").mid(0, 8),
             (QStringList{"0", "2.5", "5", "10", "12.5", "15", "20", "30"}));
    QCOMPARE(items("cboUvDelay").mid(8, 1), QStringList{"1000(alt)"});
    QCOMPARE(child<QLineEdit>(QStringLiteral("txtOcDelay"))->text(), QStringLiteral("100"));
    QVERIFY(child<QCheckBox>(QStringLiteral("chkSOR"))->isChecked());
    QVERIFY(!child<QCheckBox>(QStringLiteral("chkZvc"))->isChecked());
    QCOMPARE(list("cboShortCircuitThresh")->currentText(), QStringLiteral("120"));
    QCOMPARE(list("cboShortCircuitDelay")->currentText(), QStringLiteral("240"));
    QVERIFY(save->isEnabled());
    QCOMPARE(child<QCheckBox>(QStringLiteral("chkDisDsgChgFet"))->text(),
             QStringLiteral("Disable Automatic DSG&&CHG Control in OC/SC"));
    QVERIFY(bus_->lines("write ").empty());
    // Tooltips name the register field, not the caption beside it.
    QCOMPARE(list("cboOvThresh")->toolTip(),
             QStringLiteral("OV_CFG bits 2-0: Cell over-voltage threshold"));
    QCOMPARE(child<QCheckBox>(QStringLiteral("chkDisDsgFet"))->toolTip(),
             QStringLiteral("UV_LEVEL bit 6: Disable automatic DSG FET control in under-voltage"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("txtOcDelay"))->toolTip(),
             QStringLiteral("OCDELAY bits 4-0: Over-current delay"));
}

void EepromPageTest::fsClickWritesTheBitAndTakesTheChipsUvDelay() {
    useRecordingAdapter();
    bus_->registers[0x01] = 0x06;
    bus_->registers[0x08] = 0x30;
    selectEepromPage();
    list("cboUvDelay")->setCurrentIndex(12);   // the page differs from the chip
    list("cboCellCount")->setCurrentIndex(0);  // shown, not chosen: the count is read at the click

    const auto mark = bus_->log.size();
    child<QCheckBox>(QStringLiteral("chkFsBit"))->click();
    QCOMPARE(busSince(mark), (Lines{"read 01 06 rc=0", "write 01 86 rc=0", "read 08 30 rc=0"}));
    QCOMPARE(list("cboUvDelay")->currentIndex(), 3);
    QCOMPARE(items("cboUvDelay").mid(0, 8),
             (QStringList{"0", "1.25", "2.5", "5", "6.25", "7.5", "10", "15"}));
    QCOMPARE(items("cboUvDelay").mid(8),
             (QStringList{"1000-", "2000-", "3000-", "4000-", "5000-", "6000-", "7000-", "8000-"}));

    child<QCheckBox>(QStringLiteral("chkFsBit"))->click();
    QCOMPARE(bus_->lines("write ").back(), std::string("write 01 06 rc=0"));
    QCOMPARE(list("cboUvDelay")->currentText(), QStringLiteral("4000"));

    // A click whose read of OUTPUT_CNTRL is lost writes nothing over the FET bits, and the
    // box and the list stay as the chip still has them.
    bus_->failReads[0x01] = FakeChip::kAlways;
    const auto lost = bus_->log.size();
    child<QCheckBox>(QStringLiteral("chkFsBit"))->click();
    QCOMPARE(busSince(lost), (Lines{"read 01 00 rc=-1"}));
    QCOMPARE(bus_->registers[0x01], std::uint8_t{0x06});
    QVERIFY(!child<QCheckBox>(QStringLiteral("chkFsBit"))->isChecked());
    QCOMPARE(list("cboUvDelay")->currentText(), QStringLiteral("4000"));
}

void EepromPageTest::cellCountChoiceKeepsTheChosenItem() {
    useRecordingAdapter();
    bus_->registers[0x01] = 0x80;
    bus_->registers[0x08] = 0xA0;  // UVD item 10
    selectEepromPage();
    QCOMPARE(list("cboUvDelay")->currentText(), QStringLiteral("3000(alt)"));

    const auto mark = bus_->log.size();
    QComboBox* cells = list("cboCellCount");
    cells->setCurrentIndex(2);
    emit cells->activated(2);  // the user picks "7"
    QVERIFY(busSince(mark).empty());
    QCOMPARE(list("cboUvDelay")->currentIndex(), 10);
    QCOMPARE(list("cboUvDelay")->currentText(), QStringLiteral("3000-"));
    QCOMPARE(items("cboUvDelay").mid(0, 8),
             (QStringList{"0", "1.75", "3.5", "7", "8.75", "10.5", "14", "21"}));

    // A computed item is kept by its position too.
    list("cboUvDelay")->setCurrentIndex(5);
    cells->setCurrentIndex(4);
    emit cells->activated(4);
    QCOMPARE(list("cboUvDelay")->currentIndex(), 5);
    QCOMPARE(list("cboUvDelay")->currentText(), QStringLiteral("13.5"));
}

void EepromPageTest::delayBoxSnapsOnFocusLossAndRefusesText() {
    useRecordingAdapter();
    selectEepromPage();
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    auto* box = child<QLineEdit>(QStringLiteral("txtOcDelay"));
    auto* zvc = child<QCheckBox>(QStringLiteral("chkZvc"));
    const std::vector<std::pair<QString, QString>> cases{
        {"30", "40"},   {"50", "40"},   {"339", "320"},   {"360", "400"},
        {"450", "400"}, {"550", "600"}, {"2000", "1600"}, {"-5", "20"}};
    for (const auto& [typed, shown] : cases) {
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        box->setText(typed);
        QTest::keyClick(box, Qt::Key_Return);  // Enter moves on to chkZvc
        QVERIFY(zvc->hasFocus());
        QCOMPARE(box->text(), shown);
    }

    ModalAnswerer answers;
    answers.message();
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    box->setText(QStringLiteral("abc"));
    zvc->setFocus(Qt::TabFocusReason);
    QVERIFY(answers.allAnswered());
    QCOMPARE(answers.messages.size(), std::size_t{1});
    QCOMPARE(answers.messages[0].text,
             QStringLiteral("Only numeric values should be entered for Overcurrent Delay Time."));
    QCOMPARE(answers.messages[0].title, QStringLiteral("Varenthal"));
    // The window's focus goes back to the box (offscreen, the window is not reactivated).
    QTRY_COMPARE(form_->focusWidget(), box);
    QCOMPARE(box->text(), QStringLiteral("abc"));
    QCOMPARE(box->selectedText(), QStringLiteral("abc"));
    QVERIFY(answers.unexpected.empty());
    QVERIFY(bus_->lines("write ").empty());
}

void EepromPageTest::conversionWritesRegistersInOrder() {
    useRecordingAdapter();
    bus_->registers[0x09] = 0x10;  // shows "100", converts back as code 4
    selectEepromPage();
    list("cboOvThresh")->setCurrentIndex(7);
    list("cboOvHyst")->setCurrentIndex(3);
    list("cboOvDetDelay")->setCurrentIndex(7);
    list("cboShortCircuitDelay")->setCurrentIndex(15);
    child<QCheckBox>(QStringLiteral("chkSOR"))->setChecked(true);
    form_->statusPanel()->tmrStatus()->stop();

    const auto mark = bus_->log.size();
    QVERIFY(form_->ConvertEepromControlsToBytes());
    QCOMPARE(busSince(mark), (Lines{"wait 1.00", "write 06 FF rc=0", "write 07 00 rc=0",
                                    "write 08 00 rc=0", "write 09 24 rc=0", "write 0A F0 rc=0"}));
    QCOMPARE(page_->eepromImage(), (eeprom::EepromImage{0xFF, 0x00, 0x00, 0x24, 0xF0}));
    QVERIFY(form_->statusPanel()->tmrStatus()->isActive());
}

void EepromPageTest::conversionRefusesAPageWithoutEncoding() {
    useRecordingAdapter();
    selectEepromPage();
    child<QLineEdit>(QStringLiteral("txtOcDelay"))->setText(QStringLiteral("abc"));
    form_->statusPanel()->tmrStatus()->stop();
    ModalAnswerer answers;
    answers.message();
    const auto mark = bus_->log.size();
    QVERIFY(!form_->ConvertEepromControlsToBytes());
    QCOMPARE(busSince(mark), (Lines{"wait 1.00"}));
    QCOMPARE(answers.messages.size(), std::size_t{1});
    QVERIFY(answers.messages[0].text.startsWith(QStringLiteral("Over Current Delay Time: ")));
    QCOMPARE(page_->eepromImage(), (eeprom::EepromImage{}));
    QVERIFY(!form_->statusPanel()->tmrStatus()->isActive());
}

void EepromPageTest::unfilledPageSaysNoValuesAndDoesNotProgram() {
    useRecordingAdapter();
    ModalAnswerer answers;
    answers.message();
    const auto mark = bus_->log.size();
    child<QPushButton>(QStringLiteral("cmdProgramEeprom"))->click();
    QVERIFY(answers.allAnswered());
    QCOMPARE(answers.messages.at(0).text, QStringLiteral("No values programmed."));
    QCOMPARE(busSince(mark), (Lines{"wait 1.00"}));
    QVERIFY(child<QProgressBar>(QStringLiteral("ProgressBar1"))->isHidden());
    QVERIFY(child<QLabel>(QStringLiteral("Label47"))->isHidden());

    // The preview still opens, on the image as it stands (all zero so far).
    QString shown;
    answers.message();
    answers.then([&](QWidget* w) {
        shown = w->findChild<QLineEdit*>(QStringLiteral("txtData(6)"))->text();
        w->close();
    });
    child<QPushButton>(QStringLiteral("cmdPreview"))->click();
    QVERIFY(answers.allAnswered());
    QCOMPARE(answers.messages.at(1).text, QStringLiteral("No values programmed."));
    QCOMPARE(shown, QStringLiteral("00"));
    QVERIFY(bus_->lines("write ").empty());
    QVERIFY(answers.unexpected.empty());
}

// ---- programming ---------------------------------------------------------------------------

void EepromPageTest::programmingOnTheSimulatorBurnsTheEeprom() {
    useSimulator(SimulatedChip::kDefaultEeprom);
    selectEepromPage();
    list("cboOvThresh")->setCurrentIndex(6);  // 4.45 V: 0x4A becomes 0x4E
    QStringList shownDuring;
    onWait_ = [&](double) {
        auto* bar = child<QProgressBar>(QStringLiteral("ProgressBar1"));
        shownDuring << QString::number(!bar->isHidden() &&
                                       !child<QLabel>(QStringLiteral("Label47"))->isHidden());
    };
    const auto mark = bus_->log.size();
    ModalAnswerer answers;
    child<QPushButton>(QStringLiteral("cmdProgramEeprom"))->click();

    QVERIFY(answers.messages.empty());
    QVERIFY(answers.unexpected.empty());
    QCOMPARE(busSince(mark),
             (Lines{"wait 1.00",        "write 06 4E rc=0", "write 07 1D rc=0", "write 08 28 rc=0",
                    "write 09 87 rc=0", "write 0A 48 rc=0", "write 0B 71 rc=0", "wait 0.07",
                    "write 0B 41 rc=0", "wait 0.07",        "read 00 E0 rc=0",  "pulse 1 0 0 rc=0",
                    "wait 1.00",        "write 0B 00 rc=0", "pulse 0 0 0 rc=0", "read 06 4E rc=0",
                    "read 07 1D rc=0",  "read 08 28 rc=0",  "read 09 87 rc=0",  "read 0A 48 rc=0",
                    "read 01 00 rc=0"}));
    QCOMPARE(chip_->eeprom(), (SimulatedChip::Eeprom{0x4E, 0x1D, 0x28, 0x87, 0x48}));
    QCOMPARE(progress_, (std::vector<int>{30, 50, 60, 70, 80, 100}));
    QCOMPARE(shownDuring, (QStringList{"1", "1", "1", "1"}));
    QVERIFY(child<QProgressBar>(QStringLiteral("ProgressBar1"))->isHidden());
    QVERIFY(child<QLabel>(QStringLiteral("Label47"))->isHidden());
    QVERIFY(!chip_->armed());
    QVERIFY(!chip_->programmingVoltage());
    QVERIFY(!child<QWidget>(QStringLiteral("ImgGrnLEDVgood(1)"))->isHidden());
    QVERIFY(child<QWidget>(QStringLiteral("ImgGrnLEDVgood(0)"))->isHidden());
}

void EepromPageTest::programmingEndsSafelyOnEveryFault_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("tail");  // the bus from the STATUS read on
    QTest::newRow("VGOOD clear") << 0 << "VGOOD did not get set. EEPROM programming canceled."
                                 << QStringList{"read 00 DF rc=0", "write 0B 00 rc=0"};
    QTest::newRow("0x08 reads back different")
        << 1 << "EEPROM did not program correctly."
        << QStringList{"read 00 20 rc=0",  "pulse 1 0 0 rc=0", "wait 1.00",
                       "write 0B 00 rc=0", "pulse 0 0 0 rc=0", "read 06 00 rc=0",
                       "read 07 00 rc=0",  "read 08 5A rc=0"};
    QTest::newRow("PFALT") << 2 << "EEPROM did not program correctly."
                           << QStringList{"read 00 20 rc=0",  "pulse 1 0 0 rc=0", "wait 1.00",
                                          "write 0B 00 rc=0", "pulse 0 0 0 rc=0", "read 06 00 rc=0",
                                          "read 07 00 rc=0",  "read 08 00 rc=0",  "read 09 00 rc=0",
                                          "read 0A 00 rc=0",  "read 01 40 rc=0"};
    QTest::newRow("voltage refused") << 3
                                     << "EEPROM did not program correctly.\nThe programming "
                                        "voltage could not be switched on."
                                     << QStringList{"read 00 20 rc=0", "pulse 1 0 0 rc=7",
                                                    "write 0B 00 rc=0", "pulse 0 0 0 rc=0"};
}

void EepromPageTest::programmingEndsSafelyOnEveryFault() {
    QFETCH(int, fault);
    QFETCH(QString, message);
    QFETCH(QStringList, tail);
    useRecordingAdapter();
    selectEepromPage();
    if (fault == 0) bus_->readOverride[0x00] = 0xDF;
    if (fault == 1) bus_->readOverride[0x08] = 0x5A;
    if (fault == 2) bus_->readOverride[0x01] = 0x40;
    if (fault == 3) bus_->voltageOnResult = 7;
    // The conversion turns the status monitor on; each later wait turns it off again, so
    // that only an end that turns it on itself leaves it running.
    onWait_ = [this](double) { form_->statusPanel()->tmrStatus()->stop(); };

    // The lamp starts the other way round from where the STATUS check must leave it.
    form_->statusPanel()->setVgoodLamp(fault == 0);

    ModalAnswerer answers;
    answers.message();
    const auto mark = bus_->log.size();
    child<QPushButton>(QStringLiteral("cmdProgramEeprom"))->click();

    QVERIFY(answers.allAnswered());
    QCOMPARE(child<QWidget>(QStringLiteral("ImgGrnLEDVgood(1)"))->isHidden(), fault == 0);
    QCOMPARE(child<QWidget>(QStringLiteral("ImgGrnLEDVgood(0)"))->isHidden(), fault != 0);
    QVERIFY(answers.unexpected.empty());
    QCOMPARE(answers.messages.size(), std::size_t{1});
    QCOMPARE(answers.messages[0].text, message);
    QCOMPARE(answers.messages[0].title, QStringLiteral("Varenthal"));
    const Lines all = busSince(mark);
    const auto status = std::find_if(
        all.begin(), all.end(), [](const std::string& l) { return l.rfind("read 00 ", 0) == 0; });
    QVERIFY(status != all.end());
    QStringList fromStatus;
    for (auto it = status; it != all.end(); ++it) fromStatus << QString::fromStdString(*it);
    QCOMPARE(fromStatus, tail);
    QCOMPARE(bus_->registers[0x0B], std::uint8_t{0x00});
    QVERIFY(!bus_->voltageOn);
    QCOMPARE(progress_.back(), 100);
    QVERIFY(child<QProgressBar>(QStringLiteral("ProgressBar1"))->isHidden());
    QVERIFY(child<QLabel>(QStringLiteral("Label47"))->isHidden());
    QCOMPARE(form_->statusPanel()->tmrStatus()->isActive(), fault == 2);  // PFALT
    QVERIFY(child<QPushButton>(QStringLiteral("cmdProgramEeprom"))->isEnabled());
}

void EepromPageTest::nothingInterleavesWhileProgramming() {
    useRecordingAdapter();
    selectEepromPage();
    auto* program = child<QPushButton>(QStringLiteral("cmdProgramEeprom"));
    auto* preview = child<QPushButton>(QStringLiteral("cmdPreview"));
    auto* fs = child<QCheckBox>(QStringLiteral("chkFsBit"));
    QAction* save = form_->findChild<QAction*>(QStringLiteral("mnuFileSaveEeprom"));
    QAction* open = form_->findChild<QAction*>(QStringLiteral("mnuFileOpenEeprom"));
    int waitsSeen = 0;
    onWait_ = [&](double) {
        ++waitsSeen;
        QVERIFY(!program->isEnabled());
        QVERIFY(!preview->isEnabled());
        QVERIFY(!fs->isEnabled());
        QVERIFY(!save->isEnabled());
        QVERIFY(!open->isEnabled());
        // Whatever reaches the page meanwhile is refused.
        program->click();
        page_->cmdProgramEeprom_Click();
        page_->mnuFileSaveEeprom_Click();
        child<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
        child<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
        QVERIFY(!save->isEnabled());
    };
    ModalAnswerer answers;
    program->click();
    QCOMPARE(waitsSeen, 4);
    QVERIFY(answers.unexpected.empty());
    QCOMPARE(bus_->lines("write 0B").size(), std::size_t{3});
    QVERIFY(program->isEnabled());
    QVERIFY(preview->isEnabled());
    QVERIFY(fs->isEnabled());
    QVERIFY(save->isEnabled());
    QVERIFY(open->isEnabled());
}

void EepromPageTest::closingDuringThePulseDisarmsBeforeTheAdapterCloses() {
    useRecordingAdapter();
    selectEepromPage();
    onWait_ = [&](double seconds) {
        if (seconds == 1.0 && bus_->voltageOn) form_->close();
    };
    child<QPushButton>(QStringLiteral("cmdProgramEeprom"))->click();
    const Lines& log = bus_->log;
    const auto on = std::find(log.begin(), log.end(), "pulse 1 0 0 rc=0");
    QVERIFY(on != log.end());
    // The pulse runs its full time (the rest of it inside the close), then the safe end.
    Lines tail(on, log.end());
    QCOMPARE(tail.size(), std::size_t{6});
    QVERIFY(tail[2].rfind("wait ", 0) == 0);
    tail.erase(tail.begin() + 2);
    QCOMPARE(tail, (Lines{"pulse 1 0 0 rc=0", "wait 1.00", "write 0B 00 rc=0", "pulse 0 0 0 rc=0",
                          "close"}));
    QVERIFY(child<QProgressBar>(QStringLiteral("ProgressBar1"))->isHidden());
}

// ---- preview -------------------------------------------------------------------------------

void EepromPageTest::previewShowsTheChangedPage() {
    useRecordingAdapter();
    bus_->registers[0x06] = 0x05;
    selectEepromPage();
    struct Seen {
        QStringList hex;
        QList<QColor> ovCfg;  // bit 0..7
        QString title;
    };
    std::vector<Seen> seen;
    ModalAnswerer answers;
    auto look = [&](QWidget* w) {
        auto* preview = qobject_cast<frmPreview*>(w);
        QVERIFY(preview);
        Seen s;
        s.title = preview->windowTitle();
        for (int a = 6; a <= 10; ++a)
            s.hex << preview->findChild<QLineEdit*>(QStringLiteral("txtData(%1)").arg(a))->text();
        for (int bit = 0; bit < 8; ++bit) {
            auto* cell = preview->findChild<QLabel*>(QStringLiteral("OvCfgBit(%1)").arg(bit));
            s.ovCfg << cell->palette().color(QPalette::Window);
        }
        seen.push_back(s);
        preview->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    };
    answers.then(look);
    child<QPushButton>(QStringLiteral("cmdPreview"))->click();
    list("cboOvThresh")->setCurrentIndex(7);
    list("cboOvDetDelay")->setCurrentIndex(7);
    list("cboShortCircuitDelay")->setCurrentIndex(15);
    answers.then(look);
    child<QPushButton>(QStringLiteral("cmdPreview"))->click();

    QVERIFY(answers.unexpected.empty());
    QCOMPARE(seen.size(), std::size_t{2});
    const QColor green(0xC0, 0xFF, 0xC0), red(0xFF, 0xC0, 0xC0);
    QCOMPARE(seen[0].title, QStringLiteral("EEPROM Preview"));
    QCOMPARE(seen[0].hex, (QStringList{"05", "00", "00", "00", "00"}));
    QCOMPARE(seen[0].ovCfg, (QList<QColor>{green, red, green, red, red, red, red, red}));
    QCOMPARE(seen[1].hex, (QStringList{"E7", "00", "00", "00", "F0"}));
    QCOMPARE(seen[1].ovCfg, (QList<QColor>{green, green, green, red, red, green, green, green}));
    // The chip holds what the second preview showed.
    QCOMPARE(bus_->registers[0x06], std::uint8_t{0xE7});
    QCOMPARE(bus_->registers[0x0A], std::uint8_t{0xF0});
}

// ---- files ---------------------------------------------------------------------------------

void EepromPageTest::openLoadsAFileWithoutTouchingTheEepromRegisters() {
    useRecordingAdapter();
    bus_->registers[0x01] = 0x80;
    selectEepromPage();
    const std::string path = writeFile("bench.ee",
                                       "[Device]\r\nName=Varenthal\r\n[Registers]\r\n"
                                       "Register06=ff\r\nRegister07=5 ; five\r\nRegister08=a3\r\n"
                                       "Register09=13\r\n");
    ModalAnswerer answers;
    answers.file(QString::fromStdString(path));
    const auto mark = bus_->log.size();
    form_->findChild<QAction*>(QStringLiteral("mnuFileOpenEeprom"))->trigger();

    QVERIFY(answers.allAnswered());
    QVERIFY(answers.unexpected.empty());
    QCOMPARE(answers.dialogTitles, (std::vector<QString>{"Open EEPROM File"}));
    QVERIFY(answers.dialogNames[0].endsWith(QStringLiteral("*.EE")));
    QCOMPARE(busSince(mark), (Lines{"read 01 80 rc=0"}));
    QCOMPARE(list("cboOvThresh")->currentText(), QStringLiteral("4.50"));
    QCOMPARE(list("cboUvThresh")->currentText(), QStringLiteral("1.90"));
    QCOMPARE(list("cboUvDelay")->currentText(), QStringLiteral("3000(alt)"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("txtOcDelay"))->text(), QStringLiteral("400"));
    QCOMPARE(list("cboShortCircuitThresh")->currentText(), QStringLiteral("60"));
    QVERIFY(child<QCheckBox>(QStringLiteral("chkFsBit"))->isChecked());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void EepromPageTest::openRefusesBadFilesAndLeavesThePage_data() {
    QTest::addColumn<QString>("text");  // empty: the file does not exist
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::newRow("missing") << QString() << "File Does Not Exist"
                             << "Varenthal";
    QTest::newRow("name case") << "[Device]\nName=varenthal\n"
                               << "Invalid File"
                               << "Varenthal";
    QTest::newRow("value 100")
        << "[Device]\nName=Varenthal\n[Registers]\nRegister06=11\nRegister09=100\n"
        << "Error Opening EEPROM File: "
        << "Varenthal File Error";
    QTest::newRow("value 0x12") << "[Device]\nName=Varenthal\n[Registers]\nRegister0A=0x12\n"
                                << "Error Opening EEPROM File: "
                                << "Varenthal File Error";
}

void EepromPageTest::openRefusesBadFilesAndLeavesThePage() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QString, title);
    useRecordingAdapter();
    bus_->registers[0x06] = 0x4A;
    selectEepromPage();
    const std::string path = text.isEmpty()
                                 ? dir_->filePath(QStringLiteral("none.ee")).toStdString()
                                 : writeFile("bad.ee", text.toStdString());
    ModalAnswerer answers;
    answers.file(QString::fromStdString(path));
    answers.message();
    form_->findChild<QAction*>(QStringLiteral("mnuFileOpenEeprom"))->trigger();

    QVERIFY(answers.allAnswered());
    QVERIFY(answers.unexpected.empty());
    QVERIFY(answers.messages.at(0).text.startsWith(message));
    QCOMPARE(answers.messages[0].title, title);
    QCOMPARE(answers.messages[0].icon, title == QStringLiteral("Varenthal File Error")
                                           ? QMessageBox::Warning
                                           : QMessageBox::NoIcon);
    QCOMPARE(list("cboOvThresh")->currentText(), QStringLiteral("4.25"));  // unchanged
    QCOMPARE(list("cboShortCircuitThresh")->currentText(), QStringLiteral("60"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void EepromPageTest::saveWritesANewFile() {
    useRecordingAdapter();
    bus_->registers[0x06] = 0x4A;
    bus_->registers[0x09] = 0x87;
    selectEepromPage();
    const QString path = dir_->filePath(QStringLiteral("new.ee"));
    ModalAnswerer answers;
    answers.file(path);
    form_->findChild<QAction*>(QStringLiteral("mnuFileSaveEeprom"))->trigger();

    QVERIFY(answers.allAnswered());
    QVERIFY(answers.unexpected.empty());
    QCOMPARE(answers.dialogTitles, (std::vector<QString>{"Store EEPROM File"}));
    // A new file has the system's own line ends.
    QString expected = QStringLiteral("[Device]\nName=Varenthal\n\n[Registers]\nRegister06=4A\n"
                                      "Register07=00\nRegister08=00\nRegister09=87\nRegister0A=00\n");
    expected.replace(QLatin1Char('\n'), QLatin1String(newFileLineEnd()));
    QCOMPARE(QString::fromStdString(readFile(path.toStdString())), expected);
    QCOMPARE(bus_->lines("write "),
             (Lines{"write 06 4A rc=0", "write 07 00 rc=0", "write 08 00 rc=0", "write 09 87 rc=0",
                    "write 0A 00 rc=0"}));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void EepromPageTest::saveOverAnExistingFileAsksFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << int(QMessageBox::Yes);
    QTest::newRow("No, then a new name") << int(QMessageBox::No);
    QTest::newRow("Cancel") << int(QMessageBox::Cancel);
}

void EepromPageTest::saveOverAnExistingFileAsksFirst() {
    QFETCH(int, answer);
    useRecordingAdapter();
    bus_->registers[0x06] = 0x4A;
    selectEepromPage();
    const std::string old =
        "; bench\r\n[Device]\r\nName=Varenthal\r\n[Registers]\r\nRegister06=11\r\n"
        "Operator=someone\r\n[Other]\r\nKey=1\r\n";
    const std::string existing = writeFile("old.ee", old);
    const QString fresh = dir_->filePath(QStringLiteral("fresh.ee"));

    ModalAnswerer answers;
    answers.file(QString::fromStdString(existing));
    answers.message(QMessageBox::StandardButton(answer));
    if (answer == QMessageBox::No) answers.file(fresh);
    const auto mark = bus_->log.size();
    form_->findChild<QAction*>(QStringLiteral("mnuFileSaveEeprom"))->trigger();

    QVERIFY(answers.allAnswered());
    QVERIFY(answers.unexpected.empty());
    QCOMPARE(answers.messages.at(0).text, QStringLiteral("File Exists, Overwrite?"));
    QCOMPARE(answers.messages[0].title, QStringLiteral("Overwrite File"));
    QCOMPARE(answers.messages[0].icon, QMessageBox::Warning);
    const std::string now = readFile(existing);
    if (answer == QMessageBox::Yes) {
        QVERIFY(now.find("Register06=4A\r\n") != std::string::npos);
        QVERIFY(now.find("Register0A=00\r\n") != std::string::npos);
        QVERIFY(now.find("; bench\r\n") != std::string::npos);
        QVERIFY(now.find("Operator=someone\r\n") != std::string::npos);
        QVERIFY(now.find("[Other]\r\nKey=1\r\n") != std::string::npos);
    } else {
        QCOMPARE(now, old);
    }
    if (answer == QMessageBox::No) {
        // The dialog came back with the name just chosen.
        QCOMPARE(answers.dialogNames.size(), std::size_t{2});
        QCOMPARE(QFileInfo(answers.dialogNames[1]).fileName(), QStringLiteral("old.ee"));
        QVERIFY(readFile(fresh.toStdString()).find("Register06=4A") != std::string::npos);
    }
    if (answer == QMessageBox::Cancel) {
        QVERIFY(busSince(mark).empty());
        QVERIFY(!QFileInfo::exists(fresh));
    }
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(EepromPageTest)
#include "eeprom_page_test.moc"
