#include "cli/register_commands.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <iomanip>
#include <ostream>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/hex_argument.h"
#include "cli/json_values.h"
#include "core/adapters/bus_identity.h"
#include "core/chip/register_map.h"
#include "core/link/communication.h"
#include "core/link/frm_usb.h"
#include "core/link/miscellaneous.h"

namespace cli {
namespace {

using Miscellaneous::ByteToHex;

std::string failureText(const char* what, std::uint8_t address, std::int32_t rc) {
    return std::string(Communication::kCommStatusError) + " (" + what + " " + addressText(address) +
           ", rc=" + std::to_string(rc) + ")";
}

// The names of the set bits of `value`, B7 first.
std::vector<std::string> setBitNames(const chip::RegisterInfo& info, std::uint8_t value) {
    std::vector<std::string> names;
    for (int bit = 7; bit >= 0; --bit) {
        if (value & (1U << bit)) names.emplace_back(info.bits[bit]);
    }
    return names;
}

// {"address": 10, "address_hex": "0x0A", "value": 31, "value_hex": "0x1F"}
Json registerJson(std::uint8_t address, std::uint8_t value) {
    Json object = Json::object();
    putByte(object, "address", address);
    putByte(object, "value", value);
    return object;
}

// A listed device as the system knows it; null where it does not tell.
Json busJson(const std::string& device) {
    auto orNull = [](const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); };
    if (device == "sim") {
        return {{"bus", "sim"}, {"name", "simulator"}, {"usb_path", nullptr}, {"serial", nullptr}};
    }
    const BusIdentity id = identifyBus(device);
    return {{"bus", id.bus},
            {"name", orNull(id.name)},
            {"usb_path", orNull(id.usbPath)},
            {"serial", orNull(id.serial)}};
}

}  // namespace

bool readOrReport(std::uint8_t address, std::uint8_t& value, const Io& io) {
    value = 0;
    const std::int32_t rc = Communication::ReadRegister(address, value);
    if (rc == 0) return true;
    message(io, failureText("read", address, rc));
    noteFailure(io, "bus", address);
    return false;
}

int runList(Talvex& adapter, const Io& io) {
    std::int32_t count = 0;
    std::string names;
    const std::int32_t rc = adapter.listFreeDevices(1, count, names);
    std::vector<std::string> devices;
    for (std::size_t start = 0; count > 0 && start <= names.size();) {
        const std::size_t comma = std::min(names.find(',', start), names.size());
        if (comma > start) devices.push_back(names.substr(start, comma - start));
        start = comma + 1;
    }
    if (rc != 0 && devices.empty()) {
        message(io, "listing the adapters failed (rc=" + std::to_string(rc) + ")");
        return kExitChipFailed;
    }
    if (io.json) {
        Json buses = Json::array();
        for (const std::string& d : devices) buses.push_back(busJson(d));
        printJson(io, Json{{"adapters", devices}, {"buses", buses}});
    } else {
        for (const std::string& d : devices) io.out << d << '\n';
    }
    return kExitOk;
}

int runRead(std::uint8_t address, const Io& io) {
    std::uint8_t value = 0;
    if (!readOrReport(address, value, io)) return kExitChipFailed;
    if (io.json) {
        printJson(io, registerJson(address, value));
    } else {
        io.out << ByteToHex(value) << '\n';
    }
    return kExitOk;
}

bool writeNeedsConsent(std::uint8_t address) {
    return !chip::isControlRegister(address);
}

int runWrite(std::uint8_t address, std::uint8_t data, const Io& io) {
    std::int16_t nAddr = address;
    std::int16_t nWriteData = data;
    const std::int32_t rc = frmUSB::Get().I2CWriteByte(nAddr, nWriteData);
    if (rc != 0) {
        message(io, failureText("write", address, rc));
        noteFailure(io, "bus", address);
        return kExitChipFailed;
    }
    if (io.json) printJson(io, registerJson(address, data));
    return kExitOk;
}

int runDump(const Io& io) {
    std::vector<std::uint8_t> values;
    for (const chip::RegisterInfo& info : chip::kRegisters) {
        std::uint8_t value = 0;
        if (!readOrReport(info.address, value, io)) return kExitChipFailed;
        values.push_back(value);
    }
    Json registers = Json::array();
    for (std::size_t i = 0; i < values.size(); ++i) {
        const chip::RegisterInfo& info = chip::kRegisters[i];
        const std::uint8_t value = values[i];
        if (io.json) {
            Json entry = registerJson(info.address, value);
            entry["name"] = info.name;
            entry["bits"] = setBitNames(info, value);
            registers.push_back(entry);
            continue;
        }
        io.out << addressText(info.address) << "  " << std::left << std::setw(13)
               << std::string(info.name) << ByteToHex(value) << ' ';
        for (int bit = 7; bit >= 0; --bit) {
            io.out << ' ' << info.bits[bit] << '=' << ((value >> bit) & 1U);
        }
        io.out << '\n';
    }
    if (io.json) printJson(io, Json{{"registers", registers}});
    return kExitOk;
}

int runStatus(const Io& io) {
    std::uint8_t value = 0;
    if (!readOrReport(chip::STATUS, value, io)) return kExitChipFailed;
    const chip::RegisterInfo& info = *chip::findRegister(chip::STATUS);
    if (io.json) {
        Json object = Json::object();
        putByte(object, "value", value);
        // The lamps first, as the status panel shows them, then the two FET flags; the
        // flag names in lower case, as every JSON name.
        for (const std::uint8_t mask :
             {chip::kStatusVGOOD, chip::kStatusOVTEMP, chip::kStatusUV, chip::kStatusOV,
              chip::kStatusOCD, chip::kStatusSCD, chip::kStatusDSG, chip::kStatusCHG}) {
            const int bit = std::countr_zero(mask);
            std::string name(info.bits[bit]);
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            object[name] = (value & mask) != 0;
        }
        printJson(io, object);
        return kExitOk;
    }
    io.out << "STATUS " << ByteToHex(value) << ':';
    const std::vector<std::string> names = setBitNames(info, value);
    for (const std::string& name : names) io.out << ' ' << name;
    if (names.empty()) io.out << " no flag set";
    io.out << '\n';
    return kExitOk;
}

}  // namespace cli
