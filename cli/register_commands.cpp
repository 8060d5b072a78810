#include "cli/register_commands.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <iomanip>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/hex_argument.h"
#include "cli/json_values.h"
#include "cli/run_log.h"
#include "core/adapters/bus_identity.h"
#include "core/adapters/hid_names.h"
#include "core/chip/register_map.h"
#include "core/link/communication.h"
#include "core/link/miscellaneous.h"

namespace cli {
namespace {

using Miscellaneous::ByteToHex;

// Whether a failed transfer was not acknowledged: the simulator's -1, the kernel's ENXIO
// or EREMOTEIO (which bus drivers use for a NAK). The hardware back-ends give Linux's
// numbers on every system.
bool noAnswer(std::int32_t rc, const Io& io) {
    constexpr std::int32_t kNoDevice = 6, kRemoteIo = 121;  // ENXIO, EREMOTEIO
    if (io.bus == "sim") return rc == -1;
    return rc == -kNoDevice || rc == -kRemoteIo;
}

void reportFailure(const char* what, std::uint8_t address, std::int32_t rc, const Io& io) {
    if (noAnswer(rc, io)) {
        message(io, "no answer from the chip at " + addressText(chip::kDeviceAddress) + " on " +
                        (io.bus.empty() ? "the bus" : io.bus) + " (" + what + " " +
                        addressText(address) + ")");
        noteFailure(io, "no_answer", address);
        return;
    }
    message(io, std::string(Communication::kCommStatusError) + " (" + what + " " +
                    addressText(address) + ", rc=" + std::to_string(rc) + ")");
    noteFailure(io, "bus", address);
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
        return {{"bus", "sim"},
                {"name", "simulator"},
                {"usb_path", nullptr},
                {"serial", nullptr},
                {"kind", "sim"}};
    }
    const BusIdentity id = identifyBus(device);
    return {{"bus", id.bus},
            {"name", orNull(id.name)},
            {"usb_path", orNull(id.usbPath)},
            {"serial", orNull(id.serial)},
            {"kind", device.rfind(kHidPrefix, 0) == 0 ? "hid" : "i2c-dev"}};
}

}  // namespace

bool readOrReport(const Communication& comm, std::uint8_t address, std::uint8_t& value,
                  const Io& io) {
    value = 0;
    const std::int32_t rc = comm.ReadRegister(address, value);
    if (rc == 0) return true;
    reportFailure("read", address, rc, io);
    return false;
}

int runList(Talvex& adapter, bool tellFailure, const Io& io) {
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
    // The i2c-dev back-end tells of an empty list itself, the hid back-end through its
    // failure; one that has nothing to tell is told of.
    if (devices.empty()) {
        if (tellFailure && !adapter.lastFailure().empty()) {
            message(io, adapter.lastFailure());
        } else if (adapter.lastFailure().empty()) {
            message(io, "no adapter found; --adapter sim is the built-in simulator");
        }
    }
    Json buses = Json::array();
    for (const std::string& d : devices) buses.push_back(busJson(d));
    if (io.json) {
        printJson(io, Json{{"adapters", devices}, {"buses", buses}});
        return kExitOk;
    }
    // As i2cdetect -l lists buses: bus, name and (ours) the USB path, tab-separated. A HID
    // bridge's "bus" is its hid:SERIAL or hid:PATH, as --adapter takes it.
    for (const Json& bus : buses) {
        for (const char* key : {"bus", "name", "usb_path"}) {
            io.out << (bus[key].is_null() ? "-" : bus[key].get<std::string>())
                   << (std::string_view(key) == "usb_path" ? '\n' : '\t');
        }
    }
    return kExitOk;
}

int runRead(const Communication& comm, std::uint8_t address, const Io& io) {
    std::uint8_t value = 0;
    if (!readOrReport(comm, address, value, io)) return kExitChipFailed;
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

int runWrite(const Communication& comm, std::uint8_t address, std::uint8_t data, const Io& io) {
    std::int16_t nAddr = address;
    std::int16_t nWriteData = data;
    const std::int32_t rc = comm.bus().I2CWriteByte(nAddr, nWriteData);
    if (rc != 0) {
        reportFailure("write", address, rc, io);
        return kExitChipFailed;
    }
    if (io.json) printJson(io, registerJson(address, data));
    return kExitOk;
}

int runDump(const Communication& comm, const Io& io) {
    // Like i2cdump, a register that does not answer shows XX and the dump goes on; the
    // exit code tells at the end. Its first failure is the one the error names.
    std::vector<std::optional<std::uint8_t>> values;
    std::optional<RunRecord> first;  // the record as the first failure left it
    for (const chip::RegisterInfo& info : chip::kRegisters) {
        std::uint8_t value = 0;
        if (readOrReport(comm, info.address, value, io)) {
            values.emplace_back(value);
            continue;
        }
        values.emplace_back();
        if (io.record && !first) first = *io.record;
    }
    if (first) {
        io.record->errorKind = first->errorKind;
        io.record->errorRegister = first->errorRegister;
        io.record->reason = first->lastMessage;
    }
    const bool complete =
        std::all_of(values.begin(), values.end(), [](const auto& v) { return v.has_value(); });
    Json registers = Json::array();
    for (std::size_t i = 0; i < values.size(); ++i) {
        const chip::RegisterInfo& info = chip::kRegisters[i];
        if (!values[i]) {
            if (io.json) {
                Json entry = Json::object();
                putByte(entry, "address", info.address);
                entry.update(Json{{"value", nullptr},
                                  {"value_hex", nullptr},
                                  {"name", info.name},
                                  {"bits", nullptr}});
                registers.push_back(entry);
            } else {
                io.out << addressText(info.address) << "  " << std::left << std::setw(13)
                       << std::string(info.name) << "XX\n";
            }
            continue;
        }
        const std::uint8_t value = *values[i];
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
    if (io.json) {
        Json dump{{"registers", registers}};
        if (!complete) dump.update(errorJson(*io.record, kExitChipFailed));
        printJson(io, dump);
    }
    return complete ? kExitOk : kExitChipFailed;
}

int runStatus(const Communication& comm, const Io& io) {
    std::uint8_t value = 0;
    if (!readOrReport(comm, chip::STATUS, value, io)) return kExitChipFailed;
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
