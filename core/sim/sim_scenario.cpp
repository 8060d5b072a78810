#include "core/sim/sim_scenario.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "core/base/native_path.h"
#include "core/sim/simulated_chip.h"

namespace {

constexpr std::string_view kLatchClear = "ltclr";

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        std::size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r') {
            ++end;
        }
        if (end > i) out.push_back(line.substr(i, end - i));
        i = end;
    }
    return out;
}

std::optional<SimScenarioStep> parseStep(std::string_view line, std::string& why) {
    const std::vector<std::string_view> w = words(line);
    if (w.size() != 3) {
        why = "expected 't_ms name on|off'";
        return std::nullopt;
    }
    long long ms = -1;
    const auto [end, ec] = std::from_chars(w[0].data(), w[0].data() + w[0].size(), ms);
    if (ec != std::errc() || end != w[0].data() + w[0].size() || ms < 0) {
        why = "bad time '" + std::string(w[0]) + "' (milliseconds, 0 or more)";
        return std::nullopt;
    }
    SimScenarioStep step;
    step.at = std::chrono::milliseconds(ms);
    if (w[1] != kLatchClear) {
        step.fault = parseSimFault(w[1], &why);
        if (!step.fault) {
            why += " or ltclr";
            return std::nullopt;
        }
    }
    if (w[2] != "on" && w[2] != "off") {
        why = "expected on or off, not '" + std::string(w[2]) + "'";
        return std::nullopt;
    }
    step.on = w[2] == "on";
    return step;
}

void applyStep(SimulatedChip& chip, const SimScenarioStep& step) {
    if (!step.fault) {
        // As the host does it, through the register: the other bits stay as they are.
        std::uint8_t output = 0;
        if (chip.readRegister(chip::OUTPUT_CNTRL, output) != 0) return;
        output = step.on ? static_cast<std::uint8_t>(output | chip::kOutLTCLR)
                         : static_cast<std::uint8_t>(output & ~chip::kOutLTCLR);
        chip.writeRegister(chip::OUTPUT_CNTRL, output);
    } else if (step.fault->condition) {
        chip.setCondition(*step.fault->condition, step.on);
    } else {
        chip.setNak(step.fault->nakRegister, step.on);
    }
}

}  // namespace

std::optional<SimScenario> parseSimScenario(std::string_view text, std::string* error) {
    SimScenario scenario;
    int number = 0;
    while (!text.empty()) {
        const std::size_t newline = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(std::min(newline + 1, text.size()));
        ++number;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        if (words(line).empty()) continue;
        std::string why;
        const auto step = parseStep(line, why);
        if (!step) {
            if (error) *error = "line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        }
        scenario.push_back(*step);
    }
    // Same-time steps keep their written order: "ov off" comes before the latch clear.
    std::stable_sort(scenario.begin(), scenario.end(),
                     [](const auto& a, const auto& b) { return a.at < b.at; });
    return scenario;
}

std::optional<SimScenario> loadSimScenario(const std::string& path, std::string* error) {
    std::ifstream in(nativePath(path), std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read scenario file '" + path + "'";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string why;
    auto scenario = parseSimScenario(text.str(), &why);
    if (!scenario && error) *error = "scenario file '" + path + "', " + why;
    return scenario;
}

SimScenarioPlayer::SimScenarioPlayer(std::shared_ptr<SimulatedChip> chip, SimScenario scenario,
                                     Clock clock)
    : chip_(std::move(chip)),
      steps_(std::move(scenario)),
      clock_(clock ? std::move(clock) : Clock(&std::chrono::steady_clock::now)) {}

void SimScenarioPlayer::start() {
    if (!start_) start_ = clock_();
    advance();
}

void SimScenarioPlayer::advance() {
    if (!start_) return;
    const auto elapsed = clock_() - *start_;
    while (next_ < steps_.size() && steps_[next_].at <= elapsed) applyStep(*chip_, steps_[next_++]);
}
