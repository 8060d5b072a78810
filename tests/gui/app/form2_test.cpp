#include "gui/app/form2.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/base/part_variables.h"
#include "core/base/settings_path.h"
#include "gui/app/start_up.h"
#include "gui/dialogs/frm_about.h"
#include "core/adapters/adapter_setup.h"
#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "core/link/miscellaneous.h"
#include "gui/widgets/miscellaneous_gui.h"
#include "gui/pages/control/control_page.h"
#include "gui/pages/registers/registers_page.h"
#include "gui/pages/registers/status_panel.h"
#include "tests/gui/app/message_box_answerer.h"
#include "tests/core/link/recording_adapter.h"

namespace {

const QString kUsbError =
    QStringLiteral("USB Error. Insure USB cable is connected and Driver is working");

QStringList traceCalls(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList calls;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
        calls << line.section(' ', 1);  // without the time stamp
    }
    return calls;
}

QString commStatus(const Form2& form) {
    return form.findChild<QLabel*>(QStringLiteral("lblCommStatus"))->text();
}

bool hasReads(const QStringList& calls) {
    return std::any_of(calls.begin(), calls.end(),
                       [](const QString& c) { return c.startsWith(QLatin1String("read ")); });
}

}  // namespace

class Form2Test : public QObject {
    Q_OBJECT

private slots:
    void init() {
        frmUSB::Reset();
        frmUSB::SetFactory({});
        QFile::remove(QString::fromStdString(settingsFilePath("VarenthalEV.ini")));
    }
    void cleanup() {
        frmUSB::Reset();
        frmUSB::SetFactory({});
    }

    void startUpWithTheSimulator() {
        QTemporaryDir dir;
        AdapterOptions options;
        options.adapter = "sim";
        options.traceFile = dir.filePath(QStringLiteral("t.log")).toStdString();
        const AdapterSetup setup = prepareAdapter(options);
        frmUSB::SetFactory([setup] { return setup.makeAdapter(); });

        MessageBoxAnswerer boxes;
        QPointer<frmAbout> splash = new frmAbout();
        splash->show();
        Form2 form;
        form.Load(splash);

        QVERIFY(boxes.seen.empty());
        QVERIFY(splash.isNull());  // unloaded by the load step
        const QStringList calls = traceCalls(QString::fromStdString(options.traceFile));
        QVERIFY(calls.size() >= 2);
        QCOMPARE(calls.at(0), QStringLiteral("list 1 sim rc=0"));
        QCOMPARE(calls.at(1), QStringLiteral("open sim rc=0"));
        // The load step never arms the chip for programming nor switches the voltage. The
        // status line shows the last read, and stays empty until there has been one.
        for (const QString& c : calls.mid(2)) {
            QVERIFY2(!c.startsWith("write 0B") && !c.startsWith("pulse"), qPrintable(c));
        }
        QCOMPARE(commStatus(form),
                 hasReads(calls) ? QStringLiteral("I2C Comm Status: OK") : QString());

        std::uint8_t status = 0;
        QCOMPARE(Communication::ReadRegister(0x00, status), 0);
        QCOMPARE(commStatus(form), QStringLiteral("I2C Comm Status: OK"));
        QCOMPARE(traceCalls(QString::fromStdString(options.traceFile)).constLast(),
                 QStringLiteral("read 00 %1 rc=0")
                     .arg(QString::fromStdString(Miscellaneous::ByteToHex(status))));

        QCOMPARE(form.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->currentIndex(), 2);
        QCOMPARE(PartVariables::I2CSlaveAddress, std::int16_t{32});
        QVERIFY(PartVariables::bScanEnabled);
        QCOMPARE(PartVariables::WriteDelay, 0.07F);
        QVERIFY(QFile::exists(QString::fromStdString(settingsFilePath("VarenthalEV.ini"))));
        // All three timers run from the load step on.
        QVERIFY(form.statusPanel()->tmrStatus()->isActive());
        QVERIFY(form.controlPage()->tmrControl()->isActive());
        QVERIFY(form.registersPage()->tmrRegisterScan()->isActive());
    }

    void startUpWithoutAnAdapter() {
        std::vector<std::string> calls;
        RecordingAdapter::Script script;
        script.listCount = 0;
        script.listNames.clear();
        script.readResult = -1;
        script.readWritesData = false;
        frmUSB::SetFactory(
            [&calls, script] { return std::make_unique<RecordingAdapter>(calls, script); });

        MessageBoxAnswerer boxes;
        Form2 form;
        form.Load();

        QCOMPARE(boxes.seen.size(), std::size_t{1});
        QCOMPARE(boxes.seen[0].title, QStringLiteral("Varenthal"));
        QCOMPARE(boxes.seen[0].text, kUsbError);
        QCOMPARE(boxes.seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(calls.front(), std::string("list 1"));
        // Nothing was opened, and the open is never retried.
        QCOMPARE(std::count_if(calls.begin(), calls.end(),
                               [](const std::string& c) { return c.rfind("open", 0) == 0; }),
                 0L);
        const bool anyRead = std::any_of(calls.begin(), calls.end(), [](const std::string& c) {
            return c.rfind("transfer 2 ", 0) == 0;
        });
        QCOMPARE(commStatus(form), anyRead ? QStringLiteral("I2C Comm Status: Error") : QString());

        // Transfers are still attempted; a read fails on the status line only.
        std::uint8_t data = 0x5C;
        QCOMPARE(Communication::ReadRegister(0x00, data), -1);
        QCOMPARE(data, std::uint8_t{0x5C});
        QCOMPARE(commStatus(form), QStringLiteral("I2C Comm Status: Error"));
        QCOMPARE(calls.back(), std::string("transfer 2 32 0 92"));

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(boxes.seen.size(), std::size_t{1});
    }

    // The start-up routine itself: the splash for two seconds, then the window.
    void startUpRoutineShowsTheSplashThenTheWindow() {
        AdapterOptions options;
        options.adapter = "sim";
        const AdapterSetup setup = prepareAdapter(options);
        frmUSB::SetFactory([setup] { return setup.makeAdapter(); });
        bool splashSeen = false;
        bool formDuringSplash = true;
        QTimer::singleShot(300, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == QLatin1String("frmAbout") && w->isVisible())
                    splashSeen = true;
            }
            formDuringSplash = false;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (qobject_cast<Form2*>(w)) formDuringSplash = true;
            }
        });
        const std::unique_ptr<Form2> form = StartUp();
        QVERIFY(splashSeen);
        QVERIFY(!formDuringSplash);
        QVERIFY(form->isVisible());
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY(w->objectName() != QLatin1String("frmAbout"));
        }
        QCOMPARE(form->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->currentIndex(), 2);
    }

    void theWindowHasItsCaptionAndAFixedSize() {
        Form2 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Varenthal Evaluation Software"));
        const QSize fixed(Miscellaneous::Twips(12000), Miscellaneous::Twips(9200));
        QCOMPARE(form.size(), fixed);
        QCOMPARE(form.minimumSize(), fixed);
        QCOMPARE(form.maximumSize(), fixed);
        form.resize(fixed.width() / 2, fixed.height() + 100);
        QCOMPARE(form.size(), fixed);
    }

    void tabSwitchRules() {
        MessageBoxAnswerer boxes;
        Form2 form;
        form.Load();  // no adapter: the message box is answered
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        auto* save = form.findChild<QAction*>(QStringLiteral("mnuFileSaveEeprom"));
        auto* open = form.findChild<QAction*>(QStringLiteral("mnuFileOpenEeprom"));
        QTimer* tmrControl = form.controlPage()->tmrControl();
        QTimer* tmrStatus = form.statusPanel()->tmrStatus();
        QTimer* tmrScan = form.registersPage()->tmrRegisterScan();
        auto click = [tabs](int index) {
            QTabBar* bar = tabs->tabBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
            QCOMPARE(tabs->currentIndex(), index);
        };
        QCOMPARE(tabs->tabText(0), QStringLiteral("Control"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("EEPROM"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Registers"));

        // At start: Registers tab, File items off, tmrControl running.
        QVERIFY(!save->isEnabled() && !open->isEnabled());
        QVERIFY(tmrControl->isActive());

        click(1);
        QVERIFY(save->isEnabled() && open->isEnabled());
        QVERIFY(!tmrControl->isActive());

        click(2);  // from EEPROM: tmrControl stays stopped
        QVERIFY(!save->isEnabled() && !open->isEnabled());
        QVERIFY(!tmrControl->isActive());

        click(0);
        QVERIFY(!save->isEnabled() && !open->isEnabled());
        QVERIFY(tmrControl->isActive());

        click(2);  // from Control: the hidden page goes on being refreshed
        QVERIFY(tmrControl->isActive());
        QVERIFY(!save->isEnabled());

        // The tab switch never touches the other two timers.
        tmrStatus->stop();
        click(0);
        click(1);
        QVERIFY(!tmrStatus->isActive());
        QVERIFY(tmrScan->isActive());
    }

    void untitledMessageBoxesCarryTheApplicationTitle() {
        Form2 form;  // installs the rule
        MessageBoxAnswerer boxes;
        QMessageBox::information(nullptr, QString(), QStringLiteral("Done."));
        QMessageBox::warning(nullptr, QStringLiteral("Varenthal File Error"),
                             QStringLiteral("Bad file."));
        QCOMPARE(boxes.seen.size(), std::size_t{2});
        QCOMPARE(boxes.seen[0].title, QStringLiteral("Varenthal"));
        QCOMPARE(boxes.seen[1].title, QStringLiteral("Varenthal File Error"));
    }

    void closeStepClosesTheDeviceThenEnds() {
        std::vector<std::string> calls;
        frmUSB::SetFactory([&calls] {
            return std::make_unique<RecordingAdapter>(calls, RecordingAdapter::Script{});
        });
        Form2 form;
        form.setEndProgram([&calls] { calls.push_back("end"); });
        form.Load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // With the About box open, nothing asks a question.
        form.findChild<QAction*>(QStringLiteral("mnuHelp_About"))->trigger();
        MessageBoxAnswerer boxes;

        calls.clear();
        QVERIFY(form.close());
        QVERIFY(boxes.seen.empty());
        QCOMPARE(calls, (std::vector<std::string>{"close", "end"}));
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("frmAbout")) delete w;
        }
    }

    // A bad command line fails in one line with code 2 before any window: the runs below
    // name a window platform that does not exist, so reaching the window system would fail
    // differently.
    void commandLineErrors_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown option") << QStringList{"--bogus"};
        QTest::newRow("unknown adapter") << QStringList{"--adapter", "usb9"};
        QTest::newRow("missing value") << QStringList{"--adapter"};
        QTest::newRow("bad gpio") << QStringList{"--pulse-gpio", "gpiochip0"};
        QTest::newRow("empty trace") << QStringList{"--trace="};
        QTest::newRow("unwritable trace")
            << QStringList{"--adapter", "sim", "--trace", "/nonexistent-dir/t.log"};
        QTest::newRow("stray argument") << QStringList{"sim"};
        QTest::newRow("missing scenario")
            << QStringList{"--adapter", "sim", "--sim-scenario", "/nonexistent-dir/s.txt"};
    }
    void commandLineErrors() {
        QFETCH(QStringList, arguments);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(VARENTHAL_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 2);
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(err.startsWith(QLatin1String("varenthal: ")), qPrintable(err));
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(err.endsWith('\n'));
        QVERIFY(program.readAllStandardOutput().isEmpty());
    }

    void commandLineVersion() {
        QProcess program;
        program.start(QStringLiteral(VARENTHAL_PROGRAM), {QStringLiteral("--version")});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()),
                 QStringLiteral("varenthal 1.0.0\n"));
    }
};

QTEST_MAIN(Form2Test)
#include "form2_test.moc"
