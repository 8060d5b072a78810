#include "core/link/frm_usb.h"

#include <string>

#include "core/chip/register_map.h"

namespace {

// Stands in when no adapter was given: every operation fails.
class AbsentAdapter final : public Talvex {
public:
    std::int32_t listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) override {
        count = 0;
        names.clear();
        return -1;
    }
    std::int32_t open(const std::string&) override { return -1; }
    void close() override {}
    std::int32_t transfer(std::int32_t, std::int16_t&, std::int16_t&, std::int16_t&) override {
        return -1;
    }
};

// Results reach the callers as 16-bit codes. A wide code whose low half is zero would read
// as success after a plain cast, so such a code becomes -1 instead.
std::int32_t resultCode(std::int32_t rc) {
    const auto narrow = static_cast<std::int16_t>(rc);
    return (rc != 0 && narrow == 0) ? -1 : narrow;
}

}  // namespace

frmUSB::frmUSB(std::unique_ptr<Talvex> adapter)
    : talvex1_(adapter ? std::move(adapter) : std::make_unique<AbsentAdapter>()) {}

frmUSB::~frmUSB() = default;

bool frmUSB::OpenFirstFreeDevice() {
    std::int32_t count = 0;
    std::string names;
    talvex1_->listFreeDevices(1, count, names);  // its result is not relied upon
    if (count < 1) return false;
    return OpenDevice(names.substr(0, names.find(',')));
}

bool frmUSB::OpenDevice(const std::string& name) {
    if (resultCode(talvex1_->open(name)) != 0) return false;
    openedName_ = name;
    return true;
}

void frmUSB::CloseDevice() {
    talvex1_->close();
}

std::int32_t frmUSB::I2CReadByte(std::int16_t& nAddr, std::int16_t& nReadData,
                                 std::uint8_t& yRetByte) {
    std::int16_t device = I2CSlaveAddress;
    const std::int32_t rc =
        resultCode(talvex1_->transfer(Talvex::kSelectorRead, device, nAddr, nReadData));
    // An adapter that hands back more than a byte keeps only its low eight bits.
    yRetByte = static_cast<std::uint8_t>(nReadData & 0xFF);
    return rc;
}

std::int32_t frmUSB::I2CWriteByte(std::int16_t& nAddr, std::int16_t& nWriteData) {
    std::int16_t device = I2CSlaveAddress;
    const std::int16_t address = nAddr, data = nWriteData;
    // An arming value counts as taken before it goes out: a write that is not answered, or
    // an adapter that throws after its transfer, may still have reached the chip. The
    // disarming 0x00 counts only once answered (as with the voltage).
    const bool programRegister = address == chip::EEPROM_PROGRAM;
    if (programRegister && data != 0) programRegisterArmed_ = true;
    const std::int32_t rc =
        resultCode(talvex1_->transfer(Talvex::kSelectorWrite, device, nAddr, nWriteData));
    if (programRegister && data == 0 && rc == 0) programRegisterArmed_ = false;
    return rc;
}

std::int32_t frmUSB::WriteI2C(std::int16_t& /*iByte2*/, std::int16_t& iByte3, std::int16_t& iByte4,
                              std::int16_t& iByte5) {
    const bool on = iByte3 != 0;
    // "On" is noted before the call: one that failed or threw may still have switched it.
    // Only an answered "off" counts.
    if (on) voltageMayBeOn_ = true;
    const std::int32_t rc =
        resultCode(talvex1_->transfer(Talvex::kSelectorPulse, iByte3, iByte4, iByte5));
    if (!on && rc == 0) voltageMayBeOn_ = false;
    return rc;
}
