#include "cli/chip_session.h"

#include "core/chip/register_map.h"

namespace cli {

ChipSession::ChipSession(const AdapterOptions& options)
    : setup_(prepareAdapter(options)), bus_(setup_.makeAdapter()) {
    bus_.I2CSlaveAddress = chip::kDeviceAddress;
}

ChipSession::~ChipSession() {
    if (open_) bus_.CloseDevice();
}

bool ChipSession::open() {
    open_ = bus_.OpenFirstFreeDevice();
    return open_;
}

}  // namespace cli
