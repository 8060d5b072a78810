#include "pages/eeprom/eeprom_page.h"

EepromPage::EepromPage(QWidget* parent) : QWidget(parent) {}

void EepromPage::InitializeEepromPage(bool, const std::optional<std::array<std::uint8_t, 5>>&) {}
bool EepromPage::ConvertEepromControlsToBytes() {
    return false;
}
void EepromPage::hideProgress() {}
void EepromPage::shutdownForClose() {}
void EepromPage::mnuFileSaveEeprom_Click() {}
void EepromPage::mnuFileOpenEeprom_Click() {}
