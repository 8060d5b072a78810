// The Registers page over a recording fake adapter: what it reads, in which order, what it
// shows, and how the scan, the focus and "Write" interact.

#include "gui/pages/registers/registers_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "tests/support/modal_answerer.h"
#include "tests/support/recording_adapter.h"

namespace {

const QColor kGreen(192, 255, 192);
const QColor kRed(255, 192, 192);
const QColor kWhite(255, 255, 255);
const QColor kYellow(255, 255, 0);

const char* const kArrays[11] = {"StatusBit",        "lblOutputCntrlBit", "lblStateCntrlBit",
                                 "FunctionCntrlBit", "CellBalBit",        "lblCellSelBit",
                                 "OvCfgBit",         "UvLvlBit",          "OcvUvDlyBit",
                                 "OcDlyBit",         "ScdCfgBit"};

std::vector<int> range(int first, int last) {
    std::vector<int> out;
    for (int a = first; a <= last; ++a) out.push_back(a);
    return out;
}

}  // namespace

class RegistersPageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeBus> fake;
    std::shared_ptr<FakeChip> bus;
    std::unique_ptr<RegistersPage> page;

    QLineEdit* box(int a) const {
        return page->findChild<QLineEdit*>(QStringLiteral("txtData(%1)").arg(a));
    }
    QLabel* cell(int a, int bit) const {
        return page->findChild<QLabel*>(QStringLiteral("%1(%2)").arg(kArrays[a]).arg(bit));
    }
    QColor cellColour(int a, int bit) const {
        return cell(a, bit)->palette().color(QPalette::Window);
    }
    QColor boxColour(int a) const { return box(a)->palette().color(QPalette::Base); }
    QTimer* scan() const { return page->tmrRegisterScan(); }
    void tick() { QVERIFY(QMetaObject::invokeMethod(scan(), "timeout")); }
    void rowShows(int a, std::uint8_t value) {
        for (int bit = 0; bit < 8; ++bit) {
            QCOMPARE(cellColour(a, bit), (value >> bit) & 1 ? kGreen : kRed);
        }
    }
    void clickInto(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton);
        QApplication::processEvents();
    }

private slots:
    void init() {
        fake = std::make_unique<FakeBus>();
        bus = fake->chip;
        for (int a = 0; a < 256; ++a) bus->registers[static_cast<std::size_t>(a)] = 0x10 + a;
        page = std::make_unique<RegistersPage>(fake->comm());
        page->resize(700, 520);
        page->show();
        page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        // Ticks come only from the test; whether the timer runs is what the states show.
        QCOMPARE(scan()->interval(), 200);
        scan()->setInterval(24 * 3600 * 1000);
        scan()->start();
    }
    void cleanup() {
        page.reset();
        fake.reset();
    }

    void showsEveryRegisterWithNamesAndColourlessCellsBeforeTheFirstRead() {
        QCOMPARE(page->findChild<QLabel*>("Label84")->text(), QStringLiteral("0x0A"));
        QCOMPARE(page->findChild<QLabel*>("Label17")->text(), QStringLiteral("0x09"));
        QCOMPARE(page->findChild<QLabel*>("Label81")->text(), QStringLiteral("OCV_UV DELAY"));
        QCOMPARE(cell(7, 6)->text(), QStringLiteral("UVFET_DIS"));
        QCOMPARE(cell(1, 5)->text(), QStringLiteral("RSVD"));
        // B7 stands left of B0 in every row.
        QVERIFY(cell(3, 7)->x() < cell(3, 0)->x());
        for (int a = 0; a < 11; ++a) {
            QCOMPARE(box(a)->text(), QString());
            QCOMPARE(box(a)->maxLength(), 2);
            QCOMPARE(cellColour(a, 4), QApplication::palette().color(QPalette::Window));
            QCOMPARE(
                page->findChild<QPushButton*>(QStringLiteral("cmdWrite(%1)").arg(a)) != nullptr,
                a >= 1 && a <= 5);
        }
        QVERIFY(page->findChild<QCheckBox*>("chkScan")->isChecked());
        QCOMPARE(page->findChild<QLabel*>("Label7(0)")->palette().color(QPalette::Window), kGreen);
        QCOMPARE(page->findChild<QLabel*>("Label7(1)")->palette().color(QPalette::Window), kRed);
        // A cell's tooltip says what the bit means; a bit of a field names the field.
        QCOMPARE(cell(0, 5)->toolTip(),
                 QStringLiteral("STATUS bit 5 (VGOOD): The chip's supply voltage is good "
                                "(needed to program the EEPROM)"));
        QCOMPARE(cell(6, 1)->toolTip(),
                 QStringLiteral("OV_CFG bit 1 (OV1): Cell over-voltage threshold"));
    }

    void readAllReadsElevenInOrderUnderTheBusyPointer() {
        bus->registers[0x00] = 0xA5;
        bus->registers[0x05] = 0x80;  // only the RSVD bit
        std::vector<bool> busy;
        bus->beforeTransfer = [&] {
            busy.push_back(QGuiApplication::overrideCursor() &&
                           QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
        };
        page->ReadAllRegisters();

        QCOMPARE(bus->reads(), range(0x00, 0x0A));
        QVERIFY(bus->writes().empty());
        QCOMPARE(busy, std::vector<bool>(11, true));
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(box(0)->text(), QStringLiteral("A5"));
        QCOMPARE(box(10)->text(), QStringLiteral("1A"));
        rowShows(0, 0xA5);
        rowShows(5, 0x80);
        rowShows(9, 0x19);
    }

    void readAllShowsAFailedReadAsUnknown() {
        bus->silence({0x00, 0x05, 0x07});
        page->ReadAllRegisters();
        for (int a : {0x00, 0x05, 0x07}) {
            QCOMPARE(box(a)->text(), QStringLiteral("--"));
            for (int bit = 0; bit < 8; ++bit) {
                QCOMPARE(cellColour(a, bit), QApplication::palette().color(QPalette::Window));
            }
        }
        QCOMPARE(box(6)->text(), QStringLiteral("16"));
        rowShows(6, 0x16);
        // "--" is no byte: Write refuses it and sends nothing.
        ModalAnswerer answerer;
        bus->log.clear();
        clickInto(page->findChild<QPushButton*>("cmdWrite(5)"));
        QCOMPARE(answerer.messages.size(), std::size_t{1});
        QCOMPARE(answerer.messages[0].text, QStringLiteral("Please enter a valid hex byte."));
        QVERIFY(bus->writes().empty());
    }

    // A typed value stays in its box, whatever the scan reads, until one of the three ends
    // of an edit; the scan still colours the row from the chip.
    void anUnwrittenEditOutlivesTheScan_data() {
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("shown");  // afterwards
        QTest::addColumn<int>("written");    // the byte written to 0x05; -1: none
        QTest::newRow("Write") << "Write"
                               << "3C" << 0x3C;
        QTest::newRow("Read All") << "Read All"
                                  << "15" << -1;
        QTest::newRow("Escape") << "Escape"
                                << "15" << -1;
    }
    void anUnwrittenEditOutlivesTheScan() {
        QFETCH(QString, end);
        QFETCH(QString, shown);
        QFETCH(int, written);
        clickInto(box(5));
        QTest::keyClicks(box(5), QStringLiteral("3c"));
        QTest::keyClick(box(5), Qt::Key_Tab);
        QVERIFY(!box(5)->hasFocus());
        for (int i = 0; i < 11; ++i) tick();  // a full pass, 0x05 included
        QCOMPARE(box(5)->text(), QStringLiteral("3c"));
        rowShows(5, 0x15);
        // Marked as the user's text, never taken for the chip's, whatever the scan paints.
        QCOMPARE(boxColour(5), RegistersPage::kEditedColour);
        QVERIFY(box(5)->font().italic());
        QVERIFY(box(5)->property("edited").toBool());

        if (end == QLatin1String("Write")) {
            clickInto(page->findChild<QPushButton*>("cmdWrite(5)"));
        } else if (end == QLatin1String("Read All")) {
            clickInto(page->findChild<QPushButton*>("cmdReadAll"));
        } else {
            clickInto(box(5));
            QTest::keyClick(box(5), Qt::Key_Escape);
        }
        QCOMPARE(box(5)->text(), shown);
        QVERIFY(!box(5)->property("edited").toBool());
        QVERIFY(!box(5)->font().italic());
        QVERIFY(boxColour(5) != RegistersPage::kEditedColour);
        using Lines = std::vector<std::string>;
        QCOMPARE(bus->lines("write "), written < 0 ? Lines() : Lines{writeLine(5, written)});
        // The edit is over: the scan shows the chip again.
        bus->registers[5] = 0x77;
        if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
        for (int i = 0; i < 11; ++i) tick();
        QCOMPARE(box(5)->text(), QStringLiteral("77"));
    }

    void scanReadsOneRegisterPerTickAndResumesWhereItStopped() {
        for (int i = 0; i < 12; ++i) tick();
        std::vector<int> expected = range(0x01, 0x0A);
        expected.push_back(0x00);
        expected.push_back(0x01);
        QCOMPARE(bus->reads(), expected);

        QCheckBox* chkScan = page->findChild<QCheckBox*>("chkScan");
        clickInto(chkScan);
        QVERIFY(!chkScan->isChecked());
        QVERIFY(!scan()->isActive());
        QVERIFY(!page->bScanEnabled);
        clickInto(chkScan);
        QVERIFY(scan()->isActive());
        QVERIFY(page->bScanEnabled);

        bus->log.clear();
        tick();
        QCOMPARE(bus->reads(), std::vector<int>{0x02});
    }

    void highlightFollowsSuccessfulReadsOnly() {
        tick();
        QCOMPARE(boxColour(1), kYellow);
        QCOMPARE(box(1)->text(), QStringLiteral("11"));
        rowShows(1, 0x11);
        tick();
        QCOMPARE(boxColour(1), kWhite);
        QCOMPARE(boxColour(2), kYellow);

        // A silent read: texts and highlight stay, the row turns all light red.
        box(3)->setText(QStringLiteral("77"));
        bus->silence({0x03});
        tick();
        QVERIFY(bus->log.back().ends_with(" rc=-1"));
        QCOMPARE(boxColour(2), kYellow);
        QCOMPARE(boxColour(3), kWhite);
        QCOMPARE(box(3)->text(), QStringLiteral("77"));
        rowShows(3, 0x00);

        // Switching the scan off leaves the yellow box; Read All clears it but keeps the place.
        clickInto(page->findChild<QCheckBox*>("chkScan"));
        QCOMPARE(boxColour(2), kYellow);
        bus->failReads.clear();
        page->ReadAllRegisters();
        for (int a = 0; a < 11; ++a) QCOMPARE(boxColour(a), kWhite);
        bus->log.clear();
        tick();
        QCOMPARE(bus->reads(), std::vector<int>{0x04});
        QCOMPARE(boxColour(2), kWhite);
        QCOMPARE(boxColour(4), kYellow);
    }

    void focusIntoAControlBoxPausesTheScanUntilItLeaves() {
        page->ReadAllRegisters();
        clickInto(box(2));
        QCOMPARE(QApplication::focusWidget(), box(2));
        QVERIFY(!scan()->isActive());
        QVERIFY(page->bScanEnabled);
        QCOMPARE(box(2)->selectedText(), QStringLiteral("12"));  // typing replaces it

        clickInto(box(5));  // from one box to the next: still Editing
        QVERIFY(!scan()->isActive());
        QCOMPARE(box(5)->selectedText(), QStringLiteral("15"));

        page->setFocus();
        QApplication::processEvents();
        QVERIFY(scan()->isActive());
    }

    void anotherWindowResumesTheScanUntilTheBoxIsBack() {
        clickInto(box(3));
        QVERIFY(!scan()->isActive());
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(scan()->isActive());
        page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        QCOMPARE(QApplication::focusWidget(), box(3));
        QVERIFY(!scan()->isActive());
    }

    void statusAndEepromBoxesNeverKeepTheFocus() {
        for (int a : {0, 6, 7, 8, 9, 10}) {
            clickInto(box(a));
            QVERIFY2(QApplication::focusWidget() != box(a), qPrintable(QString::number(a)));
            QVERIFY(scan()->isActive());
        }
        QCOMPARE(QApplication::focusWidget(), page.get());
        // The keyboard passes over them to the buttons below.
        page->findChild<QPushButton*>("cmdWrite(5)")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdReadAll"));
    }

    void inStoppedStateTheFocusLeavesTheScanOff() {
        clickInto(page->findChild<QCheckBox*>("chkScan"));
        clickInto(box(3));
        QVERIFY(!scan()->isActive());
        clickInto(box(8));
        QVERIFY(QApplication::focusWidget() != box(3));
        QVERIFY(!scan()->isActive());
        QVERIFY(!page->bScanEnabled);
    }

    void writeAcceptsHexBytes_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("written");
        // clang-format off
        QTest::newRow("empty is zero") << ""   << "00" << 0x00;
        QTest::newRow("one digit")     << "a"  << "0A" << 0x0A;
        QTest::newRow("lower case")    << "ff" << "FF" << 0xFF;
        // clang-format on
    }
    void writeAcceptsHexBytes() {
        QFETCH(QString, entry);
        QFETCH(QString, shown);
        QFETCH(int, written);
        ModalAnswerer answerer;
        clickInto(box(4));
        QTest::keyClick(box(4), Qt::Key_Backspace);
        QTest::keyClicks(box(4), entry);
        bus->log.clear();
        clickInto(page->findChild<QPushButton*>("cmdWrite(4)"));

        QVERIFY(answerer.messages.empty());
        QCOMPARE(bus->lines("write "), std::vector<std::string>{writeLine(0x04, written)});
        // The write is followed by a full read of the page.
        QVERIFY(bus->log.front().starts_with("write "));
        QCOMPARE(bus->reads(), range(0x00, 0x0A));
        QCOMPARE(box(4)->text(), shown);
        rowShows(4, static_cast<std::uint8_t>(written));
        QVERIFY(scan()->isActive());  // the focus left the box for the button
    }

    void writeRefusesAnythingElse_data() {
        QTest::addColumn<QString>("entry");
        QTest::newRow("leading blank") << " 1";
        QTest::newRow("minus") << "-1";
        QTest::newRow("beyond F") << "G0";
    }
    void writeRefusesAnythingElse() {
        QFETCH(QString, entry);
        ModalAnswerer answerer;
        clickInto(box(1));
        QTest::keyClick(box(1), Qt::Key_Backspace);
        QTest::keyClicks(box(1), entry);
        bus->log.clear();
        clickInto(page->findChild<QPushButton*>("cmdWrite(1)"));

        QCOMPARE(answerer.messages.size(), std::size_t{1});
        QCOMPARE(answerer.messages[0].text, QStringLiteral("Please enter a valid hex byte."));
        QCOMPARE(answerer.messages[0].title, QStringLiteral("Varenthal"));
        QVERIFY(answerer.messages[0].onlyOk);
        QVERIFY(bus->log.empty());
        QCOMPARE(box(1)->text(), entry);
        // Back in the box, all of it selected, scan paused: Editing again.
        page->activateWindow();  // what the window manager does when the box closes
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        QCOMPARE(QApplication::focusWidget(), box(1));
        QCOMPARE(box(1)->selectedText(), entry);
        QVERIFY(!scan()->isActive());
    }

    void readAllButtonRereadsThePage() {
        clickInto(page->findChild<QPushButton*>("cmdReadAll"));
        QCOMPARE(bus->reads(), range(0x00, 0x0A));
    }
};

QTEST_MAIN(RegistersPageTest)
#include "registers_page_test.moc"
