#pragma once
// The chip's registers as constant data: addresses, shown names, bit names, kinds and the
// positions of the fields. Pages, preview, files and the command line all read this table.

#include <array>
#include <cstdint>
#include <string_view>

namespace chip {

enum class RegisterKind { Status, Control, EepromConfig, Programming };

struct RegisterInfo {
    std::uint8_t address;
    std::string_view name;                 // as the program shows it
    RegisterKind kind;
    std::array<std::string_view, 8> bits;  // index = bit number (bits[7] is B7)
};

// Register addresses.
inline constexpr std::uint8_t STATUS = 0x00;
inline constexpr std::uint8_t OUTPUT_CNTRL = 0x01;
inline constexpr std::uint8_t STATE_CNTRL = 0x02;
inline constexpr std::uint8_t FNCTN_CNTRL = 0x03;
inline constexpr std::uint8_t CELL_BALANCE = 0x04;
inline constexpr std::uint8_t CELL_SEL = 0x05;
inline constexpr std::uint8_t OV_CFG = 0x06;
inline constexpr std::uint8_t UV_LEVEL = 0x07;
inline constexpr std::uint8_t OCV_UV_DELAY = 0x08;
inline constexpr std::uint8_t OCDELAY = 0x09;
inline constexpr std::uint8_t SCD_CFG = 0x0A;
inline constexpr std::uint8_t EEPROM_PROGRAM = 0x0B;

inline constexpr std::uint8_t kFirstShown = 0x00;
inline constexpr std::uint8_t kLastShown = 0x0A;
inline constexpr std::uint8_t kFirstControl = 0x01;
inline constexpr std::uint8_t kLastControl = 0x05;
inline constexpr std::uint8_t kFirstEeprom = 0x06;
inline constexpr std::uint8_t kLastEeprom = 0x0A;
inline constexpr int kEepromCount = 5;

// The chip's device address on the bus.
inline constexpr std::int16_t kDeviceAddress = 0x20;

// STATUS bits.
inline constexpr std::uint8_t kStatusSCD = 0x01;
inline constexpr std::uint8_t kStatusOCD = 0x02;
inline constexpr std::uint8_t kStatusOV = 0x04;
inline constexpr std::uint8_t kStatusUV = 0x08;
inline constexpr std::uint8_t kStatusOVTEMP = 0x10;
inline constexpr std::uint8_t kStatusVGOOD = 0x20;
inline constexpr std::uint8_t kStatusDSG = 0x40;
inline constexpr std::uint8_t kStatusCHG = 0x80;

// OUTPUT_CNTRL bits.
inline constexpr std::uint8_t kOutLTCLR = 0x01;
inline constexpr std::uint8_t kOutDSG = 0x02;
inline constexpr std::uint8_t kOutCHG = 0x04;
inline constexpr std::uint8_t kOutGPOD = 0x08;
inline constexpr std::uint8_t kOutPFALT = 0x40;
inline constexpr std::uint8_t kOutFS = 0x80;

// STATE_CNTRL bits.
inline constexpr std::uint8_t kStateSHDN = 0x01;
inline constexpr std::uint8_t kStateHOST = 0x02;
inline constexpr std::uint8_t kStateVGAIN = 0x40;
inline constexpr std::uint8_t kStateIGAIN = 0x80;

// UV_LEVEL flag bits.
inline constexpr std::uint8_t kUvFetDis = 0x40;
inline constexpr std::uint8_t kSocDis = 0x80;

// The arming bytes of the programming register, in the order they are written.
inline constexpr std::uint8_t kProgramArm1 = 0x71;
inline constexpr std::uint8_t kProgramArm2 = 0x41;

// A field of a register: `width` bits starting at bit `shift`.
struct Field {
    std::uint8_t address;
    std::uint8_t shift;
    std::uint8_t width;
    constexpr std::uint8_t mask() const {
        return static_cast<std::uint8_t>(((1U << width) - 1U) << shift);
    }
    constexpr std::uint8_t get(std::uint8_t value) const {
        return static_cast<std::uint8_t>((value & mask()) >> shift);
    }
    constexpr std::uint8_t put(std::uint8_t value, unsigned code) const {
        return static_cast<std::uint8_t>((value & ~mask()) | ((code << shift) & mask()));
    }
};

inline constexpr std::array<RegisterInfo, 11> kRegisters{{
    {STATUS, "STATUS", RegisterKind::Status,
     {"SCD", "OCD", "OV", "UV", "OVTEMP", "VGOOD", "DSG", "CHG"}},
    {OUTPUT_CNTRL, "OUTPUT_CNTRL", RegisterKind::Control,
     {"LTCLR", "DSG", "CHG", "GPOD", "RSVD", "RSVD", "PFALT", "FS"}},
    {STATE_CNTRL, "STATE_CNTRL", RegisterKind::Control,
     {"SHDN", "HOST", "RSVD", "RSVD", "RSVD", "RSVD", "VGAIN", "IGAIN"}},
    {FNCTN_CNTRL, "FNCTN_CNTRL", RegisterKind::Control,
     {"VAEN", "IAEN", "IACAL", "PACK", "BAT", "TOUT", "CBAL9", "CBAL10"}},
    {CELL_BALANCE, "CELL_BALANCE", RegisterKind::Control,
     {"CBAL1", "CBAL2", "CBAL3", "CBAL4", "CBAL5", "CBAL6", "CBAL7", "CBAL8"}},
    {CELL_SEL, "CELL_SEL", RegisterKind::Control,
     {"CELL1", "CELL2", "CELL3", "CELL4", "CAL0", "CAL1", "CAL2", "RSVD"}},
    {OV_CFG, "OV_CFG", RegisterKind::EepromConfig,
     {"OV0", "OV1", "OV2", "OVH0", "OVH1", "OVD0", "OVD1", "OVD2"}},
    {UV_LEVEL, "UV_LEVEL", RegisterKind::EepromConfig,
     {"UV0", "UV1", "UV2", "UV3", "UVH0", "UVH1", "UVFET_DIS", "SOC_DIS"}},
    {OCV_UV_DELAY, "OCV_UV DELAY", RegisterKind::EepromConfig,
     {"OCD0", "OCD1", "OCD2", "OCD3", "UVD0", "UVD1", "UVD2", "UVD3"}},
    {OCDELAY, "OCDELAY", RegisterKind::EepromConfig,
     {"OCDD0", "OCDD1", "OCDD2", "OCDD3", "OCDD4", "SOR", "ZVC", "CBEN"}},
    {SCD_CFG, "SCD_CFG", RegisterKind::EepromConfig,
     {"SCD0", "SCD1", "SCD2", "SCD3", "SCDD0", "SCDD1", "SCDD2", "SCDD3"}},
}};

// The shown register at `address` (0x00..0x0A); nullptr for any other address.
constexpr const RegisterInfo* findRegister(unsigned address) {
    return address <= kLastShown ? &kRegisters[address] : nullptr;
}

constexpr bool isControlRegister(unsigned address) {
    return address >= kFirstControl && address <= kLastControl;
}

// Control register fields.
inline constexpr Field kCellSelCell{CELL_SEL, 0, 4};
inline constexpr Field kCellSelCal{CELL_SEL, 4, 3};

// EEPROM configuration fields.
inline constexpr Field kOvThreshold{OV_CFG, 0, 3};
inline constexpr Field kOvHysteresis{OV_CFG, 3, 2};
inline constexpr Field kOvDelay{OV_CFG, 5, 3};
inline constexpr Field kUvThreshold{UV_LEVEL, 0, 4};
inline constexpr Field kUvHysteresis{UV_LEVEL, 4, 2};
inline constexpr Field kUvFetDisable{UV_LEVEL, 6, 1};
inline constexpr Field kSocDisable{UV_LEVEL, 7, 1};
inline constexpr Field kOcThreshold{OCV_UV_DELAY, 0, 4};
inline constexpr Field kUvDelay{OCV_UV_DELAY, 4, 4};
inline constexpr Field kOcDelay{OCDELAY, 0, 5};
inline constexpr Field kSor{OCDELAY, 5, 1};
inline constexpr Field kZvc{OCDELAY, 6, 1};
inline constexpr Field kCben{OCDELAY, 7, 1};
inline constexpr Field kScdThreshold{SCD_CFG, 0, 4};
inline constexpr Field kScdDelay{SCD_CFG, 4, 4};

}  // namespace chip
