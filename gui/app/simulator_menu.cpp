#include "gui/app/simulator_menu.h"

#include <QInputDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <utility>

#include "core/link/miscellaneous.h"
#include "core/sim/simulated_chip.h"
#include "gui/widgets/fill_colour.h"

namespace {

struct ConditionItem {
    SimCondition condition;
    const char* text;
};

// Menu texts of the conditions; "unplugged" is the separate "Unplug adapter" item.
constexpr ConditionItem kConditionItems[] = {
    {SimCondition::Ov, "&Over-voltage (OV)"},
    {SimCondition::Uv, "&Under-voltage (UV)"},
    {SimCondition::Ocd, "Over-&current in discharge (OCD)"},
    {SimCondition::Scd, "&Short circuit (SCD)"},
    {SimCondition::OvTemp, "Over-&temperature (OVTEMP)"},
    {SimCondition::VgoodLow, "Supply not &good (VGOOD low)"},
    {SimCondition::ProgramFails, "EEPROM &programming fails (PFALT)"},
    {SimCondition::StuckBit, "EEPROM stuck &bit"},
    {SimCondition::PulseStuck, "Programming &voltage stuck on"},
    {SimCondition::NoVpp, "&No programming voltage at the chip"},
};

QString actionName(SimCondition condition) {
    return QStringLiteral("mnuSimFault_") +
           QString::fromLatin1(simConditionName(condition).data(),
                               static_cast<int>(simConditionName(condition).size()));
}

}  // namespace

SimulatorMenu::SimulatorMenu(std::shared_ptr<SimulatedChip> chip, QWidget* parent)
    : QMenu(QStringLiteral("&Simulator"), parent), chip_(std::move(chip)) {
    setObjectName(QStringLiteral("mnuSimulator"));
    for (const ConditionItem& item : kConditionItems) {
        QAction* action = addAction(QString::fromUtf8(item.text));
        action->setObjectName(actionName(item.condition));
        action->setCheckable(true);
        const SimCondition condition = item.condition;
        connect(action, &QAction::triggered, this,
                [this, condition](bool on) { chip_->setCondition(condition, on); });
    }
    nak_ = addAction(QString());
    nak_->setObjectName(QStringLiteral("mnuSimFault_nak"));
    nak_->setCheckable(true);
    connect(nak_, &QAction::triggered, this, &SimulatorMenu::onNakToggled);

    addSeparator();
    QAction* powerCycle = addAction(QStringLiteral("Po&wer cycle chip"));
    powerCycle->setObjectName(QStringLiteral("mnuSimPowerCycle"));
    connect(powerCycle, &QAction::triggered, this, [this] { chip_->powerCycle(); });

    QAction* unplug = addAction(QStringLiteral("Unplug &adapter"));
    unplug->setObjectName(QStringLiteral("mnuSimUnplug"));
    unplug->setCheckable(true);
    connect(unplug, &QAction::triggered, this,
            [this](bool on) { chip_->setCondition(SimCondition::Unplugged, on); });

    syncFromChip();
    connect(this, &QMenu::aboutToShow, this, &SimulatorMenu::syncFromChip);
}

void SimulatorMenu::syncFromChip() {
    for (const ConditionItem& item : kConditionItems) {
        if (auto* action = findChild<QAction*>(actionName(item.condition))) {
            action->setChecked(chip_->condition(item.condition));
        }
    }
    if (auto* unplug = findChild<QAction*>(QStringLiteral("mnuSimUnplug"))) {
        unplug->setChecked(chip_->condition(SimCondition::Unplugged));
    }
    nak_->setChecked(!chip_->nakRegisters().empty() || !chip_->nakOnce().empty());
    updateNakText();
}

void SimulatorMenu::onNakToggled(bool checked) {
    if (!checked) {
        for (std::uint8_t address : std::set<std::uint8_t>(chip_->nakRegisters())) {
            chip_->setNak(address, false);
        }
        chip_->clearNakOnce();
        updateNakText();
        return;
    }
    bool ok = false;
    const QString text = QInputDialog::getText(
        parentWidget(), QStringLiteral("Simulator"),
        QStringLiteral("Register that does not acknowledge (hex, 00 to FF; AA:N for only its "
                       "Nth transfer):"),
        QLineEdit::Normal, QStringLiteral("00"), &ok);
    const std::optional<SimFault> fault =
        parseSimFault(QStringLiteral("nak=%1").arg(text.trimmed()).toStdString());
    if (ok && fault) {
        chip_->apply(*fault);
    } else if (ok) {
        QMessageBox::warning(parentWidget(), QStringLiteral("Simulator"),
                             QStringLiteral("\"%1\" is not a register address.").arg(text));
    }
    nak_->setChecked(!chip_->nakRegisters().empty() || !chip_->nakOnce().empty());
    updateNakText();
}

void SimulatorMenu::updateNakText() {
    QStringList registers;
    for (std::uint8_t address : chip_->nakRegisters())
        registers << QString::fromStdString(Miscellaneous::ByteToHex(address));
    // AA:N as on the command line, N counting from now.
    for (const auto& [address, left] : chip_->nakOnce())
        registers << QStringLiteral("%1:%2")
                         .arg(QString::fromStdString(Miscellaneous::ByteToHex(address)))
                         .arg(left);
    nak_->setText(registers.isEmpty()
                      ? QStringLiteral("&NAK transfers to a register...")
                      : QStringLiteral("&NAK transfers to register %1").arg(registers.join(", ")));
}

void installSimulatorMenu(QMainWindow* window, std::shared_ptr<SimulatedChip> chip) {
    if (!chip) return;
    QMenuBar* bar = window->menuBar();
    auto* menu = new SimulatorMenu(std::move(chip), bar);
    const auto* help = bar->findChild<QMenu*>(QStringLiteral("mnuHelp"));
    if (help) {
        bar->insertMenu(help->menuAction(), menu);
    } else {
        bar->addMenu(menu);
    }
    // A permanent mark, so that nobody takes the lamps for a real chip's.
    auto* mark = new QLabel(QStringLiteral("Simulated chip"), bar);
    mark->setObjectName(QStringLiteral("lblSimulatedChip"));
    mark->setContentsMargins(8, 0, 8, 0);
    fillcolour::applyAccent(mark, QColor(0x8a, 0x4b, 0x00));
    bar->setCornerWidget(mark, Qt::TopRightCorner);
    mark->show();  // the menu bar may be on show already: a new child stays hidden otherwise
}

void showSimulatorMenu(QMainWindow* window, bool shown) {
    QMenuBar* bar = window->menuBar();
    if (auto* menu = bar->findChild<SimulatorMenu*>()) menu->menuAction()->setVisible(shown);
    if (auto* mark = bar->findChild<QLabel*>(QStringLiteral("lblSimulatedChip")))
        mark->setVisible(shown);
}
