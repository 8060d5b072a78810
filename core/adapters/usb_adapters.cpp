#include "core/adapters/usb_adapters.h"

#include "core/adapters/hid_adapter.h"

UsbAdapters::UsbAdapters(std::unique_ptr<Talvex> i2cDev, std::unique_ptr<Talvex> hid)
    : i2cDev_(std::move(i2cDev)), hid_(std::move(hid)) {}

std::int32_t UsbAdapters::listFreeDevices(std::int32_t kind, std::int32_t& count,
                                          std::string& names) {
    std::int32_t busCount = 0, hidCount = 0;
    std::string buses, bridges;
    const std::int32_t rc = i2cDev_->listFreeDevices(kind, busCount, buses);
    hid_->listFreeDevices(kind, hidCount, bridges);
    count = (busCount > 0 ? busCount : 0) + (hidCount > 0 ? hidCount : 0);
    names = busCount > 0 ? buses : "";
    if (hidCount > 0) names += (names.empty() ? "" : ",") + bridges;
    listedNothing_ = count == 0;
    return rc;
}

std::int32_t UsbAdapters::open(const std::string& name) {
    close();
    listedNothing_ = false;
    usingHid_ = name.rfind(kHidPrefix, 0) == 0;
    return current().open(name);
}

void UsbAdapters::close() {
    i2cDev_->close();
    hid_->close();
}

std::int32_t UsbAdapters::transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                                   std::int16_t& c) {
    return current().transfer(selector, a, b, c);
}

std::int32_t UsbAdapters::holdPulseLine(std::string& reason) {
    return current().holdPulseLine(reason);
}

std::string UsbAdapters::lastFailure() const {
    if (!listedNothing_) return (usingHid_ ? *hid_ : *i2cDev_).lastFailure();
    return i2cDev_->lastFailure() + "; " + hid_->lastFailure();
}
