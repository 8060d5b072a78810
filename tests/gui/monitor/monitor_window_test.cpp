// The Monitor window over the simulator: where its samples come from, what the chart, the
// event list and the recording show for a scripted OV, and what it reads on its own.

#include "gui/monitor/monitor_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "core/link/frm_usb.h"
#include "core/sim/sim_adapter.h"
#include "core/sim/sim_scenario.h"
#include "gui/app/form2.h"
#include "gui/monitor/strip_chart.h"
#include "gui/pages/registers/status_panel.h"
#include "tests/core/sim/manual_clock.h"

using namespace std::chrono_literals;

class MonitorWindowTest : public QObject {
    Q_OBJECT

private:
    ManualClock clock_;
    std::shared_ptr<SimulatedChip> chip_;
    std::unique_ptr<SimScenarioPlayer> player_;
    std::vector<std::uint8_t> reads_;  // every address the window read itself
    std::unique_ptr<MonitorWindow> window_;
    double seconds_ = 0;

    StripChart* chart() const {
        return window_->findChild<StripChart*>(QStringLiteral("chartMonitor"));
    }

    std::int32_t chipRead(std::uint8_t address, std::uint8_t& data) {
        player_->advance();
        return chip_->readRegister(address, data);
    }
    // One tick of the status panel: its STATUS read handed to the window.
    void statusTick() {
        std::uint8_t value = 0;
        const std::int32_t rc = chipRead(chip::STATUS, value);
        window_->statusRead(rc, value);
    }
    QStringList events() const {
        QStringList lines;
        auto* list = window_->findChild<QListWidget*>(QStringLiteral("lstEvents"));
        for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text().mid(14);
        return lines;
    }

private slots:
    void init() {
        chip_ = std::make_shared<SimulatedChip>(SimulatedChip::kDefaultEeprom, clock_.clock());
        player_ = std::make_unique<SimScenarioPlayer>(
            chip_,
            *parseSimScenario("2000 ov on\n5000 ov off\n5000 ltclr on\n5000 ltclr off\n"
                              "7000 nak=00 on\n8000 nak=00 off"),
            clock_.clock());
        player_->start();
        reads_.clear();
        seconds_ = 0;
        window_ = std::make_unique<MonitorWindow>([this](std::uint8_t address, std::uint8_t& data) {
            reads_.push_back(address);
            return chipRead(address, data);
        });
        window_->setAttribute(Qt::WA_DeleteOnClose, false);
        window_->setSecondsClock([this] { return seconds_; });
        window_->show();
    }
    void cleanup() { window_.reset(); }

    void scriptedOvShowsAsStepEventsAndCsvRows() {
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("run.csv"));
        QVERIFY(window_->startRecording(csv));
        for (int t = 0; t <= 9; ++t) {
            seconds_ = t;
            statusTick();
            clock_.advance(1000ms);
        }
        window_->stopRecording();
        QVERIFY(reads_.empty());  // at 1 s the status panel's read is the only one

        QCOMPARE(events(), (QStringList{"OV set", "CHG cleared", "OV cleared", "CHG set",
                                        "no answer", "answering again"}));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 12);  // header, ten rows, the empty text after the last newline
        QStringList ov;
        for (int row = 1; row <= 10; ++row) ov << QString::fromLatin1(lines[row].split(',')[5]);
        QCOMPARE(ov, (QStringList{"0", "0", "1", "1", "1", "0", "0", "", "0", "0"}));

        // The OV trace steps up at 2 s and down at 5 s, and breaks where the chip was silent.
        window_->refreshPlot();
        const ChartTrace* ovTrace = chart()->trace(QStringLiteral("OV"));
        QVERIFY(ovTrace);
        QCOMPARE(ovTrace->segments.size(), std::size_t{2});
        QList<QPointF> rises;
        const QPolygonF& points = ovTrace->segments[0];
        for (qsizetype i = 1; i < points.size(); ++i) {
            if (points[i].y() != points[i - 1].y()) rises << points[i];
        }
        QCOMPARE(rises.size(), 2);
        QCOMPARE(rises[0].x(), 2.0);
        QVERIFY(rises[0].y() > points[0].y());
        QCOMPARE(rises[1].x(), 5.0);
        QCOMPARE(ovTrace->segments[1].first().x(), 8.0);
    }

    // A long file name takes the free room of the top row, shown as the system writes it:
    // the window keeps its size and every button stays in view, with no scrolling sideways.
    void aLongRecordingNameLeavesTheButtonsInView() {
        QTemporaryDir dir;
        const QString csv = dir.filePath(QString(150, QLatin1Char('r')) + QStringLiteral(".csv"));
        const QSize size = window_->size();
        QVERIFY(window_->startRecording(csv));
        QTest::qWait(0);  // the layout settles
        QCOMPARE(window_->size(), size);
        for (const char* name : {"cmdRecord", "cmdSavePicture"}) {
            const auto* button = window_->findChild<QPushButton*>(QLatin1String(name));
            const QRect inWindow(button->mapTo(window_.get(), QPoint(0, 0)), button->size());
            QVERIFY2(window_->rect().contains(inWindow), name);
        }
        const auto* label = window_->findChild<QLabel*>(QStringLiteral("lblRecording"));
        QCOMPARE(label->toolTip(), QStringLiteral("Recording to ") + QDir::toNativeSeparators(csv));
        window_->stopRecording();
    }

    void fasterIntervalReadsStatusAndTickedRegistersOnItsOwnTimer() {
        window_->findChild<QCheckBox*>(QStringLiteral("chkRegister(8)"))->setChecked(true);
        statusTick();
        QCOMPARE(reads_, (std::vector<std::uint8_t>{chip::OCV_UV_DELAY}));
        reads_.clear();

        window_->findChild<QComboBox*>(QStringLiteral("cboInterval"))->setCurrentIndex(4);
        QVERIFY(window_->findChild<QTimer*>(QStringLiteral("tmrMonitor"))->isActive());
        QTRY_VERIFY(reads_.size() >= 4);
        statusTick();  // ignored while the window's own timer samples
        // Held off (an EEPROM programming run): no reads at all.
        bool held = true;
        window_->setHoldOff([&held] { return held; });
        const std::size_t before = reads_.size();
        QTest::qWait(150);
        QCOMPARE(reads_.size(), before);
        held = false;
        window_->findChild<QComboBox*>(QStringLiteral("cboInterval"))->setCurrentIndex(0);
        for (std::size_t i = 0; i + 1 < reads_.size(); i += 2) {
            QCOMPARE(reads_[i], chip::STATUS);
            QCOMPARE(reads_[i + 1], chip::OCV_UV_DELAY);
        }
        QCOMPARE(reads_.size() % 2, std::size_t{0});
    }

    void picturesSaveAsPngAndPdf() {
        QTemporaryDir dir;
        statusTick();
        QVERIFY(window_->savePicture(dir.filePath(QStringLiteral("chart.png"))));
        QVERIFY(window_->savePicture(dir.filePath(QStringLiteral("chart.pdf"))));
        QImage png(dir.filePath(QStringLiteral("chart.png")));
        QCOMPARE(png.size(), chart()->size() * chart()->devicePixelRatio());
        QFile pdf(dir.filePath(QStringLiteral("chart.pdf")));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.contains("/Type /Page"));
        QVERIFY(!window_->savePicture(dir.filePath(QStringLiteral("no/such/folder/chart.pdf"))));
    }

    // The time axis follows the newest span while running; pause, scrolling and zoom move
    // only the axis, never the samples.
    void pauseScrollAndZoomMoveTheTimeAxis() {
        window_->findChild<QComboBox*>(QStringLiteral("cboSpan"))->setCurrentIndex(0);  // 1 min
        for (int t = 0; t <= 300; t += 5) {
            seconds_ = t;
            statusTick();
        }
        window_->refreshPlot();
        QCOMPARE(chart()->timeFrom(), 240.0);
        QCOMPARE(chart()->timeTo(), 300.0);

        auto* pause = window_->findChild<QPushButton*>(QStringLiteral("cmdPause"));
        auto* scroll = window_->findChild<QScrollBar*>(QStringLiteral("hsbTime"));
        pause->setChecked(true);
        scroll->setValue(100);
        QCOMPARE(chart()->timeFrom(), 40.0);
        QCOMPARE(chart()->timeTo(), 100.0);
        seconds_ = 305;
        statusTick();
        window_->refreshPlot();
        QCOMPARE(chart()->timeTo(), 100.0);  // paused: the picture stands still

        // A drag over the middle half of the plot zooms to about its middle 30 s.
        pause->setChecked(false);
        QCOMPARE(chart()->timeTo(), 305.0);
        const QRect r = chart()->rect();
        QTest::mousePress(chart(), Qt::LeftButton, {}, QPoint(r.width() * 3 / 8, r.height() / 2));
        QTest::mouseMove(chart(), QPoint(r.width() / 2, r.height() / 2));
        QTest::mouseRelease(chart(), Qt::LeftButton, {}, QPoint(r.width() * 5 / 8, r.height() / 2));
        QVERIFY(pause->isChecked());  // zooming holds the picture
        const double zoomed = chart()->timeTo() - chart()->timeFrom();
        QVERIFY2(zoomed > 10 && zoomed < 40, qPrintable(QString::number(zoomed)));
        QVERIFY(chart()->timeFrom() > 245 && chart()->timeTo() < 305);
        scroll->setValue(200);
        QCOMPARE(chart()->timeTo() - chart()->timeFrom(), zoomed);  // scrolling keeps the zoom
        QTest::mouseClick(chart(), Qt::RightButton, {}, r.center());
        QCOMPARE(chart()->timeTo() - chart()->timeFrom(), 2 * zoomed);
        QTest::mouseClick(chart(), Qt::RightButton, {}, r.center());
        QTest::mouseClick(chart(), Qt::RightButton, {}, r.center());
        QCOMPARE(chart()->timeTo() - chart()->timeFrom(), 60.0);  // out to the span, no further
        QCOMPARE(window_->plotModel().lastSeconds(), 305.0);
    }

    // Background, axes and text come from the palette, so a dark desktop gets a dark chart.
    void chartDrawsInThePalettesColours() {
        statusTick();
        for (const auto& [base, text] : {std::pair{QColor(Qt::white), QColor(Qt::black)},
                                         std::pair{QColor(30, 30, 30), QColor(230, 230, 230)}}) {
            QPalette pal = window_->palette();
            pal.setColor(QPalette::Base, base);
            pal.setColor(QPalette::Window, base.lighter(110));
            pal.setColor(QPalette::Text, text);
            pal.setColor(QPalette::WindowText, text);
            window_->setPalette(pal);
            window_->refreshPlot();
            const QImage picture = chart()->grab().toImage();
            QHash<QRgb, int> count;
            for (int y = 0; y < picture.height(); y += 2) {
                for (int x = 0; x < picture.width(); x += 2)
                    ++count[picture.pixel(x, y) | 0xFF000000];
            }
            QVERIFY2(count.value(base.rgb()) > picture.width() * picture.height() / 16,
                     qPrintable(base.name()));                                 // the plot's ground
            QVERIFY2(count.value(text.rgb()) > 100, qPrintable(text.name()));  // frame, ticks
        }
    }

    void viewMenuOpensOneMonitorFedByTheStatusPanel() {
        window_.reset();
        frmUSB bus(std::make_unique<SimAdapter>(chip_));
        bus.OpenFirstFreeDevice();
        Form2 form(bus);
        form.setEndProgram([] {});
        auto* item = form.findChild<QAction*>(QStringLiteral("mnuViewMonitor"));
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("&Monitor"));
        item->trigger();
        item->trigger();
        QCOMPARE(form.findChildren<MonitorWindow*>().size(), 1);
        auto* monitor = form.findChild<MonitorWindow*>();
        monitor->setReader([this](std::uint8_t address, std::uint8_t& data) {
            reads_.push_back(address);
            return chip_->readRegister(address, data);
        });
        QTimer* status = form.statusPanel()->tmrStatus();
        status->setInterval(10);
        status->start();
        QTRY_VERIFY(monitor->plotModel().flag(5).bucketCount() >= 2);  // VGOOD sampled
        QVERIFY(reads_.empty());
        monitor->close();  // closing deletes it
        QTRY_VERIFY(form.findChildren<MonitorWindow*>().isEmpty());
        status->stop();
    }
};

QTEST_MAIN(MonitorWindowTest)
#include "monitor_window_test.moc"
