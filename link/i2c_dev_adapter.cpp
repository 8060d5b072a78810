#include "link/i2c_dev_adapter.h"

// Placeholder until the i2c-dev back-end lands: no free devices, every transfer fails.
namespace {
class NoI2cDev final : public Talvex {
public:
    std::int32_t listFreeDevices(std::int32_t, std::int32_t& count, std::string& names) override {
        count = 0;
        names.clear();
        return 0;
    }
    std::int32_t open(const std::string&) override { return -1; }
    void close() override {}
    std::int32_t transfer(std::int32_t, std::int16_t&, std::int16_t&, std::int16_t&) override {
        return -1;
    }
};
}  // namespace

std::unique_ptr<Talvex> makeI2cDevAdapter(const std::string&, const std::string&) {
    return std::make_unique<NoI2cDev>();
}
