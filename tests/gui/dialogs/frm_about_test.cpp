#include "gui/dialogs/frm_about.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include "core/link/frm_usb.h"
#include "gui/app/form2.h"
#include "tests/support/missing_file_text.h"
#include "tests/support/modal_answerer.h"

namespace {

QString labelText(const QWidget* about, const char* name) {
    return about->findChild<QLabel*>(QLatin1String(name))->text();
}

frmAbout* shownAbout() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* about = qobject_cast<frmAbout*>(w)) return about;
    }
    return nullptr;
}

}  // namespace

class FrmAboutTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        QFile::remove(QString::fromStdString(frmAbout::programFilePath()));
        // About boxes shown from the menu live on their own; drop them between tests.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<frmAbout*>(w)) w->deleteLater();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void showsTheProgramFilesDate() {
        // The date comes from the program's fixed file name in the program's folder.
        const QString path = QString::fromStdString(frmAbout::programFilePath());
        QCOMPARE(QFileInfo(path).dir(), QDir(QCoreApplication::applicationDirPath()));
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral(EXPECTED_PROGRAM_FILE_NAME));
        QCOMPARE(path, QDir::toNativeSeparators(path));  // "\\" before the name on Windows
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(QDateTime(QDate(2024, 3, 5), QTime(23, 30)),
                                 QFileDevice::FileModificationTime));
        file.close();

        frmAbout about;
        QCOMPARE(labelText(&about, "UpdateDate"), QStringLiteral("Last Updated 03/05/2024"));
        QCOMPARE(labelText(&about, "badpathlabel"), QString());
        QCOMPARE(labelText(&about, "Description"), QStringLiteral("Varenthal Evaluation Software"));
        QCOMPARE(labelText(&about, "RevisionLabel"), QStringLiteral("Version 1.0.0"));
        QCOMPARE(labelText(&about, "comments"), QString());
        QCOMPARE(labelText(&about, "Copyright"),
                 QStringLiteral("Copyright (C) 2026 Varenthal Systems. All rights reserved."));
        QCOMPARE(about.windowTitle(), QStringLiteral("About Varenthal"));
    }

    void aMissingProgramFileGivesTheErrorAndTheZeroDate() {
        QVERIFY(!QFile::exists(QString::fromStdString(frmAbout::programFilePath())));
        frmAbout about;
        QCOMPARE(labelText(&about, "badpathlabel"), QString::fromLocal8Bit(missingFileText()));
        QCOMPARE(labelText(&about, "UpdateDate"), QStringLiteral("Last Updated 12/30/1899"));
        // The rest is filled as usual.
        QCOMPARE(labelText(&about, "RevisionLabel"), QStringLiteral("Version 1.0.0"));
    }

    void theLinesSpanTheWindowWithMargins() {
        frmAbout about;
        for (const char* name :
             {"Description", "RevisionLabel", "UpdateDate", "Copyright", "comments"}) {
            const QLabel* line = about.findChild<QLabel*>(QLatin1String(name));
            QCOMPARE(line->alignment(), Qt::AlignCenter);
            QCOMPARE(line->x() * 2 + line->width(), about.frameGeometry().width());
        }
    }

    void aClickHidesItAndTheNextAboutShowsTheSameBox() {
        ModalAnswerer boxes;
        frmUSB none(nullptr);
        Form2 form(none);
        QAction* aboutItem = form.findChild<QAction*>(QStringLiteral("mnuHelp_About"));
        aboutItem->trigger();
        QPointer<frmAbout> first = shownAbout();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        const QString date = labelText(first, "UpdateDate");

        QLabel* picture = first->findChild<QLabel*>(QStringLiteral("AboutOK"));
        QTest::mouseClick(picture, Qt::LeftButton);
        QVERIFY(first);  // hidden, still loaded
        QVERIFY(!first->isVisible());

        aboutItem->trigger();
        QCOMPARE(shownAbout(), first.data());
        QVERIFY(first->isVisible());
        QCOMPARE(labelText(first, "UpdateDate"), date);
        QVERIFY(!first->windowIcon().isNull());

        // The keyboard closes it as the picture does.
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(first.data(), key);
            QVERIFY(!first->isVisible());
            aboutItem->trigger();
            QCOMPARE(shownAbout(), first.data());
        }

        // Closing it through its frame unloads it; the next About loads a new one.
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        aboutItem->trigger();
        QVERIFY(shownAbout() != nullptr);
        QVERIFY(shownAbout()->isVisible());
    }
};

QTEST_MAIN(FrmAboutTest)
#include "frm_about_test.moc"
