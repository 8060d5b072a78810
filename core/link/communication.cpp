#include "core/link/communication.h"

std::int32_t Communication::ReadRegister(std::uint8_t address, std::uint8_t& data) const {
    std::int16_t nAddr = address;
    std::int16_t nReadData = data;
    const std::int32_t rc = bus_->I2CReadByte(nAddr, nReadData, data);
    ShowCommStatus(rc);
    return rc;
}

std::int32_t Communication::WriteRegister(std::uint8_t address, std::uint8_t data) const {
    if (!bus_->programming().WriteAllowed()) return kWriteRefused;
    std::int16_t nAddr = address;
    std::int16_t nWriteData = data;
    return bus_->I2CWriteByte(nAddr, nWriteData);
}

std::int32_t Communication::WriteI2CBytes(std::int16_t& iByte2, std::int16_t& iByte3,
                                          std::int16_t& iByte4, std::int16_t& iByte5) const {
    return bus_->WriteI2C(iByte2, iByte3, iByte4, iByte5);
}

std::int32_t Communication::HoldPulseLine(std::string& reason) const {
    return bus_->Talvex1().holdPulseLine(reason);
}

void Communication::ShowCommStatus(std::int32_t code) const {
    bus_->showStatus(code != 0 ? kCommStatusError : kCommStatusOk);
}
