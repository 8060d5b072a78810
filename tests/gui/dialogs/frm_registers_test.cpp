// The raw register dialog: what goes to the adapter for each entry, what the boxes show
// afterwards, and how the main window keeps its one instance.

#include "gui/dialogs/frm_registers.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "core/link/communication.h"
#include "gui/app/form2.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/recording_adapter.h"

class FrmRegistersTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeBus> fake;
    std::shared_ptr<FakeChip> bus;
    std::unique_ptr<frmRegisters> dialog;
    QString statusLine;

    QLineEdit* edit(const char* name) const { return dialog->findChild<QLineEdit*>(name); }
    QString readData() const { return dialog->findChild<QLabel*>("lblReadData")->text(); }
    void press(const char* button) {
        dialog->findChild<QPushButton*>(button)->click();
        QApplication::processEvents();
    }

private slots:
    void init() {
        fake = std::make_unique<FakeBus>();
        bus = fake->chip;
        for (int a = 0; a < 256; ++a) bus->registers[static_cast<std::size_t>(a)] = 0xFF - a;
        statusLine.clear();
        fake->bus.setStatusListener([this](std::string_view text) {
            statusLine = QString::fromUtf8(text.data(), text.size());
        });
        dialog = std::make_unique<frmRegisters>(fake->comm());
        dialog->show();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    }
    void cleanup() {
        dialog.reset();
        fake.reset();
    }

    void opensOnReadAndTabsInItsOwnOrder() {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("I2C Function"));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdReadI2C"));
        for (const char* next : {"cmdWriteI2C", "txtReadAddr", "txtWriteData", "txtWriteAddr"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(next));
        }
    }

    void readAsksForTheAddressAsTyped_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("rewritten");
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("shown");  // the fake holds 0xFF - address
        // clang-format off
        QTest::newRow("empty reads STATUS")   << ""   << "00" << 0x00 << "FF";
        QTest::newRow("one digit")            << "a"  << "0A" << 0x0A << "F5";
        QTest::newRow("beyond the chip")      << "ff" << "FF" << 0xFF << "00";
        QTest::newRow("programming register") << "0B" << "0B" << 0x0B << "F4";
        // clang-format on
    }
    void readAsksForTheAddressAsTyped() {
        QFETCH(QString, entry);
        QFETCH(QString, rewritten);
        QFETCH(int, address);
        QFETCH(QString, shown);
        edit("txtReadAddr")->setText(entry);
        press("cmdReadI2C");
        QCOMPARE(bus->reads(), std::vector<int>{address});
        QCOMPARE(bus->device, 32);
        QCOMPARE(edit("txtReadAddr")->text(), rewritten);
        QCOMPARE(readData(), shown);
        QCOMPARE(statusLine, QStringLiteral("I2C Comm Status: OK"));
    }

    void aSilentReadShowsTheUntouchedZero() {
        bus->silence({0x42});
        edit("txtReadAddr")->setText("42");
        press("cmdReadI2C");
        QCOMPARE(readData(), QStringLiteral("00"));
        QCOMPARE(statusLine, QStringLiteral("I2C Comm Status: Error"));
    }

    void badEntriesAreRefusedBeforeTheBus_data() {
        QTest::addColumn<QString>("readAddr");
        QTest::addColumn<QString>("writeAddr");
        QTest::addColumn<QString>("writeData");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("writeAddrAfter");
        const QString badAddress = QStringLiteral("Please enter a valid hex address.");
        const QString badData = QStringLiteral("Please enter a valid hex data.");
        // clang-format off
        QTest::newRow("three digits") << "100" << "100" << "01" << badAddress << "100";
        QTest::newRow("space")        << " 1"  << " 1"  << "01" << badAddress << " 1";
        QTest::newRow("sign")         << "+1"  << "-1"  << "01" << badAddress << "-1";
        QTest::newRow("bad data, address rewritten") << "" << "5" << "1G" << badData << "05";
        QTest::newRow("bad data, trailing space")    << "" << "c" << "1 " << badData << "0C";
        // clang-format on
    }
    void badEntriesAreRefusedBeforeTheBus() {
        QFETCH(QString, readAddr);
        QFETCH(QString, writeAddr);
        QFETCH(QString, writeData);
        QFETCH(QString, message);
        QFETCH(QString, writeAddrAfter);
        ModalAnswerer answerer;
        if (message.contains("address")) {
            dialog->findChild<QLabel*>("lblReadData")->setText("77");
            edit("txtReadAddr")->setText(readAddr);
            press("cmdReadI2C");
            QCOMPARE(answerer.messages.size(), std::size_t{1});
            QCOMPARE(answerer.messages[0].text, message);
            QCOMPARE(edit("txtReadAddr")->text(), readAddr);
            QCOMPARE(readData(), QString());  // cleared before the check
        }
        edit("txtWriteAddr")->setText(writeAddr);
        edit("txtWriteData")->setText(writeData);
        press("cmdWriteI2C");
        QVERIFY(!answerer.messages.empty());
        QCOMPARE(answerer.messages.back().text, message);
        QCOMPARE(answerer.messages.back().title, QStringLiteral("Varenthal"));
        QVERIFY(answerer.messages.back().onlyOk);
        QCOMPARE(edit("txtWriteAddr")->text(), writeAddrAfter);
        QCOMPARE(edit("txtWriteData")->text(), writeData);
        QVERIFY(bus->log.empty());
        QVERIFY(statusLine.isEmpty());
    }

    void writeSendsBothBytesAndNothingElse_data() {
        QTest::addColumn<QString>("addr");
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("addrAfter");
        QTest::addColumn<QString>("dataAfter");
        // clang-format off
        QTest::newRow("control register")           << "1"  << "a5" << 0x01 << 0xA5 << "01" << "A5";
        QTest::newRow("above the chip's registers") << "c"  << ""   << 0x0C << 0x00 << "0C" << "00";
        QTest::newRow("top address")                << "FF" << "ff" << 0xFF << 0xFF << "FF" << "FF";
        QTest::newRow("programming register")       << "0b" << "71" << 0x0B << 0x71 << "0B" << "71";
        // clang-format on
    }
    void writeSendsBothBytesAndNothingElse() {
        QFETCH(QString, addr);
        QFETCH(QString, data);
        QFETCH(int, address);
        QFETCH(int, value);
        QFETCH(QString, addrAfter);
        QFETCH(QString, dataAfter);
        ModalAnswerer answerer;
        edit("txtWriteAddr")->setText(addr);
        edit("txtWriteData")->setText(data);
        press("cmdWriteI2C");
        QVERIFY(answerer.messages.empty());
        QCOMPARE(bus->log, std::vector<std::string>{writeLine(address, value)});
        QCOMPARE(edit("txtWriteAddr")->text(), addrAfter);
        QCOMPARE(edit("txtWriteData")->text(), dataAfter);
        QVERIFY(statusLine.isEmpty());  // writes never touch the status line
    }

    // Through the main window's menu: one instance, and a read without any adapter.
    void theMenuKeepsOneDialogAndItsReadsReachTheStatusLine() {
        dialog.reset();
        frmUSB none(nullptr);  // no back-end at all: every transfer fails
        Form2 form(none);
        form.setEndProgram([] {});
        form.show();
        QAction* menu = form.findChild<QAction*>("mnuReadWriteI2C");
        menu->trigger();
        auto* first = form.findChild<frmRegisters*>();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QVERIFY(!first->isModal());
        menu->trigger();
        QCOMPARE(form.findChildren<frmRegisters*>().size(), 1);

        first->findChild<QPushButton*>("cmdReadI2C")->click();
        QCOMPARE(first->findChild<QLineEdit*>("txtReadAddr")->text(), QStringLiteral("00"));
        QCOMPARE(first->findChild<QLabel*>("lblReadData")->text(), QStringLiteral("00"));
        QCOMPARE(form.findChild<QLabel*>("lblCommStatus")->text(),
                 QStringLiteral("I2C Comm Status: Error"));

        // Closing discards it; the menu then opens a fresh one.
        QPointer<frmRegisters> closed = first;
        first->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(closed.isNull());
        menu->trigger();
        auto* second = form.findChild<frmRegisters*>();
        QVERIFY(second);
        QCOMPARE(second->findChild<QLineEdit*>("txtReadAddr")->text(), QString());
    }
};

QTEST_MAIN(FrmRegistersTest)
#include "frm_registers_test.moc"
