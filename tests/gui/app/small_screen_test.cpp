// A 1366x768 laptop at 150 %: the window stays on the screen and every control on every page
// can be scrolled into view; message boxes appear on the window or the screen's centre.

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>

#include "gui/app/form2.h"
#include "tests/support/recording_adapter.h"

class SmallScreenTest : public QObject {
    Q_OBJECT

    static QRect onScreen(const QWidget* w) {
        return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    }

private slots:
    void everyControlCanBeReached() {
        FakeBus fake;
        Form2 form(fake.bus);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QRect area = form.screen()->availableGeometry();
        QVERIFY2(area.height() < 600, "the test needs the small screen of its configuration");
        QVERIFY(area.contains(form.frameGeometry()));
        QVERIFY(area.contains(onScreen(form.menuBar())));

        auto* scroll = form.findChild<QScrollArea*>(QStringLiteral("scrForm2"));
        auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        const QRect view = onScreen(scroll->viewport());
        QVERIFY(area.contains(view));
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            for (QWidget* w : tabs->currentWidget()->findChildren<QWidget*>()) {
                const bool control = qobject_cast<QAbstractButton*>(w) ||
                                     qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w);
                if (!control || !w->isVisibleTo(&form)) continue;
                const QRect r(w->mapTo(scroll->widget(), QPoint(0, 0)), w->size());
                scroll->ensureVisible(r.center().x(), r.center().y(), r.width() / 2 + 1,
                                      r.height() / 2 + 1);
                QVERIFY2(view.contains(onScreen(w)), qPrintable(w->objectName()));
            }
        }
    }

    void messageBoxesAreCentred() {
        FakeBus fake;
        Form2 form(fake.bus);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        auto centreOf = [](QWidget* parent) {
            QMessageBox box(QMessageBox::NoIcon, QString(), QStringLiteral("text"), QMessageBox::Ok,
                            parent);
            box.show();
            QCoreApplication::processEvents();
            return box.frameGeometry().center();
        };
        // Before the window shows, on the screen; afterwards on the window.
        QVERIFY((centreOf(&form) - area.center()).manhattanLength() <= 2);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.move(area.topLeft());
        QVERIFY((centreOf(&form) - form.frameGeometry().center()).manhattanLength() <= 2);
    }
};

QTEST_MAIN(SmallScreenTest)
#include "small_screen_test.moc"
