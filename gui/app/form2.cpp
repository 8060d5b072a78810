#include "gui/app/form2.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/adapters/same_adapter.h"
#include "core/adapters/with_simulator.h"
#include "core/base/part_variables.h"
#include "core/base/settings_path.h"
#include "core/chip/register_map.h"
#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "core/link/programming_state.h"
#include "gui/app/connect_menu.h"
#include "gui/app/reconnector.h"
#include "gui/app/simulator_menu.h"
#include "gui/dialogs/frm_about.h"
#include "gui/dialogs/frm_registers.h"
#include "gui/monitor/monitor_window.h"
#include "gui/pages/control/control_page.h"
#include "gui/pages/eeprom/eeprom_page.h"
#include "gui/pages/registers/registers_page.h"
#include "gui/pages/registers/status_panel.h"
#include "gui/widgets/accessible_names.h"
#include "gui/widgets/artwork.h"
#include "gui/widgets/message_box_placement.h"
#include "gui/widgets/message_box_title.h"
#include "gui/widgets/miscellaneous_gui.h"
#include "gui/widgets/screen_fit.h"
#include "gui/widgets/text_room.h"

using Miscellaneous::Twips;

namespace {
constexpr int kWidthTwips = 12000;
constexpr int kHeightTwips = 9200;
constexpr int kTabTopTwips = 540;
constexpr int kTabWidthTwips = 9855;
constexpr int kTabHeightTwips = 7935;
constexpr int kPanelLeftTwips = 9840;
constexpr int kPanelTopTwips = 547;
constexpr int kTabControl = 0;
constexpr int kTabEeprom = 1;
constexpr int kTabRegisters = 2;

}  // namespace

const QString Form2::kSimulatorHint = QStringLiteral(
    "No hardware? Choose I2C > Connect > Built-in simulator, or start: varenthal --adapter sim");

Form2::Form2(frmUSB& bus, QWidget* parent) : QMainWindow(parent), bus_(bus) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Varenthal Evaluation Software"));
    setWindowIcon(artwork::icon());
    installMessageBoxTitle();
    installMessageBoxPlacement();

    // The content keeps its design size; on a screen too small for the window it scrolls.
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("scrForm2"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);  // no tab stop that shows nothing
    scroll_->horizontalScrollBar()->setAccessibleName(QStringLiteral("Scroll sideways"));
    scroll_->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll up and down"));
    auto* central = new QWidget;
    scroll_->setWidget(central);
    setCentralWidget(scroll_);

    auto* image1 = new QLabel(central);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(artwork::banner());
    image1->setGeometry(0, 0, Twips(2760), Twips(450));

    lblCommStatus_ = new QLabel(central);
    lblCommStatus_->setObjectName(QStringLiteral("lblCommStatus"));
    lblCommStatus_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblCommStatus_->setGeometry(Twips(8280), Twips(120), Twips(3495), Twips(255));

    // The comm-status line changes with every read; the result of a programming run stays
    // in the top band until the next run, on up to two lines.
    lblProgramResult_ = new QLabel(central);
    lblProgramResult_->setObjectName(QStringLiteral("lblProgramResult"));
    lblProgramResult_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblProgramResult_->setWordWrap(true);
    lblProgramResult_->setGeometry(Twips(2760 + 240), Twips(15), Twips(8280 - 2760 - 360),
                                   Twips(kTabTopTwips - 30));

    SSTab1_ = new QTabWidget(central);
    SSTab1_->setObjectName(QStringLiteral("SSTab1"));
    SSTab1_->setGeometry(0, Twips(kTabTopTwips), Twips(kTabWidthTwips), Twips(kTabHeightTwips));

    const Communication comm(bus_);
    statusPanel_ = new StatusPanel(comm, central);
    statusPanel_->setObjectName(QStringLiteral("Picture2"));
    statusPanel_->setGeometry(Twips(kPanelLeftTwips), Twips(kPanelTopTwips), Twips(2055),
                              Twips(kTabHeightTwips));

    controlPage_ = new ControlPage(comm, statusPanel_->tmrStatus());
    Miscellaneous::DisableWhileProgramming(controlPage_,
                                           bus_.programming());  // every control on it writes
    controlPage_->setObjectName(QStringLiteral("picControl"));
    eepromPage_ = new EepromPage(comm, this);
    eepromPage_->setObjectName(QStringLiteral("picEeprom"));
    eepromPage_->setStatusTimer(statusPanel_->tmrStatus());
    connect(eepromPage_, &EepromPage::vgoodLampChanged, statusPanel_, &StatusPanel::setVgoodLamp);
    registersPage_ = new RegistersPage(comm);
    registersPage_->setObjectName(QStringLiteral("picRegisters"));
    SSTab1_->addTab(controlPage_, QStringLiteral("Control"));
    SSTab1_->addTab(eepromPage_, QStringLiteral("EEPROM"));
    SSTab1_->addTab(registersPage_, QStringLiteral("Registers"));
    SSTab1_->setCurrentIndex(kTabRegisters);

    buildMenus();
    accessiblenames::nameFromBuddies(central);

    fitToScreen();

    // Only an adapter that was there at start-up is looked after; without one the program
    // goes on without, as ever.
    reconnector_ = new Reconnector(
        [this] {
            bus_.CloseDevice();
            // The same adapter only: another bridge plugged in meanwhile is not ours to take.
            if (!reopenSameAdapter(bus_, adapterIdentity_)) return false;
            std::uint8_t status = 0;
            return Communication(bus_).ReadRegister(chip::STATUS, status) == 0;
        },
        bus_.programming(), this);
    connect(reconnector_, &Reconnector::disconnectedChanged, this, &Form2::onLinkChanged);

    connect(this, &Form2::commStatusChanged, lblCommStatus_, &QLabel::setText);
    connect(this, &Form2::commStatusChanged, lblCommStatus_,
            [this] { textroom::widen(lblCommStatus_); });
    bus_.setStatusListener([this](std::string_view text) {
        if (adapterOpened_) reconnector_->readResult(text == Communication::kCommStatusOk);
        emit commStatusChanged(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    });
    connect(SSTab1_, &QTabWidget::currentChanged, this, &Form2::onTabClicked);
    connect(eepromPage_, &EepromPage::programmingStarted, lblProgramResult_, &QLabel::clear);
    // The read-back after the pulse reads the registers just loaded; it cannot show what the
    // EEPROM took, so the line claims no more.
    connect(eepromPage_, &EepromPage::programmedRegistersReadBack, this, [this] {
        lblProgramResult_->setText(
            QStringLiteral("Programmed at %1: the registers read back right.\n"
                           "A power cycle and Verify check the EEPROM itself.")
                .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    });

    endProgram_ = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
}

Form2::~Form2() {
    bus_.setStatusListener({});
}

void Form2::buildMenus() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileSaveEeprom_ = mnuFile->addAction(QStringLiteral("&Save EEPROM data"));
    mnuFileSaveEeprom_->setObjectName(QStringLiteral("mnuFileSaveEeprom"));
    mnuFileSaveEeprom_->setShortcut(QKeySequence::Save);  // only while the item is enabled
    mnuFileOpenEeprom_ = mnuFile->addAction(QStringLiteral("&Open EEPROM data"));
    mnuFileOpenEeprom_->setObjectName(QStringLiteral("mnuFileOpenEeprom"));
    mnuFileOpenEeprom_->setShortcut(QKeySequence::Open);
    eepromPage_->setFileMenuItems(mnuFileSaveEeprom_, mnuFileOpenEeprom_);
    setFileItemsEnabled(false);
    connect(mnuFileSaveEeprom_, &QAction::triggered, eepromPage_,
            &EepromPage::mnuFileSaveEeprom_Click);
    connect(mnuFileOpenEeprom_, &QAction::triggered, eepromPage_,
            &EepromPage::mnuFileOpenEeprom_Click);

    QMenu* mnuI2C = menuBar()->addMenu(QStringLiteral("&I2C"));
    mnuI2C->setObjectName(QStringLiteral("mnuI2C"));
    QAction* readWrite = mnuI2C->addAction(QStringLiteral("&Read and Write Registers"));
    readWrite->setObjectName(QStringLiteral("mnuReadWriteI2C"));
    connect(readWrite, &QAction::triggered, this, &Form2::showRegistersDialog);
    installConnectMenu(
        mnuI2C, bus_, [this](const std::string& name) { connectAdapter(name); },
        [this] { disconnectAdapter(); }, [this] { return standbyChip_ != nullptr; });

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
    IniFileName = "VarenthalEV.ini";
    WriteDelay = PartVariables::writeDelayFromText(PartVariables::ReadIniString(
        "system", "Write Delay", "0.07", settingsFilePath(IniFileName)));

    adapterOpened_ = bus_.OpenFirstFreeDevice();
    if (adapterOpened_) adapterIdentity_ = identifyBus(bus_.openedName());
    if (!adapterOpened_) showAdapterError();
    bus_.I2CSlaveAddress = 32;
    registersPage_->bScanEnabled = true;
    // Enabling a running timer leaves its rhythm alone.
    if (!registersPage_->tmrRegisterScan()->isActive()) registersPage_->tmrRegisterScan()->start();

    move(0, 0);
    fitToScreen();
    InitializeControlPage();
    Miscellaneous::CenterForm(this);
    ReadAllRegisters();
    delete splash.data();  // unloads it: its state is gone, the next "&About" starts afresh
}

void Form2::fitToScreen() {
    // A wide style may need more room than the design for the pages; they are never cut.
    const int tabWidth = std::max(Twips(kTabWidthTwips), SSTab1_->minimumSizeHint().width());
    const int tabHeight = std::max(Twips(kTabHeightTwips), SSTab1_->minimumSizeHint().height());
    const int panelLeft = tabWidth - Twips(kTabWidthTwips - kPanelLeftTwips);
    const QSize controls(panelLeft + statusPanel_->width(), Twips(kTabTopTwips) + tabHeight);
    // The menu bar as high as the window's layout makes it: with its size hint, a pixel short
    // under the Windows style, the pages scrolled by that pixel both ways.
    const int menu =
        screenfit::menuBarHeight(menuBar(), std::max(Twips(kWidthTwips), controls.width()));
    const QSize wanted =
        QSize(Twips(kWidthTwips), Twips(kHeightTwips)).expandedTo(controls + QSize(0, menu));
    frameExtra_ = screenfit::frameExtra(this);
    const QSize client = screenfit::clientSize(wanted, controls + QSize(0, menu), frameExtra_,
                                               screenfit::availableArea(this));

    // The tab strip and the status panel reach down to the window's bottom edge: no empty
    // band below them.
    QWidget* content = scroll_->widget();
    content->resize(wanted.width(), wanted.height() - menu);
    SSTab1_->setGeometry(0, Twips(kTabTopTwips), tabWidth, content->height() - Twips(kTabTopTwips));
    statusPanel_->setGeometry(panelLeft, Twips(kPanelTopTwips), statusPanel_->width(),
                              content->height() - Twips(kPanelTopTwips));
    // The size is fixed; dragging the border cannot change it.
    setFixedSize(client);
}

bool Form2::event(QEvent* event) {
    // The frame is known only once the window manager has framed the window.
    const bool framed = event->type() == QEvent::Show || event->type() == QEvent::Move;
    const bool result = QMainWindow::event(event);
    if (framed && screenfit::frameExtra(this) != frameExtra_) fitToScreen();
    return result;
}

void Form2::setPagesLive(bool live) {
    // Stale values show greyed, and nothing can be written to a chip that is not there.
    for (QWidget* w :
         {static_cast<QWidget*>(controlPage_), static_cast<QWidget*>(eepromPage_),
          static_cast<QWidget*>(registersPage_), static_cast<QWidget*>(statusPanel_)}) {
        w->setEnabled(live);
    }
}

void Form2::disconnectAdapter() {
    if (bus_.programming().Active()) return;  // the sequence owns the adapter until its end
    reconnector_->reset();
    adapterOpened_ = false;
    userDisconnected_ = true;
    bus_.CloseDevice();
    // Greying the pages first: a register box that loses the focus to it restarts the scan,
    // which is then stopped with the rest and resumes with them on "Connect".
    setPagesLive(false);
    // No traffic at all until the user connects again.
    for (QTimer* timer : {statusPanel_->tmrStatus(), controlPage_->tmrControl(),
                          registersPage_->tmrRegisterScan()}) {
        if (timer->isActive()) {
            timer->stop();
            stoppedTimers_.push_back(timer);
        }
    }
    lblProgramResult_->setText(QStringLiteral("Adapter disconnected"));
}

void Form2::showAdapterError() {
    // The reason (no USB bus, permission, no chip) follows on a third line when the
    // back-end knows it.
    // The second line tells a first-time user without hardware how to go on.
    QString text = QStringLiteral("USB Error. Insure USB cable is connected and Driver is working");
    text += QLatin1Char('\n') + kSimulatorHint;
    const std::string reason = bus_.Talvex1().lastFailure();
    if (!reason.empty()) text += QLatin1Char('\n') + QString::fromStdString(reason);
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, QMessageBox::Ok, this);
    box.exec();
}

void Form2::connectAdapter(const std::string& name) {
    if (bus_.programming().Active()) return;
    reconnector_->reset();
    bus_.CloseDevice();
    adapterOpened_ = bus_.OpenDevice(name);
    if (adapterOpened_) adapterIdentity_ = identifyBus(name);
    // The Simulator menu and the "Simulated chip" mark go with the simulator.
    if (standbyChip_)
        showSimulatorMenu(this, adapterOpened_ && name == WithSimulator::kSimulatorName);
    if (!adapterOpened_) {
        showAdapterError();
        return;
    }
    userDisconnected_ = false;
    for (QTimer* timer : stoppedTimers_) {
        if (timer && !timer->isActive()) timer->start();
    }
    stoppedTimers_.clear();
    onLinkChanged(false);
}

void Form2::onLinkChanged(bool lost) {
    setPagesLive(!lost);
    if (lost) {
        lblProgramResult_->setText(QStringLiteral("Adapter lost: reconnecting..."));
        setFileItemsEnabled(false);  // the page's values are stale
        return;
    }
    lblProgramResult_->setText(QStringLiteral("Adapter connected at %1")
                                   .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    // The pages are read again as at start-up.
    InitializeControlPage();
    if (SSTab1_->currentIndex() == kTabEeprom) {
        InitializeEepromPage(false);
        setFileItemsEnabled(true);
    }
    ReadAllRegisters();
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
    bus_.CloseDevice();
    event->accept();
    if (endProgram_) endProgram_();
    closing_ = false;  // only when the program goes on (tests)
}

bool Form2::linkDown() const {
    return userDisconnected_ || reconnector_->disconnected();
}

void Form2::onTabClicked(int index) {
    eepromPage_->hideProgress();
    // Without an adapter the pages keep their stale values and are read on reconnection; the
    // Control page's timer still follows the tab, so the traffic afterwards is as ever.
    const bool live = !linkDown();
    QTimer* controlTimer = controlPage_->tmrControl();
    if (index == kTabControl) {
        if (live) InitializeControlPage();
        if (!userDisconnected_) {
            controlTimer->start();
        } else if (std::find(stoppedTimers_.begin(), stoppedTimers_.end(), controlTimer) ==
                   stoppedTimers_.end()) {
            stoppedTimers_.push_back(controlTimer);  // started by the next "Connect"
        }
        setFileItemsEnabled(false);
    } else if (index == kTabEeprom) {
        controlTimer->stop();
        std::erase(stoppedTimers_, controlTimer);
        if (live) InitializeEepromPage(false);
        setFileItemsEnabled(live);
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

void Form2::setStandbySimulator(std::shared_ptr<SimulatedChip> chip) {
    standbyChip_ = chip;
    installSimulatorMenu(this, std::move(chip));
    showSimulatorMenu(this, false);
}

void Form2::showRegistersDialog() {
    if (!registersDialog_) {
        registersDialog_ = new frmRegisters(Communication(bus_), this);
        registersDialog_->setLinkDown([this] { return linkDown(); });
        registersDialog_->setAttribute(Qt::WA_DeleteOnClose);  // closing discards it
    }
    registersDialog_->show();
    registersDialog_->raise();
    registersDialog_->activateWindow();
}

void Form2::showMonitor() {
    if (!monitor_) {
        // Closing deletes it, and with it the connection: no sampling while it is closed.
        monitor_ = new MonitorWindow(
            [comm = Communication(bus_)](std::uint8_t address, std::uint8_t& value) {
                return comm.ReadRegister(address, value);
            },
            this);
        connect(statusPanel_, &StatusPanel::statusRead, monitor_, &MonitorWindow::statusRead);
        monitor_->setHoldOff(
            [page = QPointer<EepromPage>(eepromPage_)] { return page && page->isBusy(); });
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

void Form2::InitializeControlPage() {
    controlPage_->InitializeControlPage();
}
void Form2::SetControlMode() {
    controlPage_->SetControlMode();
}
void Form2::InitializeEepromPage(bool bFromEepromFile,
                                 const std::optional<std::array<std::uint8_t, 5>>& yFileData) {
    eepromPage_->InitializeEepromPage(bFromEepromFile, yFileData);
}
bool Form2::ConvertEepromControlsToBytes() {
    return eepromPage_->ConvertEepromControlsToBytes();
}
void Form2::ReadAllRegisters() {
    registersPage_->ReadAllRegisters();
}
