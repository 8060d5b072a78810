#include "gui/widgets/miscellaneous_gui.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using Miscellaneous::CenterForm;
using Miscellaneous::Delay;
using Miscellaneous::SelectAllText;

class MiscellaneousGuiTest : public QObject {
    Q_OBJECT

private slots:
    void delayOfZeroOrLessRunsNoEvents() {
        for (const float seconds : {0.0F, -1.0F}) {
            int ran = 0;
            QTimer::singleShot(0, [&ran] { ++ran; });
            Delay(seconds);
            QCOMPARE(ran, 0);
            QCoreApplication::processEvents();  // drain it before the next round
            QCOMPARE(ran, 1);
        }
    }

    void delayServesTimersAndClicksWhileItWaits() {
        QPushButton button;
        button.show();
        int ticks = 0;
        int clicks = 0;
        QTimer ticker;
        ticker.setInterval(5);
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        connect(&button, &QPushButton::clicked, [&clicks] { ++clicks; });
        ticker.start();
        QTimer::singleShot(0, [&button] { QTest::mouseClick(&button, Qt::LeftButton); });

        QElapsedTimer clock;
        clock.start();
        Delay(0.1F);
        QVERIFY(clock.elapsed() >= 100);  // it does not return early
        QVERIFY(ticks > 0);
        QCOMPARE(clicks, 1);
    }

    void centerFormCentresTheOuterWindowOnTheScreen() {
        QWidget window;
        window.resize(300, 200);
        window.show();
        CenterForm(&window);
        const QRect screen = window.screen()->geometry();
        const QRect frame = window.frameGeometry();
        QCOMPARE(frame.x(), screen.x() + screen.width() / 2 - frame.width() / 2);
        QCOMPARE(frame.y(), screen.y() + screen.height() / 2 - frame.height() / 2);
    }

    void selectAllTextSelectsTheWholeText() {
        QLineEdit box(QStringLiteral("1F2"));
        box.setCursorPosition(1);
        SelectAllText(&box);
        QCOMPARE(box.selectionStart(), 0);
        QCOMPARE(box.selectedText(), QStringLiteral("1F2"));
    }
};

QTEST_MAIN(MiscellaneousGuiTest)
#include "miscellaneous_gui_test.moc"
