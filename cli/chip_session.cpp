#include "cli/chip_session.h"

#include "core/base/part_variables.h"
#include "core/chip/register_map.h"
#include "core/link/frm_usb.h"

namespace cli {

ChipSession::ChipSession(const AdapterOptions& options) : setup_(prepareAdapter(options)) {
    frmUSB::Reset();
    frmUSB::SetFactory([this] { return setup_.makeAdapter(); });
    PartVariables::I2CSlaveAddress = chip::kDeviceAddress;
}

ChipSession::~ChipSession() {
    if (open_) frmUSB::Get().CloseDevice();
    frmUSB::Reset();
    frmUSB::SetFactory({});
}

bool ChipSession::open() {
    open_ = frmUSB::Get().OpenFirstFreeDevice();
    return open_;
}

Talvex& ChipSession::adapter() {
    return frmUSB::Get().Talvex1();
}

}  // namespace cli
