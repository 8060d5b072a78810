// The status lamps: which picture of each pair shows for a STATUS byte, one read per tick.

#include "gui/pages/registers/status_panel.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "tests/support/recording_adapter.h"

namespace {

// Top to bottom, with the STATUS bit each lamp follows.
struct LampName {
    const char* name;
    int bit;
};
constexpr LampName kLamps[] = {{"ImgGrnLEDVgood", 5}, {"ImgRedLEDOvTemp", 4}, {"ImgRedLEDUV", 3},
                               {"ImgRedLEDOV", 2},    {"ImgRedLEDOcd", 1},    {"ImgRedLEDScd", 0}};

}  // namespace

class StatusPanelTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeBus> fake;
    std::shared_ptr<FakeChip> bus;
    std::unique_ptr<StatusPanel> panel;

    QLabel* picture(const char* lamp, int element) const {
        return panel->findChild<QLabel*>(QStringLiteral("%1(%2)").arg(lamp).arg(element));
    }
    // Exactly one picture of the pair shows; true when it is the lit one.
    bool lit(const char* lamp) const {
        const bool unlitShown = !picture(lamp, 0)->isHidden();
        const bool litShown = !picture(lamp, 1)->isHidden();
        if (unlitShown == litShown) {
            qWarning("%s: %s pictures shown", lamp, litShown ? "both" : "no");
            return false;
        }
        return litShown;
    }
    void tick() { QVERIFY(QMetaObject::invokeMethod(panel->tmrStatus(), "timeout")); }

private slots:
    void init() {
        fake = std::make_unique<FakeBus>();
        bus = fake->chip;
        panel = std::make_unique<StatusPanel>(fake->comm());
        panel->show();
    }
    void cleanup() {
        panel.reset();
        fake.reset();
    }

    void captionsStandAboveUnlitLampsBeforeTheFirstTick() {
        QCOMPARE(panel->tmrStatus()->interval(), 1000);
        QCOMPARE(panel->findChild<QLabel*>("Label44")->text(), QStringLiteral("STATUS"));
        const char* captions[] = {"VGOOD", "OVTEMP", "UV", "OV", "OCD", "SCD"};
        int previousTop = 0;
        for (int i = 0; i < 6; ++i) {
            QLabel* caption = panel->findChild<QLabel*>(QStringLiteral("Label%1").arg(i + 1));
            QCOMPARE(caption->text(), QLatin1String(captions[i]));
            QVERIFY(caption->y() > previousTop);
            QVERIFY(picture(kLamps[i].name, 0)->mapTo(panel.get(), QPoint()).y() > caption->y());
            QCOMPARE(picture(kLamps[i].name, 0)->geometry(),
                     picture(kLamps[i].name, 1)->geometry());
            previousTop = caption->y();
            QVERIFY(!lit(kLamps[i].name));
        }
        QVERIFY(bus->log.empty());
    }

    void lampsFollowStatus_data() {
        QTest::addColumn<int>("status");
        QTest::newRow("nothing") << 0x00;
        QTest::newRow("all six") << 0x3F;
        QTest::newRow("everything") << 0xFF;
        QTest::newRow("only DSG and CHG") << 0xC0;
        QTest::newRow("VGOOD and SCD") << 0x21;
    }
    void lampsFollowStatus() {
        QFETCH(int, status);
        // Start from the opposite picture so that every lamp has to change.
        bus->registers[0x00] = static_cast<std::uint8_t>(~status & 0x3F);
        tick();
        bus->registers[0x00] = static_cast<std::uint8_t>(status);
        bus->log.clear();
        tick();
        QCOMPARE(bus->reads(), std::vector<int>{0x00});
        QVERIFY(bus->writes().empty());
        for (const LampName& lamp : kLamps) {
            QVERIFY2(lit(lamp.name) == (((status >> lamp.bit) & 1) != 0), lamp.name);
        }
    }

    void aSilentReadPutsEveryLampOut() {
        bus->registers[0x00] = 0x3F;
        tick();
        bus->silence({0x00});
        tick();
        for (const LampName& lamp : kLamps) QVERIFY2(!lit(lamp.name), lamp.name);
    }

    void programmingSetsTheVgoodLampAlone() {
        bus->registers[0x00] = 0x01;
        tick();
        panel->setVgoodLamp(true);
        QVERIFY(lit("ImgGrnLEDVgood"));
        QVERIFY(lit("ImgRedLEDScd"));
        panel->setVgoodLamp(false);
        QVERIFY(!lit("ImgGrnLEDVgood"));
        QVERIFY(lit("ImgRedLEDScd"));
        QCOMPARE(bus->reads(), std::vector<int>{0x00});
    }
};

QTEST_MAIN(StatusPanelTest)
#include "status_panel_test.moc"
