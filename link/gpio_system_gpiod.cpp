#include "link/gpio_system.h"

#ifdef VARENTHAL_HAVE_GPIOD

#include <gpiod.h>

#include <cerrno>
#include <map>

namespace {

struct ChipCloser {
    void operator()(gpiod_chip* chip) const { gpiod_chip_close(chip); }
};
using ChipPtr = std::unique_ptr<gpiod_chip, ChipCloser>;

bool allDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// -errno of the call that just failed; some libgpiod paths leave errno at 0.
int lastError(int fallback) {
    return errno != 0 ? -errno : -fallback;
}

class GpiodSystem final : public GpioSystem {
public:
    ~GpiodSystem() override {
        for (auto& [handle, held] : lines_) gpiod_line_release(held.line);
    }

    int openChip(const std::string& name) override {
        errno = 0;
        gpiod_chip* chip = nullptr;
        if (name.rfind("/dev/", 0) == 0) {
            chip = gpiod_chip_open(name.c_str());
        } else if (name.rfind("gpiochip", 0) == 0) {
            chip = gpiod_chip_open_by_name(name.c_str());
        } else if (allDigits(name)) {
            chip = gpiod_chip_open_by_number(static_cast<unsigned>(std::stoul(name)));
        } else {
            chip = gpiod_chip_open_by_label(name.c_str());
        }
        if (chip == nullptr) return lastError(ENOENT);
        const int handle = next_++;
        chips_.emplace(handle, ChipPtr(chip));
        return handle;
    }

    void closeChip(int chip) override {
        for (auto it = lines_.begin(); it != lines_.end();) {
            if (it->second.chip == chip) {
                gpiod_line_release(it->second.line);
                it = lines_.erase(it);
            } else {
                ++it;
            }
        }
        chips_.erase(chip);
    }

    int lineCount(int chip) override {
        gpiod_chip* c = find(chip);
        return c ? static_cast<int>(gpiod_chip_num_lines(c)) : -EBADF;
    }

    int findLine(int chip, const std::string& name) override {
        gpiod_chip* c = find(chip);
        if (c == nullptr) return -EBADF;
        errno = 0;
        gpiod_line* line = gpiod_chip_find_line(c, name.c_str());
        return line ? static_cast<int>(gpiod_line_offset(line)) : lastError(ENOENT);
    }

    int requestOutput(int chip, unsigned offset, const std::string& consumer, int value) override {
        gpiod_chip* c = find(chip);
        if (c == nullptr) return -EBADF;
        errno = 0;
        gpiod_line* line = gpiod_chip_get_line(c, offset);
        if (line == nullptr) return lastError(EINVAL);
        if (gpiod_line_request_output(line, consumer.c_str(), value) != 0) {
            return lastError(EIO);
        }
        const int handle = next_++;
        lines_.emplace(handle, Held{chip, line});
        return handle;
    }

    int setValue(int line, int value) override {
        const auto it = lines_.find(line);
        if (it == lines_.end()) return -EBADF;
        errno = 0;
        return gpiod_line_set_value(it->second.line, value) == 0 ? 0 : lastError(EIO);
    }

    void releaseLine(int line) override {
        const auto it = lines_.find(line);
        if (it == lines_.end()) return;
        gpiod_line_release(it->second.line);
        lines_.erase(it);
    }

private:
    struct Held {
        int chip;
        gpiod_line* line;  // owned by its chip; released before the chip closes
    };

    gpiod_chip* find(int chip) {
        const auto it = chips_.find(chip);
        return it == chips_.end() ? nullptr : it->second.get();
    }

    std::map<int, ChipPtr> chips_;
    std::map<int, Held> lines_;
    int next_ = 0;
};

}  // namespace

std::shared_ptr<GpioSystem> makeGpioSystem() {
    return std::make_shared<GpiodSystem>();
}

#else

std::shared_ptr<GpioSystem> makeGpioSystem() {
    return nullptr;
}

#endif
