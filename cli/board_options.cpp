#include "cli/board_options.h"

#include <algorithm>
#include <filesystem>

namespace cli {
namespace {

// Every I2C bus whose adapter sits on a USB device, in bus number order.
std::vector<std::string> usbBuses(const std::string& classDir) {
    std::vector<std::pair<int, std::string>> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(classDir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("i2c-", 0) != 0) continue;
        if (identifyBus(name, classDir).usbPath.empty()) continue;
        found.emplace_back(std::atoi(name.c_str() + 4), "/dev/" + name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> buses;
    for (const auto& bus : found) buses.push_back(bus.second);
    return buses;
}

// "3:vgood-low" -> board 3; a name without a board number goes to every board (0). A name
// may hold a colon of its own ("nak=0B:3"), so only digits before the first one make a board.
bool splitFault(const std::string& text, int& board, std::string& name) {
    const std::size_t colon = text.find(':');
    const std::string number = colon == std::string::npos ? std::string() : text.substr(0, colon);
    if (number.empty() || !std::all_of(number.begin(), number.end(), ::isdigit)) {
        board = 0;
        name = text;
        return true;
    }
    board = std::atoi(number.c_str());
    name = text.substr(colon + 1);
    return board > 0;
}

}  // namespace

std::string splitBoards(const BoardArguments& given, const AdapterOptions& common,
                        std::vector<AdapterOptions>& boards, const std::string& classDir) {
    boards.clear();
    std::vector<std::string> adapters;
    for (const std::string& a : given.adapters) {
        if (a != "usb") {
            adapters.push_back(a);
            continue;
        }
        const std::vector<std::string> usb = usbBuses(classDir);
        if (usb.empty()) return "--adapter usb found no I2C bus on a USB device";
        adapters.insert(adapters.end(), usb.begin(), usb.end());
    }
    if (adapters.empty()) adapters.push_back(common.adapter);
    const std::size_t n = adapters.size();
    if (given.pulseGpios.size() > n ||
        (given.pulseGpios.size() > 1 && given.pulseGpios.size() != n))
        return "--pulse-gpio is given once per board, in the order of --adapter";
    // One supply line cycles one board; "sim" once means each simulated board's own supply.
    const bool everySimSupply = given.powerGpios.size() == 1 && given.powerGpios[0] == "sim";
    if (!given.powerGpios.empty() && given.powerGpios.size() != n && !everySimSupply)
        return "--power-gpio is given once per board, in the order of --adapter (or 'sim' once)";
    if (given.simStates.size() > 1 && given.simStates.size() != n)
        return "--sim-state is given once, or once per board in the order of --adapter";
    if (given.simStates.size() == 1 && n > 1)
        return "--sim-state keeps one chip; with several boards give it once per board";
    for (std::size_t i = 0; i < given.simStates.size(); ++i)
        for (std::size_t j = i + 1; j < given.simStates.size(); ++j)
            if (given.simStates[i] == given.simStates[j])
                return "boards " + std::to_string(i + 1) + " and " + std::to_string(j + 1) +
                       " name the same --sim-state file '" + given.simStates[i] + "'";

    for (std::size_t i = 0; i < n; ++i) {
        AdapterOptions board = common;
        board.adapter = adapters[i];
        if (!given.pulseGpios.empty())
            board.pulseGpio = given.pulseGpios[given.pulseGpios.size() == 1 ? 0 : i];
        if (!given.powerGpios.empty())
            board.powerGpio = given.powerGpios[given.powerGpios.size() == 1 ? 0 : i];
        if (!given.simStates.empty()) board.simState = given.simStates[i];
        boards.push_back(board);
    }
    for (const std::string& text : given.simFaults) {
        int target = 0;
        std::string name;
        if (!splitFault(text, target, name))
            return "invalid --sim-fault '" + text + "' (NAME, or N:NAME for board N)";
        if (target > static_cast<int>(n))
            return "--sim-fault '" + text + "' names board " + std::to_string(target) + " of " +
                   std::to_string(n);
        for (std::size_t i = 0; i < n; ++i)
            if (target == 0 || target == static_cast<int>(i + 1))
                boards[i].simFaults.push_back(name);
    }
    return {};
}

}  // namespace cli
