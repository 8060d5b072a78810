#pragma once
// The main window: top band, tab strip with the three pages, status panel, menus and the
// communication status line. Its load step starts the program's work.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QTabWidget;
class ControlPage;
class EepromPage;
class RegistersPage;
class StatusPanel;
class frmAbout;
class SimulatedChip;
class frmRegisters;
class MonitorWindow;

class Form2 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);
    ~Form2() override;

    // The load step: settings, adapter, first reads. `splash` is unloaded at its end.
    void Load(frmAbout* splash = nullptr);

    // What the close step does last; by default the process ends at once.
    void setEndProgram(std::function<void()> end) { endProgram_ = std::move(end); }
    // When the simulator is the adapter: adds the Simulator menu and the simulated-chip mark.
    void setSimulatedChip(std::shared_ptr<SimulatedChip> chip);

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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void onTabClicked(int index);
    void setFileItemsEnabled(bool enabled);
    void showRegistersDialog();
    void showMonitor();
    void showAbout();

    QLabel* lblCommStatus_ = nullptr;
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
    bool closing_ = false;
};
