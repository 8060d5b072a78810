#pragma once
// A scripted gpiochip: chips by name with named lines, and the level and ownership of every
// line the back-end touched.

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "core/adapters/gpio_system.h"

class FakeGpioSystem final : public GpioSystem {
public:
    struct Chip {
        std::vector<std::string> lineNames;
        int openResult = 0;     // -errno to refuse the open
        int requestResult = 0;  // -errno to refuse line requests
    };
    struct Line {
        int level = -1;  // -1: never driven
        bool requested = false;
    };

    std::map<std::string, Chip> chips;
    std::map<std::string, Line> lines;  // "chip:offset" -> state
    int openChips = 0;
    int setValueResult = 0;

    int openChip(const std::string& name) override {
        const auto it = chips.find(name);
        if (it == chips.end()) return -ENOENT;
        if (it->second.openResult < 0) return it->second.openResult;
        handles_.push_back(name);
        ++openChips;
        return static_cast<int>(handles_.size()) - 1;
    }
    void closeChip(int chip) override {
        for (auto& [key, offsets] : requested_) {
            if (offsets.first == chip) lines[key].requested = false;
        }
        --openChips;
    }
    int lineCount(int chip) override {
        return static_cast<int>(chips[handles_.at(chip)].lineNames.size());
    }
    int findLine(int chip, const std::string& name) override {
        const auto& names = chips[handles_.at(chip)].lineNames;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) return static_cast<int>(i);
        }
        return -ENOENT;
    }
    int requestOutput(int chip, unsigned offset, const std::string& consumer, int value) override {
        const Chip& c = chips[handles_.at(chip)];
        if (c.requestResult < 0) return c.requestResult;
        const std::string key = handles_.at(chip) + ":" + std::to_string(offset);
        lines[key] = Line{value, true};
        lastConsumer = consumer;
        requested_[key] = {chip, offset};
        lineKeys_.push_back(key);
        return static_cast<int>(lineKeys_.size()) - 1;
    }
    int setValue(int line, int value) override {
        Line& l = lines[lineKeys_.at(line)];
        if (!l.requested) return -EBADF;
        if (setValueResult < 0) return setValueResult;
        l.level = value;
        return 0;
    }
    void releaseLine(int line) override { lines[lineKeys_.at(line)].requested = false; }

    std::string lastConsumer;

private:
    std::vector<std::string> handles_;
    std::vector<std::string> lineKeys_;
    std::map<std::string, std::pair<int, unsigned>> requested_;
};
