// What a screen reader finds: a name for every control of every window, each lamp as one
// object with its state, the bit cells' values in words, no tab stop that shows nothing,
// and check boxes that do what a click does when an assistive technology toggles them.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <set>

#include "gui/app/form2.h"
#include "gui/dialogs/frm_about.h"
#include "gui/pages/eeprom/eeprom_page.h"
#include "gui/pages/eeprom/frm_preview.h"
#include "gui/pages/registers/registers_page.h"
#include "gui/pages/registers/status_lamp.h"
#include "gui/pages/registers/status_panel.h"
#include "tests/support/recording_adapter.h"

namespace {

std::vector<QAccessible::Event> gEvents;  // types of the events sent for the lamp OV
const QObject* gWatched = nullptr;

void recordEvent(QAccessibleEvent* event) {
    if (event->object() == gWatched) gEvents.push_back(event->type());
}

QString accessibleName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (!iface) return {};
    // A list's name is its current item on some platforms; its own name is what we give.
    if (qobject_cast<QComboBox*>(w)) return w->accessibleName();
    return iface->text(QAccessible::Name);
}

bool isControl(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QProgressBar*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const StatusLamp*>(w);
}

// The controls a user can reach in `window`, with the QComboBox's own popup and line edit left
// out: they belong to the list.
QList<QWidget*> controlsOf(QWidget* window) {
    QList<QWidget*> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isControl(w) || !w->isVisibleTo(window)) continue;
        if (qobject_cast<QComboBox*>(w->parentWidget())) continue;
        if (w->parentWidget() && w->parentWidget()->inherits("QComboBoxPrivateContainer")) continue;
        out << w;
    }
    return out;
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeBus> fake_;
    std::unique_ptr<Form2> form_;

    QWidget* openWindow(const QString& which) {
        if (which == QLatin1String("Form2")) return form_.get();
        if (which == QLatin1String("frmPreview")) {
            auto* preview = new frmPreview(form_.get());
            preview->setAttribute(Qt::WA_DeleteOnClose);
            preview->Display(form_->eepromPage()->eepromImage());
            preview->show();
            return preview;
        }
        const char* item = which == QLatin1String("frmRegisters") ? "mnuReadWriteI2C"
                           : which == QLatin1String("frmAbout")   ? "mnuHelp_About"
                                                                  : "mnuViewMonitor";
        form_->findChild<QAction*>(QLatin1String(item))->trigger();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->objectName() == which) return w;
        }
        return nullptr;
    }

private slots:
    void init() {
        fake_ = std::make_unique<FakeBus>();
        fake_->chip->registers[0x06] = 0x4A;
        form_ = std::make_unique<Form2>(fake_->bus);
        form_->setEndProgram([] {});
        for (QTimer* t : form_->findChildren<QTimer*>()) t->stop();
        form_->InitializeControlPage();
        form_->InitializeEepromPage(false);
        form_->ReadAllRegisters();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != form_.get() && w->isWindow()) w->close();
        }
        form_.reset();
        fake_.reset();
    }

    void everyControlHasItsOwnName_data() {
        QTest::addColumn<QString>("window");
        for (const char* w : {"Form2", "frmRegisters", "frmPreview", "frmAbout", "frmMonitor"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    // Every control is named, on every page, and no two buttons or boxes share a name.
    void everyControlHasItsOwnName() {
        QFETCH(QString, window);
        QWidget* top = openWindow(window);
        QVERIFY(top);
        auto* tabs = top->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        const int pages = tabs ? tabs->count() : 1;
        int named = 0;
        for (int page = 0; page < pages; ++page) {
            if (tabs) tabs->setCurrentIndex(page);
            QWidget* root = tabs ? tabs->currentWidget() : top;
            std::set<QString> buttonsAndBoxes;
            for (QWidget* w : controlsOf(root)) {
                const QString name = accessibleName(w);
                QVERIFY2(!name.trimmed().isEmpty(),
                         qPrintable(w->metaObject()->className() + QStringLiteral(" ") +
                                    w->objectName()));
                ++named;
                if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)) {
                    QVERIFY2(buttonsAndBoxes.insert(name).second,
                             qPrintable(w->objectName() + QStringLiteral(": ") + name));
                }
            }
        }
        // The about box's one control is its picture, which closes it.
        if (window == QLatin1String("frmAbout"))
            QVERIFY(!accessibleName(top->findChild<QWidget*>("AboutOK")).isEmpty());
        else
            QVERIFY(named > 0);
        if (window == QLatin1String("Form2")) {
            QCOMPARE(accessibleName(form_->findChild<QLineEdit*>("txtData(1)")),
                     QStringLiteral("OUTPUT_CNTRL hex value"));
            QCOMPARE(accessibleName(form_->findChild<QAbstractButton*>("cmdWrite(1)")),
                     QStringLiteral("Write OUTPUT_CNTRL"));
        }
        if (window == QLatin1String("frmMonitor"))
            QCOMPARE(accessibleName(top->findChild<QComboBox*>("cboInterval")),
                     QStringLiteral("Interval"));
    }

    // Tab reaches only controls that show the focus and say what they are.
    void everyTabStopIsANamedControl_data() { everyControlHasItsOwnName_data(); }
    void everyTabStopIsANamedControl() {
        QFETCH(QString, window);
        QWidget* top = openWindow(window);
        QVERIFY(top);
        auto* tabs = top->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        for (int page = 0; page < (tabs ? tabs->count() : 1); ++page) {
            if (tabs) tabs->setCurrentIndex(page);
            for (QWidget* w : top->findChildren<QWidget*>()) {
                const bool tabStop = (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(top) &&
                                     w->isEnabled() && !w->focusProxy();
                if (!tabStop || qobject_cast<QTabBar*>(w)) continue;
                if (qobject_cast<QComboBox*>(w->parentWidget())) continue;
                QVERIFY2(isControl(w), qPrintable(w->metaObject()->className() +
                                                  QStringLiteral(" ") + w->objectName()));
                QVERIFY2(!accessibleName(w).isEmpty(), qPrintable(w->objectName()));
            }
        }
    }

    // A lamp is one object, "OV: set" or "OV: clear", announced when it changes.
    void eachLampReadsItsStateAndAnnouncesIt() {
        auto* ov = form_->findChild<StatusLamp*>(QStringLiteral("lampOV"));
        QVERIFY(ov);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(ov);
        QCOMPARE(iface->childCount(), 0);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("OV: clear"));
        gWatched = ov;
        gEvents.clear();
        QAccessible::installUpdateHandler(recordEvent);
        QAccessible::setActive(true);
        fake_->chip->registers[0x00] = 0x04;
        form_->statusPanel()->tmrStatus()->start();
        QTRY_COMPARE(iface->text(QAccessible::Name), QStringLiteral("OV: set"));
        QVERIFY(iface->state().checked);
        // Events reach a handler only where the platform has accessibility on (not on the
        // offscreen platform); the AT-SPI test hears them from outside.
        if (QAccessible::isActive()) {
            QTRY_VERIFY(std::count(gEvents.begin(), gEvents.end(), QAccessible::NameChanged) == 1);
            QCOMPARE(std::count(gEvents.begin(), gEvents.end(), QAccessible::StateChanged), 1L);
            // The same state again announces nothing.
            QTest::qWait(1100);
            QCOMPARE(std::count(gEvents.begin(), gEvents.end(), QAccessible::NameChanged), 1L);
        }
        fake_->chip->registers[0x00] = 0x00;
        QTRY_COMPARE(iface->text(QAccessible::Name), QStringLiteral("OV: clear"));
        QAccessible::installUpdateHandler(nullptr);
        gWatched = nullptr;
    }

    // A bit cell's description starts with its value, which the scan keeps current.
    void bitCellsDescribeTheirValue() {
        fake_->chip->registers[0x01] = 0x84;
        form_->ReadAllRegisters();
        auto description = [this](int bit) {
            return QAccessible::queryAccessibleInterface(
                       form_->findChild<QWidget*>(QStringLiteral("lblOutputCntrlBit(%1)").arg(bit)))
                ->text(QAccessible::Description);
        };
        QVERIFY2(description(7).startsWith(QLatin1String("1 (set). OUTPUT_CNTRL bit 7 (FS)")),
                 qPrintable(description(7)));
        QVERIFY(description(6).startsWith(QLatin1String("0 (clear).")));
        fake_->chip->silence({0x01});
        form_->ReadAllRegisters();
        QVERIFY(description(7).startsWith(QLatin1String("not read.")));
    }

    void assistiveToggleDoesWhatAClickDoes_data() {
        QTest::addColumn<QString>("box");
        QTest::newRow("Scan") << QStringLiteral("chkScan");
        QTest::newRow("FS Bit Set") << QStringLiteral("chkFsBit");
    }
    // Toggling through the accessibility interface sends what a click sends and leaves the
    // page in the same state; a refresh that sets the box from the chip sends nothing more.
    void assistiveToggleDoesWhatAClickDoes() {
        QFETCH(QString, box);
        auto* tabs = form_->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        tabs->setCurrentIndex(box == QLatin1String("chkFsBit") ? 1 : 2);
        auto* check = form_->findChild<QCheckBox*>(box);
        QVERIFY(check);
        QTimer* scan = form_->registersPage()->tmrRegisterScan();
        fake_->chip->registers[0x08] = 0x30;

        struct Outcome {
            std::vector<std::string> log;
            bool checked = false;
            bool scanning = false;
            std::uint8_t outputCntrl = 0;
        };
        // From the same start (FS as the chip has it, the scan as the box says), one click
        // or one toggle.
        auto run = [&](bool startChecked, bool viaToggle) {
            fake_->chip->registers[0x01] = startChecked ? 0x85 : 0x05;
            form_->InitializeEepromPage(false);
            form_->findChild<QCheckBox*>("chkScan")->setChecked(startChecked);
            fake_->chip->log.clear();
            if (viaToggle) {
                QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(check);
                if (iface->actionInterface() && iface->actionInterface()->actionNames().contains(
                                                    QAccessibleActionInterface::toggleAction()))
                    iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            } else {
                QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
            }
            return Outcome{fake_->chip->log, check->isChecked(), scan->isActive(),
                           fake_->chip->registers[0x01]};
        };
        for (const bool startChecked : {true, false}) {
            const Outcome clicked = run(startChecked, false);
            const Outcome toggled = run(startChecked, true);
            QCOMPARE(clicked.checked, !startChecked);
            QCOMPARE(toggled.checked, clicked.checked);
            QCOMPARE(toggled.log, clicked.log);
            QCOMPARE(toggled.scanning, clicked.scanning);
            QCOMPARE(toggled.outputCntrl, clicked.outputCntrl);
            if (box == QLatin1String("chkScan")) {
                QCOMPARE(clicked.scanning, !startChecked);
                QCOMPARE(form_->registersPage()->bScanEnabled, !startChecked);
            } else {
                QCOMPARE(clicked.outputCntrl, startChecked ? 0x05 : 0x85);
            }
        }
        if (box == QLatin1String("chkFsBit")) {
            // The refresh reads the six registers and writes none, whatever FS is.
            fake_->chip->log.clear();
            form_->InitializeEepromPage(false);
            QCOMPARE(fake_->chip->log,
                     (std::vector<std::string>{readLine(0x06, 0x4A), readLine(0x07, 0),
                                               readLine(0x01, fake_->chip->registers[0x01]),
                                               readLine(0x08, 0x30), readLine(0x09, 0),
                                               readLine(0x0A, 0)}));
        }
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
