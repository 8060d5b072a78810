#include "core/adapters/gpio_system.h"

#ifdef VARENTHAL_HAVE_GPIOD

#include <gpiod.h>

#ifndef VARENTHAL_GPIOD_LINKED
#include <dlfcn.h>
#endif

#include <cerrno>
#include <map>

namespace {

// The libgpiod calls used, reached through one table: linked in, or opened on first use.
struct GpiodApi {
    decltype(&gpiod_chip_open) chipOpen;
    decltype(&gpiod_chip_open_by_name) chipOpenByName;
    decltype(&gpiod_chip_open_by_number) chipOpenByNumber;
    decltype(&gpiod_chip_open_by_label) chipOpenByLabel;
    decltype(&gpiod_chip_close) chipClose;
    decltype(&gpiod_chip_num_lines) chipNumLines;
    decltype(&gpiod_chip_find_line) chipFindLine;
    decltype(&gpiod_chip_get_line) chipGetLine;
    decltype(&gpiod_line_offset) lineOffset;
    decltype(&gpiod_line_request_output) lineRequestOutput;
    decltype(&gpiod_line_set_value) lineSetValue;
    decltype(&gpiod_line_release) lineRelease;
};

#ifdef VARENTHAL_GPIOD_LINKED

// Linked statically, for a program that loads no shared library at all.
const GpiodApi* gpiod() {
    static const GpiodApi linked{
        &gpiod_chip_open,           &gpiod_chip_open_by_name, &gpiod_chip_open_by_number,
        &gpiod_chip_open_by_label,  &gpiod_chip_close,        &gpiod_chip_num_lines,
        &gpiod_chip_find_line,      &gpiod_chip_get_line,     &gpiod_line_offset,
        &gpiod_line_request_output, &gpiod_line_set_value,    &gpiod_line_release};
    return &linked;
}

#else

// libgpiod is opened at the first GPIO chip asked for, not linked: most runs never drive the
// programming voltage, and loading the library at every start costs more than the work.
template <typename Function>
bool bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// The loaded library, or nullptr when it cannot be loaded; tried once per process.
const GpiodApi* gpiod() {
    static const GpiodApi* const api = []() -> const GpiodApi* {
        void* library = dlopen(VARENTHAL_GPIOD_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return nullptr;
        static GpiodApi loaded{};
        const bool complete =
            bind(library, "gpiod_chip_open", loaded.chipOpen) &&
            bind(library, "gpiod_chip_open_by_name", loaded.chipOpenByName) &&
            bind(library, "gpiod_chip_open_by_number", loaded.chipOpenByNumber) &&
            bind(library, "gpiod_chip_open_by_label", loaded.chipOpenByLabel) &&
            bind(library, "gpiod_chip_close", loaded.chipClose) &&
            bind(library, "gpiod_chip_num_lines", loaded.chipNumLines) &&
            bind(library, "gpiod_chip_find_line", loaded.chipFindLine) &&
            bind(library, "gpiod_chip_get_line", loaded.chipGetLine) &&
            bind(library, "gpiod_line_offset", loaded.lineOffset) &&
            bind(library, "gpiod_line_request_output", loaded.lineRequestOutput) &&
            bind(library, "gpiod_line_set_value", loaded.lineSetValue) &&
            bind(library, "gpiod_line_release", loaded.lineRelease);
        return complete ? &loaded : nullptr;
    }();
    return api;
}

#endif

struct ChipCloser {
    void operator()(gpiod_chip* chip) const { gpiod()->chipClose(chip); }
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
        for (auto& [handle, held] : lines_) gpiod()->lineRelease(held.line);
    }

    int openChip(const std::string& name) override {
        const GpiodApi* api = gpiod();
        if (api == nullptr) return -ELIBACC;  // every chip and line handle comes from here
        errno = 0;
        gpiod_chip* chip = nullptr;
        if (name.rfind("/dev/", 0) == 0) {
            chip = api->chipOpen(name.c_str());
        } else if (name.rfind("gpiochip", 0) == 0) {
            chip = api->chipOpenByName(name.c_str());
        } else if (allDigits(name)) {
            chip = api->chipOpenByNumber(static_cast<unsigned>(std::stoul(name)));
        } else {
            chip = api->chipOpenByLabel(name.c_str());
        }
        if (chip == nullptr) return lastError(ENOENT);
        const int handle = next_++;
        chips_.emplace(handle, ChipPtr(chip));
        return handle;
    }

    void closeChip(int chip) override {
        for (auto it = lines_.begin(); it != lines_.end();) {
            if (it->second.chip == chip) {
                gpiod()->lineRelease(it->second.line);
                it = lines_.erase(it);
            } else {
                ++it;
            }
        }
        chips_.erase(chip);
    }

    int lineCount(int chip) override {
        gpiod_chip* c = find(chip);
        return c ? static_cast<int>(gpiod()->chipNumLines(c)) : -EBADF;
    }

    int findLine(int chip, const std::string& name) override {
        gpiod_chip* c = find(chip);
        if (c == nullptr) return -EBADF;
        errno = 0;
        gpiod_line* line = gpiod()->chipFindLine(c, name.c_str());
        return line ? static_cast<int>(gpiod()->lineOffset(line)) : lastError(ENOENT);
    }

    int requestOutput(int chip, unsigned offset, const std::string& consumer, int value) override {
        gpiod_chip* c = find(chip);
        if (c == nullptr) return -EBADF;
        errno = 0;
        gpiod_line* line = gpiod()->chipGetLine(c, offset);
        if (line == nullptr) return lastError(EINVAL);
        if (gpiod()->lineRequestOutput(line, consumer.c_str(), value) != 0) {
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
        return gpiod()->lineSetValue(it->second.line, value) == 0 ? 0 : lastError(EIO);
    }

    void releaseLine(int line) override {
        const auto it = lines_.find(line);
        if (it == lines_.end()) return;
        gpiod()->lineRelease(it->second.line);
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

const char* missingGpioReason() {
    return "this build has no GPIO support (libgpiod was missing when it was built)";
}
