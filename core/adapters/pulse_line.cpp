#include "core/adapters/pulse_line.h"

#include <cerrno>
#include <system_error>

#include "core/adapters/access_hint.h"

namespace {

constexpr const char* kConsumer = "varenthal";

std::string errnoText(int rc) {
    return std::generic_category().message(-rc);
}

bool allDigits(const std::string& text) {
    return !text.empty() && text.size() <= 10 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

PulseLine::PulseLine(std::shared_ptr<GpioSystem> gpio, std::string chipLine)
    : gpio_(std::move(gpio)), chipLine_(std::move(chipLine)) {}

PulseLine::~PulseLine() {
    std::string ignored;
    release(ignored);
}

int PulseLine::unusable(std::string& reason) const {
    if (chipLine_.empty()) {
        reason = "no programming-voltage line: start with --pulse-gpio CHIP:LINE";
        return -EINVAL;
    }
    if (!gpio_) {
        reason = missingGpioReason();
        return -ENOTSUP;
    }
    return 0;
}

int PulseLine::hold(std::string& reason) {
    if (const int rc = unusable(reason)) return rc;
    return held() ? 0 : request(0, reason);
}

int PulseLine::switchOn(std::string& reason) {
    if (const int rc = unusable(reason)) return rc;
    if (held()) {
        const int rc = gpio_->setValue(line_, 1);
        if (rc < 0) reason = "cannot drive GPIO " + chipLine_ + " high: " + errnoText(rc);
        return rc < 0 ? rc : 0;
    }
    return request(1, reason);
}

int PulseLine::request(int value, std::string& reason) {
    const auto colon = chipLine_.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == chipLine_.size()) {
        reason = "bad GPIO line '" + chipLine_ + "' (expected CHIP:LINE)";
        return -EINVAL;
    }
    const std::string chipName = chipLine_.substr(0, colon);
    const std::string lineName = chipLine_.substr(colon + 1);

    const int chip = gpio_->openChip(chipName);
    if (chip < 0) {
        if (chip == -EACCES || chip == -EPERM) {
            reason = "permission denied opening GPIO chip '" + chipName +
                     "': add your user to the group that owns its /dev/gpiochip node, or "
                     "install " +
                     kUdevRuleHint;
        } else if (chip == -ENOENT || chip == -ENODEV) {
            reason = "no GPIO chip '" + chipName + "'";
        } else {
            reason = "cannot open GPIO chip '" + chipName + "': " + errnoText(chip);
        }
        return chip;
    }

    const int offset = resolveOffset(chip, lineName, reason);
    if (offset < 0) {
        gpio_->closeChip(chip);
        return offset;
    }
    const int line = gpio_->requestOutput(chip, static_cast<unsigned>(offset), kConsumer, value);
    if (line < 0) {
        reason = line == -EBUSY ? "GPIO " + chipLine_ + " is in use by another program"
                                : "cannot request GPIO " + chipLine_ + ": " + errnoText(line);
        gpio_->closeChip(chip);
        return line;
    }
    chip_ = chip;
    line_ = line;
    return 0;
}

int PulseLine::resolveOffset(int chip, const std::string& lineName, std::string& reason) {
    if (allDigits(lineName)) {
        const long long wide = std::stoll(lineName);
        if (wide > 2147483647) {
            reason = "GPIO line " + lineName + " is out of range";
            return -EINVAL;
        }
        const int offset = static_cast<int>(wide);
        const int count = gpio_->lineCount(chip);
        if (count >= 0 && offset >= count) {
            reason = "GPIO chip has " + std::to_string(count) + " lines, no line " + lineName;
            return -EINVAL;
        }
        return offset;
    }
    const int offset = gpio_->findLine(chip, lineName);
    if (offset < 0) {
        reason = offset == -ENOENT
                     ? "no GPIO line named '" + lineName + "' on that chip"
                     : "cannot look up GPIO line '" + lineName + "': " + errnoText(offset);
    }
    return offset;
}

int PulseLine::switchOff(std::string& reason) {
    if (const int rc = unusable(reason)) return rc;
    return release(reason);
}

int PulseLine::release(std::string& reason) {
    if (!held()) return 0;
    // Drive low before giving the line back: a released line keeps its last level.
    const int rc = gpio_->setValue(line_, 0);
    if (rc < 0) reason = "cannot drive GPIO " + chipLine_ + " low: " + errnoText(rc);
    gpio_->releaseLine(line_);
    gpio_->closeChip(chip_);
    line_ = -1;
    chip_ = -1;
    return rc < 0 ? rc : 0;
}
