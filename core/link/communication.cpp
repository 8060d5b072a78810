#include "core/link/communication.h"

#include <utility>

#include "core/link/frm_usb.h"
#include "core/link/programming_state.h"

namespace Communication {
namespace {
CommStatusListener& listener() {
    static CommStatusListener l;
    return l;
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
    return frmUSB::Get().I2CWriteByte(nAddr, nWriteData);
}

std::int32_t WriteI2CBytes(std::int16_t& iByte2, std::int16_t& iByte3, std::int16_t& iByte4,
                           std::int16_t& iByte5) {
    return frmUSB::Get().WriteI2C(iByte2, iByte3, iByte4, iByte5);
}

std::int32_t HoldPulseLine(std::string& reason) {
    return frmUSB::Get().Talvex1().holdPulseLine(reason);
}

bool ProgramRegisterArmed() {
    return frmUSB::Get().programRegisterArmed();
}
bool ProgrammingVoltageMayBeOn() {
    return frmUSB::Get().voltageMayBeOn();
}

void ShowCommStatus(std::int32_t code) {
    if (listener()) listener()(code != 0 ? kCommStatusError : kCommStatusOk);
}

void SetCommStatusListener(CommStatusListener l) { listener() = std::move(l); }

}  // namespace Communication
