#pragma once
// The "Simulator" menu of the main window, present only when the simulator is the adapter:
// a checkable item per fault condition, "Power cycle chip" and "Unplug adapter", so that a
// user can watch the lamps, the status line and the programming messages react.

#include <QMenu>
#include <memory>

class QAction;
class QMainWindow;
class SimulatedChip;

class SimulatorMenu : public QMenu {
    Q_OBJECT
public:
    SimulatorMenu(std::shared_ptr<SimulatedChip> chip, QWidget* parent = nullptr);

    // Sets the check marks from the chip's present conditions.
    void syncFromChip();

private:
    void onNakToggled(bool checked);
    void updateNakText();

    std::shared_ptr<SimulatedChip> chip_;
    QAction* nak_ = nullptr;
};

// Adds the Simulator menu before the Help menu of `window` and marks the window as running
// on a simulated chip. Does nothing when `chip` is empty.
void installSimulatorMenu(QMainWindow* window, std::shared_ptr<SimulatedChip> chip);
// Shows or hides the Simulator menu and the mark, for a window that switches between
// hardware and the simulator.
void showSimulatorMenu(QMainWindow* window, bool shown);
