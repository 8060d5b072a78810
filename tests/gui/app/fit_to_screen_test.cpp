// Every window on a 1366x768 screen at 150 % and 200 % with an 11 or 12 point font (the
// test's environment sets the scale and VARENTHAL_TEST_FONT_PT): on the screen, no caption
// cut, no two controls on top of each other, and scroll bars only where the content does
// not fit.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "gui/app/form2.h"
#include "gui/pages/eeprom/frm_preview.h"
#include "tests/support/recording_adapter.h"

namespace {

bool shown(const QWidget* w, const QWidget* top) {
    return w->isVisibleTo(top) && !w->size().isEmpty();
}

// A caption that does not fit its widget.
QString cutCaption(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty() || label->wordWrap() || label->textFormat() == Qt::RichText)
            return {};
        QString text = label->text();
        if (label->buddy()) text.remove(QRegularExpression(QStringLiteral("&(?=.)")));
        const int needed = label->fontMetrics().horizontalAdvance(text) + label->indent();
        if (needed > label->contentsRect().width() + 1) return label->text();
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        if (!button->text().isEmpty() && button->width() < button->minimumSizeHint().width())
            return button->text();
    }
    return {};
}

bool isLeaf(const QWidget* w) {
    return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w);
}

}  // namespace

class FitToScreenTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeBus> fake_;
    std::unique_ptr<Form2> form_;

    void checkWindow(QWidget* top) {
        QVERIFY(QTest::qWaitForWindowExposed(top));
        QCoreApplication::processEvents();
        const QRect area = top->screen()->availableGeometry();
        QVERIFY2(area.contains(top->frameGeometry()),
                 qPrintable(top->objectName() + QStringLiteral(" is larger than the screen")));
        auto* tabs = top->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
        for (int page = 0; page < (tabs ? tabs->count() : 1); ++page) {
            if (tabs) tabs->setCurrentIndex(page);
            QCoreApplication::processEvents();
            const QList<QWidget*> all = top->findChildren<QWidget*>();
            for (QWidget* w : all) {
                if (!shown(w, top) || qobject_cast<QComboBox*>(w->parentWidget())) continue;
                const QString cut = cutCaption(w);
                QVERIFY2(cut.isEmpty(),
                         qPrintable(top->objectName() + QStringLiteral(": cut ") + w->objectName() +
                                    QStringLiteral(" '") + cut + QLatin1Char('\'')));
                // Siblings do not overlap, and a control stays inside its parent.
                if (!isLeaf(w)) continue;
                const QRect inParent = w->parentWidget()->rect();
                QVERIFY2(inParent.contains(w->geometry()),
                         qPrintable(w->objectName() + QStringLiteral(" leaves its parent")));
                for (QWidget* other : all) {
                    if (other == w || other->parentWidget() != w->parentWidget()) continue;
                    if (!isLeaf(other) || !shown(other, top)) continue;
                    QVERIFY2(!w->geometry().intersects(other->geometry()),
                             qPrintable(w->objectName() + QStringLiteral(" overlaps ") +
                                        other->objectName()));
                }
            }
            // A scroll bar only where the content is larger than its view.
            for (QScrollArea* scroll : top->findChildren<QScrollArea*>()) {
                if (!scroll->widget() || !shown(scroll, top)) continue;
                // A laid-out content can shrink to its minimum; a placed one keeps its size.
                const QWidget* inside = scroll->widget();
                const QSize content =
                    inside->layout() ? inside->minimumSizeHint().expandedTo(inside->minimumSize())
                                     : inside->size();
                const QSize view = scroll->maximumViewportSize();
                if (content.width() <= view.width() && content.height() <= view.height()) {
                    QVERIFY2(!scroll->horizontalScrollBar()->isVisible() &&
                                 !scroll->verticalScrollBar()->isVisible(),
                             qPrintable(top->objectName() + QStringLiteral(" scrolls with room")));
                }
            }
        }
    }

private slots:
    void initTestCase() {
        const int points = qEnvironmentVariableIntValue("VARENTHAL_TEST_FONT_PT");
        QVERIFY2(points > 0, "VARENTHAL_TEST_FONT_PT names the system font size");
        QFont font = QApplication::font();
        font.setPointSize(points);
        QApplication::setFont(font);
        QVERIFY2(QGuiApplication::primaryScreen()->availableGeometry().width() < 1000,
                 "the test needs the scaled 1366x768 screen of its configuration");
    }
    void init() {
        fake_ = std::make_unique<FakeBus>();
        form_ = std::make_unique<Form2>(fake_->bus);
        form_->setEndProgram([] {});
        for (QTimer* t : form_->findChildren<QTimer*>()) t->stop();
        form_->ReadAllRegisters();
        form_->show();
    }
    void cleanup() {
        form_.reset();
        fake_.reset();
    }

    void everyWindowFits_data() {
        QTest::addColumn<QString>("window");
        for (const char* w : {"Form2", "frmRegisters", "frmPreview", "frmAbout", "frmMonitor"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    void everyWindowFits() {
        QFETCH(QString, window);
        if (window == QLatin1String("Form2")) return checkWindow(form_.get());
        if (window == QLatin1String("frmPreview")) {
            frmPreview preview(form_.get());
            preview.Display(std::array<std::uint8_t, 5>{0xFF, 0x00, 0x5A, 0xA5, 0x0F});
            preview.show();
            checkWindow(&preview);
            auto* close = preview.findChild<QWidget*>(QStringLiteral("OKButton"));
            QVERIFY(
                preview.rect().contains(QRect(close->mapTo(&preview, QPoint()), close->size())));
            return;
        }
        const char* item = window == QLatin1String("frmRegisters") ? "mnuReadWriteI2C"
                           : window == QLatin1String("frmAbout")   ? "mnuHelp_About"
                                                                   : "mnuViewMonitor";
        form_->findChild<QAction*>(QLatin1String(item))->trigger();
        QWidget* top = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == window) top = w;
        QVERIFY(top);
        checkWindow(top);
        top->close();
    }
};

QTEST_MAIN(FitToScreenTest)
#include "fit_to_screen_test.moc"
