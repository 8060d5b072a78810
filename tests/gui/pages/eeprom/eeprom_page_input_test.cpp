// The EEPROM page writes only what it read from the chip or what the user chose: a page
// that lost a read refuses to write, the delay box goes out as it is shown, and the file
// dialog neither writes a pattern nor saves into a folder that is not there.

#include <QAction>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "gui/app/form2.h"
#include "core/link/miscellaneous.h"
#include "modal_answers.h"
#include "core/eeprom/eeprom_fields.h"
#include "gui/pages/eeprom/eeprom_page.h"
#include "core/eeprom/page_conversion.h"
#include "recording_adapter.h"

using Lines = std::vector<std::string>;

class EepromPageInputTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        bus_ = installRecordingAdapter();
        bus_->registers[0x00] = 0x20;  // VGOOD, for programming
        bus_->registers[0x06] = 0x4A;
        bus_->registers[0x07] = 0x05;
        form_ = std::make_unique<Form2>();
        form_->setEndProgram([] {});
        for (QTimer* timer : form_->findChildren<QTimer*>()) {
            if (timer->interval() >= 200) timer->setInterval(24 * 3600 * 1000);
        }
        form_->eepromPage()->setWait([](double) {});
    }
    void cleanup() {
        form_.reset();
        frmUSB::Reset();
    }

    void aPageThatLostAReadWritesNothing_data();
    void aPageThatLostAReadWritesNothing();
    void theDelayGoesOutAsShown_data();
    void theDelayGoesOutAsShown();
    void theFileDialogTakesNoNameByMistake_data();
    void theFileDialogTakesNoNameByMistake();

private:
    template <typename T>
    T* child(const char* name) const {
        T* w = form_->findChild<T*>(QLatin1String(name));
        if (!w) qFatal("no widget %s", name);
        return w;
    }
    void selectEepromPage() {
        child<QTabWidget>("SSTab1")->setCurrentIndex(0);
        child<QTabWidget>("SSTab1")->setCurrentIndex(1);
    }
    // Starts one of the page's writing commands by the control the user uses.
    void run(const QString& command) {
        if (command == QLatin1String("Save")) {
            child<QAction>("mnuFileSaveEeprom")->trigger();
        } else {
            child<QPushButton>(command == QLatin1String("Preview") ? "cmdPreview"
                                                                   : "cmdProgramEeprom")
                ->click();
        }
    }
    static std::string readFile(const QString& path) {
        std::ifstream in(path.toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::shared_ptr<RecordingBus> bus_;
    std::unique_ptr<Form2> form_;
};

void EepromPageInputTest::aPageThatLostAReadWritesNothing_data() {
    QTest::addColumn<int>("lost");  // the register whose read fails
    QTest::addColumn<QString>("command");
    QTest::newRow("UV_LEVEL, Preview") << 0x07 << "Preview";
    QTest::newRow("OV_CFG, Save") << 0x06 << "Save";
    QTest::newRow("OUTPUT_CNTRL, Program") << 0x01 << "Program";
    QTest::newRow("SCD_CFG, Program") << 0x0A << "Program";
    QTest::newRow("OCDELAY, Save") << 0x09 << "Save";
}

void EepromPageInputTest::aPageThatLostAReadWritesNothing() {
    QFETCH(int, lost);
    QFETCH(QString, command);
    bus_->failingReads.insert(static_cast<std::uint8_t>(lost));
    selectEepromPage();
    auto* note = child<QLabel>("lblChipNotRead");
    QVERIFY(note->isVisibleTo(form_.get()));
    QCOMPARE(note->text(), QString::fromUtf8(eeprom::kChipNotRead.data()));
    // The lost register's values are not shown as if they were the chip's; the others are.
    const std::pair<int, const char*> lists[] = {
        {0x06, "cboOvThresh"},         {0x06, "cboOvHyst"},
        {0x06, "cboOvDetDelay"},       {0x07, "cboUvThresh"},
        {0x07, "cboUvHyst"},           {0x08, "cboOcThresh"},
        {0x08, "cboUvDelay"},          {0x0A, "cboShortCircuitThresh"},
        {0x0A, "cboShortCircuitDelay"}};
    for (const auto& [address, name] : lists)
        QVERIFY2((child<QComboBox>(name)->currentIndex() == -1) == (address == lost), name);
    QCOMPARE(child<QLineEdit>("txtOcDelay")->text().isEmpty(), lost == 0x09);

    ModalAnswers answers;
    answers.message();
    const std::size_t mark = bus_->log.size();
    run(command);
    QVERIFY(answers.allAnswered());
    QVERIFY(answers.unexpected.empty());  // no file dialog, no preview
    QCOMPARE(answers.messages.at(0).text, QString::fromUtf8(eeprom::kChipNotReadRefusal.data()));
    QCOMPARE(Lines(bus_->log.begin() + static_cast<std::ptrdiff_t>(mark), bus_->log.end()),
             Lines{});

    // A whole read, or a loaded file, ends the refusal.
    bus_->failingReads.clear();
    selectEepromPage();
    QVERIFY(!note->isVisibleTo(form_.get()));
    QCOMPARE(child<QComboBox>("cboUvThresh")->currentIndex(), 5);
}

void EepromPageInputTest::theDelayGoesOutAsShown_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("Save") << "Save";
    QTest::newRow("Program") << "Program";
}

void EepromPageInputTest::theDelayGoesOutAsShown() {
    QFETCH(QString, command);
    selectEepromPage();
    auto* box = child<QLineEdit>("txtOcDelay");
    // Typed, and the box never left: the command's conversion snaps it as leaving would.
    box->setText(QStringLiteral("350"));
    ModalAnswers answers;
    const QString file = dir_->filePath(QStringLiteral("delay.ee"));
    if (command == QLatin1String("Save")) answers.file(file);
    run(command);
    QVERIFY(answers.allAnswered());
    QCOMPARE(box->text(), QStringLiteral("320"));
    const std::string byte =
        Miscellaneous::ByteToHex(chip::kOcDelay.put(0, *eeprom::ocDelayCode("320")));
    QCOMPARE(bus_->lines("W 09").at(0), "W 09=" + byte);
    if (command == QLatin1String("Save")) {
        QVERIFY(readFile(file).find("Register09=" + byte) != std::string::npos);
    }
}

void EepromPageInputTest::theFileDialogTakesNoNameByMistake_data() {
    QTest::addColumn<QString>("typed");  // into the name box, then Enter; "" picks All Files
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("message");
    QTest::newRow("the initial pattern") << "*.EE" << QStringList{"a.ee", "b.EE"} << "";
    QTest::newRow("a pattern with ?") << "?.ee" << QStringList{"a.ee", "b.EE"} << "";
    QTest::newRow("All Files") << "" << QStringList{"a.ee", "b.EE", "notes", "x.txt"} << "";
    QTest::newRow("a folder that is not there")
        << "missing/new.ee" << QStringList{"a.ee", "b.EE"} << "The folder does not exist:";
}

void EepromPageInputTest::theFileDialogTakesNoNameByMistake() {
    QFETCH(QString, typed);
    QFETCH(QStringList, listed);
    QFETCH(QString, message);
    for (const char* name : {"a.ee", "b.EE", "notes", "x.txt"}) {
        std::ofstream(dir_->filePath(QLatin1String(name)).toStdString()) << "[Device]\n";
    }
    selectEepromPage();
    ModalAnswers answers;
    bool stillOpen = false;
    QString refusal;
    answers.then([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        QVERIFY(dialog);
        dialog->setDirectory(dir_->path());
        if (typed.isEmpty()) {
            auto* filters = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            filters->setCurrentIndex(1);
            emit filters->textActivated(filters->currentText());  // as a pick by the user
            QCOMPARE(filters->currentText(), QStringLiteral("All Files (*.*)"));
        } else {
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(typed);
            // A refusal comes inside this handler, so it is answered by a timer of its own.
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    refusal = box->text();
                    box->button(QMessageBox::Ok)->click();
                }
            });
            QTest::keyClick(name, Qt::Key_Return);
        }
        stillOpen = dialog->isVisible();
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        auto names = [&] {
            QStringList out;
            for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r) {
                out << view->model()->index(r, 0, view->rootIndex()).data().toString();
            }
            out.sort();
            return out;
        };
        QTRY_COMPARE(names(), listed);
        dialog->reject();
    });
    const std::size_t mark = bus_->log.size();
    run(QStringLiteral("Save"));

    QVERIFY(answers.allAnswered());
    QVERIFY(stillOpen);
    QCOMPARE(refusal.left(message.size()), message);
    QCOMPARE(Lines(bus_->log.begin() + static_cast<std::ptrdiff_t>(mark), bus_->log.end()),
             Lines{});
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 4);
}

QTEST_MAIN(EepromPageInputTest)
#include "eeprom_page_input_test.moc"
