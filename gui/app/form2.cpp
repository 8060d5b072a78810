#include "gui/app/form2.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "gui/widgets/artwork.h"
#include "gui/widgets/message_box_title.h"
#include "core/base/part_variables.h"
#include "core/base/settings_path.h"
#include "gui/app/simulator_menu.h"
#include "gui/monitor/monitor_window.h"
#include "gui/dialogs/frm_about.h"
#include "gui/dialogs/frm_registers.h"
#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "gui/widgets/miscellaneous_gui.h"
#include "gui/pages/control/control_page.h"
#include "gui/pages/eeprom/eeprom_page.h"
#include "gui/pages/registers/registers_page.h"
#include "gui/pages/registers/status_panel.h"

using Miscellaneous::Twips;

namespace {
constexpr int kWidthTwips = 12000;
constexpr int kHeightTwips = 9200;
constexpr int kTabControl = 0;
constexpr int kTabEeprom = 1;
constexpr int kTabRegisters = 2;

}  // namespace

Form2::Form2(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Varenthal Evaluation Software"));
    setWindowIcon(artwork::icon());
    installMessageBoxTitle();

    auto* central = new QWidget(this);
    setCentralWidget(central);

    auto* image1 = new QLabel(central);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(artwork::banner());
    image1->setGeometry(0, 0, Twips(2760), Twips(450));

    lblCommStatus_ = new QLabel(central);
    lblCommStatus_->setObjectName(QStringLiteral("lblCommStatus"));
    lblCommStatus_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblCommStatus_->setGeometry(Twips(8280), Twips(120), Twips(3495), Twips(255));

    SSTab1_ = new QTabWidget(central);
    SSTab1_->setObjectName(QStringLiteral("SSTab1"));
    SSTab1_->setGeometry(0, Twips(540), Twips(9855), Twips(7935));

    statusPanel_ = new StatusPanel(central);
    statusPanel_->setObjectName(QStringLiteral("Picture2"));
    statusPanel_->setGeometry(Twips(9840), Twips(547), Twips(2055), Twips(7935));

    controlPage_ = new ControlPage(statusPanel_->tmrStatus());
    Miscellaneous::DisableWhileProgramming(controlPage_);  // every control on it writes
    controlPage_->setObjectName(QStringLiteral("picControl"));
    eepromPage_ = new EepromPage(this);
    eepromPage_->setObjectName(QStringLiteral("picEeprom"));
    eepromPage_->setStatusTimer(statusPanel_->tmrStatus());
    connect(eepromPage_, &EepromPage::vgoodLampChanged, statusPanel_, &StatusPanel::setVgoodLamp);
    registersPage_ = new RegistersPage();
    registersPage_->setObjectName(QStringLiteral("picRegisters"));
    SSTab1_->addTab(controlPage_, QStringLiteral("Control"));
    SSTab1_->addTab(eepromPage_, QStringLiteral("EEPROM"));
    SSTab1_->addTab(registersPage_, QStringLiteral("Registers"));
    SSTab1_->setCurrentIndex(kTabRegisters);

    buildMenus();

    // The size is fixed; dragging the border cannot change it.
    setFixedSize(Twips(kWidthTwips), Twips(kHeightTwips));

    Communication::SetCommStatusListener([this](std::string_view text) {
        lblCommStatus_->setText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    });
    connect(SSTab1_, &QTabWidget::currentChanged, this, &Form2::onTabClicked);

    endProgram_ = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
}

Form2::~Form2() { Communication::SetCommStatusListener({}); }

void Form2::buildMenus() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileSaveEeprom_ = mnuFile->addAction(QStringLiteral("&Save EEPROM data"));
    mnuFileSaveEeprom_->setObjectName(QStringLiteral("mnuFileSaveEeprom"));
    mnuFileOpenEeprom_ = mnuFile->addAction(QStringLiteral("&Open EEPROM data"));
    mnuFileOpenEeprom_->setObjectName(QStringLiteral("mnuFileOpenEeprom"));
    eepromPage_->setFileMenuItems(mnuFileSaveEeprom_, mnuFileOpenEeprom_);
    setFileItemsEnabled(false);
    connect(mnuFileSaveEeprom_, &QAction::triggered, eepromPage_, &EepromPage::mnuFileSaveEeprom_Click);
    connect(mnuFileOpenEeprom_, &QAction::triggered, eepromPage_, &EepromPage::mnuFileOpenEeprom_Click);

    QMenu* mnuI2C = menuBar()->addMenu(QStringLiteral("&I2C"));
    mnuI2C->setObjectName(QStringLiteral("mnuI2C"));
    QAction* readWrite = mnuI2C->addAction(QStringLiteral("&Read and Write Registers"));
    readWrite->setObjectName(QStringLiteral("mnuReadWriteI2C"));
    connect(readWrite, &QAction::triggered, this, &Form2::showRegistersDialog);

    QMenu* mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    QAction* monitor = mnuView->addAction(QStringLiteral("&Monitor"));
    monitor->setObjectName(QStringLiteral("mnuViewMonitor"));
    connect(monitor, &QAction::triggered, this, &Form2::showMonitor);

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction* about = mnuHelp->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("mnuHelp_About"));
    connect(about, &QAction::triggered, this, &Form2::showAbout);
}

void Form2::Load(frmAbout* splashWindow) {
    // The splash may be closed by the user while the load step lets events run.
    const QPointer<frmAbout> splash = splashWindow;
    // The timers run from the moment the window is loaded; ticks queued meanwhile are
    // served wherever the load step lets events run.
    statusPanel_->tmrStatus()->start();
    controlPage_->tmrControl()->start();
    registersPage_->tmrRegisterScan()->start();
    PartVariables::IniFileName = "VarenthalEV.ini";
    PartVariables::WriteDelay = PartVariables::writeDelayFromText(PartVariables::ReadIniString(
        "system", "Write Delay", "0.07", settingsFilePath(PartVariables::IniFileName)));

    if (!frmUSB::Get().OpenFirstFreeDevice()) {
        QMessageBox box(QMessageBox::NoIcon, kApplicationTitle,
                        QStringLiteral("USB Error. Insure USB cable is connected and Driver is "
                                       "working"),
                        QMessageBox::Ok, this);
        box.exec();
    }
    PartVariables::I2CSlaveAddress = 32;
    PartVariables::bScanEnabled = true;
    // Enabling a running timer leaves its rhythm alone.
    if (!registersPage_->tmrRegisterScan()->isActive()) registersPage_->tmrRegisterScan()->start();

    setFixedSize(Twips(kWidthTwips), Twips(kHeightTwips));
    move(0, 0);
    InitializeControlPage();
    Miscellaneous::CenterForm(this);
    ReadAllRegisters();
    delete splash.data();  // unloads it: its state is gone, the next "&About" starts afresh
}

void Form2::closeEvent(QCloseEvent* event) {
    // A second close (a signal, say) while the first waits for a pulse to end must not close
    // the adapter under it.
    if (closing_) {
        event->ignore();
        return;
    }
    closing_ = true;
    // Nothing may leave the chip armed or the programming voltage on.
    eepromPage_->shutdownForClose();
    frmUSB::Get().CloseDevice();
    event->accept();
    if (endProgram_) endProgram_();
    closing_ = false;  // only when the program goes on (tests)
}

void Form2::onTabClicked(int index) {
    eepromPage_->hideProgress();
    if (index == kTabControl) {
        InitializeControlPage();
        controlPage_->tmrControl()->start();
        setFileItemsEnabled(false);
    } else if (index == kTabEeprom) {
        controlPage_->tmrControl()->stop();
        InitializeEepromPage(false);
        setFileItemsEnabled(true);
    } else {
        setFileItemsEnabled(false);
    }
}

void Form2::setFileItemsEnabled(bool enabled) {
    // Not while the EEPROM page is programming, previewing or saving: they would interleave.
    enabled = enabled && !eepromPage_->isBusy();
    mnuFileSaveEeprom_->setEnabled(enabled);
    mnuFileOpenEeprom_->setEnabled(enabled);
}

void Form2::setSimulatedChip(std::shared_ptr<SimulatedChip> chip) {
    installSimulatorMenu(this, std::move(chip));
}

void Form2::showRegistersDialog() {
    if (!registersDialog_) {
        registersDialog_ = new frmRegisters(this);
        registersDialog_->setAttribute(Qt::WA_DeleteOnClose);  // closing discards it
    }
    registersDialog_->show();
    registersDialog_->raise();
    registersDialog_->activateWindow();
}

void Form2::showMonitor() {
    if (!monitor_) {
        // Closing deletes it, and with it the connection: no sampling while it is closed.
        monitor_ = new MonitorWindow(this);
        connect(statusPanel_, &StatusPanel::statusRead, monitor_, &MonitorWindow::statusRead);
        monitor_->setHoldOff([page = QPointer<EepromPage>(eepromPage_)] {
            return page && page->isBusy();
        });
    }
    monitor_->show();
    monitor_->raise();
    monitor_->activateWindow();
}

void Form2::showAbout() {
    if (!about_) about_ = new frmAbout();
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void Form2::InitializeControlPage() { controlPage_->InitializeControlPage(); }
void Form2::SetControlMode() { controlPage_->SetControlMode(); }
void Form2::InitializeEepromPage(bool bFromEepromFile,
                                 const std::optional<std::array<std::uint8_t, 5>>& yFileData) {
    eepromPage_->InitializeEepromPage(bFromEepromFile, yFileData);
}
bool Form2::ConvertEepromControlsToBytes() { return eepromPage_->ConvertEepromControlsToBytes(); }
void Form2::ReadAllRegisters() { registersPage_->ReadAllRegisters(); }
