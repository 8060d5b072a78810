// Text on the fixed cell colours stays readable whatever the desktop palette: every filled
// label and hex box the Registers page and the preview paint, under the default and a dark
// palette.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QtTest>
#include <array>

#include "gui/pages/eeprom/frm_preview.h"
#include "gui/pages/registers/registers_page.h"
#include "gui/widgets/fill_colour.h"
#include "tests/support/recording_adapter.h"

namespace {

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(53, 53, 53));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(35, 35, 35));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(53, 53, 53));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    return p;
}

// The colours a widget paints its text and its background in.
void readable(const QWidget* w) {
    const QPalette& p = w->palette();
    const bool box = qobject_cast<const QLineEdit*>(w) != nullptr;
    const QColor back = p.color(box ? QPalette::Base : w->backgroundRole());
    const QColor text = p.color(box ? QPalette::Text : w->foregroundRole());
    const double ratio = fillcolour::contrast(back, text);
    QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1: %2 on %3, %4:1")
                                          .arg(w->objectName(), text.name(), back.name())
                                          .arg(ratio, 0, 'f', 1)));
}

void everyFilledWidgetIsReadable(const QWidget* root) {
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        const auto* label = qobject_cast<const QLabel*>(w);
        if ((label && label->autoFillBackground() && !label->text().isEmpty()) ||
            qobject_cast<const QLineEdit*>(w)) {
            readable(w);
        }
    }
}

}  // namespace

class PaletteContrastTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QApplication::setPalette(QApplication::style()->standardPalette()); }

    void cellsAndBoxesReadUnderEveryPalette_data() {
        QTest::addColumn<QString>("style");
        QTest::addColumn<bool>("dark");
        for (const QString& style : {QStringLiteral("Fusion"), QStringLiteral("Windows")}) {
            QTest::addRow("%s light", qPrintable(style)) << style << false;
            QTest::addRow("%s dark", qPrintable(style)) << style << true;
        }
    }
    void cellsAndBoxesReadUnderEveryPalette() {
        QFETCH(QString, style);
        QFETCH(bool, dark);
        QApplication::setStyle(QStyleFactory::create(style));
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());

        FakeBus fake;
        for (int a = 0; a <= 10; ++a) fake.chip->registers[a] = static_cast<std::uint8_t>(0x5A + a);
        RegistersPage page(fake.comm());
        page.ReadAllRegisters();  // green and red cells, white boxes
        QVERIFY(QMetaObject::invokeMethod(page.tmrRegisterScan(), "timeout"));  // a yellow box
        everyFilledWidgetIsReadable(&page);

        frmPreview preview;
        const std::array<std::uint8_t, 5> bytes{0x0F, 0xF0, 0x55, 0xAA, 0x01};
        preview.Display(bytes);
        everyFilledWidgetIsReadable(&preview);
    }

    void accentsAreMadeReadableOnDarkAndLight() {
        for (const QColor& back : {QColor(53, 53, 53), QColor(240, 240, 240), QColor(Qt::white)}) {
            for (const QColor& accent : {QColor(0xc0, 0, 0), QColor(0x8a, 0x4b, 0x00)}) {
                QVERIFY(fillcolour::contrast(fillcolour::accentOn(accent, back), back) >= 4.5);
            }
        }
        // A colour that already reads is kept as it is.
        QCOMPARE(fillcolour::accentOn(QColor(0xc0, 0, 0), Qt::white), QColor(0xc0, 0, 0));
    }
};

QTEST_MAIN(PaletteContrastTest)
#include "palette_contrast_test.moc"
