#pragma once
// A scripted adapter for tests: records every call as a line and answers as told.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/link/talvex.h"

class RecordingAdapter final : public Talvex {
public:
    struct Script {
        std::int32_t listCount = 1;
        std::string listNames = "dev0";
        std::int32_t listResult = 0;
        std::int32_t openResult = 0;
        std::int32_t readResult = 0;
        bool readWritesData = true;  // a failing adapter may leave the data alone
        std::int32_t writeResult = 0;
        std::int32_t pulseResult = 0;
        std::map<int, std::int16_t> registers;  // what reads deliver; 0 when absent
    };

    RecordingAdapter(std::vector<std::string>& calls, Script script)
        : calls_(calls), script_(std::move(script)) {}

    std::int32_t listFreeDevices(std::int32_t kind, std::int32_t& count,
                                 std::string& names) override {
        calls_.push_back("list " + std::to_string(kind));
        count = script_.listCount;
        names = script_.listNames;
        return script_.listResult;
    }
    std::int32_t open(const std::string& name) override {
        calls_.push_back("open " + name);
        return script_.openResult;
    }
    void close() override { calls_.push_back("close"); }
    std::int32_t transfer(std::int32_t selector, std::int16_t& a, std::int16_t& b,
                          std::int16_t& c) override {
        calls_.push_back("transfer " + std::to_string(selector) + " " + std::to_string(a) + " " +
                         std::to_string(b) + " " + std::to_string(c));
        switch (selector) {
            case kSelectorRead:
                if (script_.readWritesData) c = script_.registers[b];
                return script_.readResult;
            case kSelectorWrite:
                script_.registers[b] = c;
                return script_.writeResult;
            default:
                return script_.pulseResult;
        }
    }

private:
    std::vector<std::string>& calls_;
    Script script_;
};
