#pragma once
// The main window: top band, tab strip with the three pages, status panel, menus and the
// communication status line. Its load step starts the program's work.

#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/adapters/bus_identity.h"

class QAction;
class QLabel;
class QScrollArea;
class Reconnector;
class QTabWidget;
class QTimer;
class ControlPage;
class EepromPage;
class RegistersPage;
class StatusPanel;
class frmAbout;
class SimulatedChip;
class frmRegisters;
class MonitorWindow;
class frmUSB;

class Form2 : public QMainWindow {
    Q_OBJECT
public:
    // `bus` is the chip's bus; it must outlive the window.
    explicit Form2(frmUSB& bus, QWidget* parent = nullptr);
    ~Form2() override;

    // The load step: settings, adapter, first reads. `splash` is unloaded at its end.
    void Load(frmAbout* splash = nullptr);

    // What the close step does last; by default the process ends at once.
    void setEndProgram(std::function<void()> end) { endProgram_ = std::move(end); }
    // When the simulator is the adapter: adds the Simulator menu and the simulated-chip mark.
    void setSimulatedChip(std::shared_ptr<SimulatedChip> chip);
    // When hardware is the adapter: the simulator on `chip` that I2C > Connect offers beside
    // it (the back-end is a WithSimulator on the same chip).
    void setStandbySimulator(std::shared_ptr<SimulatedChip> chip);

    // The start-up message's second line.
    static const QString kSimulatorHint;

    // Public operations of the main window.
    void InitializeControlPage();
    void SetControlMode();
    void InitializeEepromPage(bool bFromEepromFile,
                              const std::optional<std::array<std::uint8_t, 5>>& yFileData = {});
    bool ConvertEepromControlsToBytes();
    void ReadAllRegisters();

    ControlPage* controlPage() const { return controlPage_; }
    EepromPage* eepromPage() const { return eepromPage_; }
    RegistersPage* registersPage() const { return registersPage_; }
    StatusPanel* statusPanel() const { return statusPanel_; }

    // Read by the load step from the settings file.
    std::string IniFileName = "VarenthalEV.ini";
    float WriteDelay = 0.07F;  // seconds; read at start-up, never used afterwards

signals:
    // The bus's communication status text, for the status line.
    void commStatusChanged(const QString& text);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    // Sizes the window and its content for the screen it is on.
    void fitToScreen();
    void onTabClicked(int index);
    void onLinkChanged(bool lost);
    void setPagesLive(bool live);
    void connectAdapter(const std::string& name);
    // The start-up message, with the back-end's reason on a second line when it has one.
    void showAdapterError();
    void disconnectAdapter();
    // The adapter lost or disconnected by the user: nothing is read or written.
    bool linkDown() const;
    void setFileItemsEnabled(bool enabled);
    void showRegistersDialog();
    void showMonitor();
    void showAbout();

    frmUSB& bus_;
    QScrollArea* scroll_ = nullptr;
    QSize frameExtra_;
    QLabel* lblCommStatus_ = nullptr;
    QLabel* lblProgramResult_ = nullptr;
    Reconnector* reconnector_ = nullptr;
    bool userDisconnected_ = false;
    BusIdentity adapterIdentity_;  // of the adapter opened last, to find it again
    bool adapterOpened_ = false;
    std::vector<QPointer<QTimer>> stoppedTimers_;  // by "Disconnect", for "Connect"
    QTabWidget* SSTab1_ = nullptr;
    ControlPage* controlPage_ = nullptr;
    EepromPage* eepromPage_ = nullptr;
    RegistersPage* registersPage_ = nullptr;
    StatusPanel* statusPanel_ = nullptr;
    QAction* mnuFileSaveEeprom_ = nullptr;
    QAction* mnuFileOpenEeprom_ = nullptr;
    QPointer<frmAbout> about_;
    QPointer<frmRegisters> registersDialog_;
    QPointer<MonitorWindow> monitor_;
    std::function<void()> endProgram_;
    std::shared_ptr<SimulatedChip> standbyChip_;
    bool closing_ = false;
};
