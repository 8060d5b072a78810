#include "cli/chip_session.h"

#include "app/part_variables.h"
#include "chip/register_map.h"
#include "link/frm_usb.h"

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
