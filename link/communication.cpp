#include "link/communication.h"

#include <utility>

#include "chip/register_map.h"
#include "link/frm_usb.h"
#include "link/programming_state.h"

namespace Communication {
namespace {
CommStatusListener& listener() {
    static CommStatusListener l;
    return l;
}
bool& programRegisterArmed() {
    static bool armed = false;
    return armed;
}
bool& voltageMayBeOn() {
    static bool on = false;
    return on;
}
}  // namespace

std::int32_t ReadRegister(std::uint8_t address, std::uint8_t& data) {
    std::int16_t nAddr = address;
    std::int16_t nReadData = data;
    const std::int32_t rc = frmUSB::Get().I2CReadByte(nAddr, nReadData, data);
    ShowCommStatus(rc);
    return rc;
}

std::int32_t WriteRegister(std::uint8_t address, std::uint8_t data) {
    if (!ProgrammingState::WriteAllowed()) return kWriteRefused;
    std::int16_t nAddr = address;
    std::int16_t nWriteData = data;
    const std::int32_t rc = frmUSB::Get().I2CWriteByte(nAddr, nWriteData);
    if (address == chip::EEPROM_PROGRAM) {
        // Only answered writes count: a chip that did not take a value still holds the last.
        if (rc == 0) programRegisterArmed() = data != 0;
    }
    return rc;
}

std::int32_t WriteI2CBytes(std::int16_t& iByte2, std::int16_t& iByte3, std::int16_t& iByte4,
                           std::int16_t& iByte5) {
    const bool voltage = iByte2 == chip::kProgramArm2;
    const bool on = iByte3 != 0;
    const std::int32_t rc = frmUSB::Get().WriteI2C(iByte2, iByte3, iByte4, iByte5);
    // An "on" that failed may still have switched it; only an answered "off" counts.
    if (voltage && (on || rc == 0)) voltageMayBeOn() = on;
    return rc;
}

std::int32_t HoldPulseLine(std::string& reason) {
    return frmUSB::Get().Talvex1().holdPulseLine(reason);
}

bool ProgramRegisterArmed() {
    return programRegisterArmed();
}
bool ProgrammingVoltageMayBeOn() {
    return voltageMayBeOn();
}

void ShowCommStatus(std::int32_t code) {
    if (listener()) listener()(code != 0 ? kCommStatusError : kCommStatusOk);
}

void SetCommStatusListener(CommStatusListener l) { listener() = std::move(l); }

}  // namespace Communication
