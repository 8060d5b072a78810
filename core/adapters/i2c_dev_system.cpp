#include "core/adapters/i2c_dev_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

#include "core/adapters/group_name.h"

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The character devices of the i2c-dev driver have their own major number.
constexpr unsigned kI2cDevMajor = 89;

bool isI2cDevNode(const struct stat& info) {
    return S_ISCHR(info.st_mode) && major(info.st_rdev) == kI2cDevMajor;
}

int smbusAccess(int fd, char readWrite, std::uint8_t command, i2c_smbus_data* data) {
    i2c_smbus_ioctl_data args{};
    args.read_write = readWrite;
    args.command = command;
    args.size = I2C_SMBUS_BYTE_DATA;
    args.data = data;
    return ::ioctl(fd, I2C_SMBUS, &args) < 0 ? -errno : 0;
}

class LinuxI2cDevSystem final : public I2cDevSystem {
public:
    std::vector<std::string> listDirectory(const std::string& path) override {
        std::vector<std::string> names;
        std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
        if (!dir) return names;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        return names;
    }

    std::string resolvePath(const std::string& path) override {
        std::error_code error;
        const auto resolved = std::filesystem::canonical(path, error);
        return error ? std::string() : resolved.string();
    }

    bool exists(const std::string& path) override {
        std::error_code error;
        return std::filesystem::exists(path, error);
    }

    std::string groupOf(const std::string& path) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) return {};
        return groupName(info.st_gid);
    }

    int openDevice(const std::string& path) override {
        // Only a bus node of the i2c-dev driver is opened read-write; any other file is
        // refused before open, which could block, claim a terminal or change the file.
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) return -errno;
        if (!isI2cDevNode(info)) return -ENODEV;
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return -errno;
        // The name may have been swapped for another file between the two looks.
        if (::fstat(fd, &info) != 0 || !isI2cDevNode(info)) {
            ::close(fd);
            return -ENODEV;
        }
        return fd;
    }

    void closeDevice(int fd) override { ::close(fd); }

    int functions(int fd, std::uint32_t& funcs) override {
        unsigned long value = 0;
        if (::ioctl(fd, I2C_FUNCS, &value) < 0) return -errno;
        funcs = static_cast<std::uint32_t>(value);
        return 0;
    }

    int setDeviceAddress(int fd, int address) override {
        return ::ioctl(fd, I2C_SLAVE, static_cast<unsigned long>(address)) < 0 ? -errno : 0;
    }

    int readByteData(int fd, std::uint8_t reg) override {
        i2c_smbus_data data{};
        const int rc = smbusAccess(fd, I2C_SMBUS_READ, reg, &data);
        return rc < 0 ? rc : data.byte;
    }

    int writeByteData(int fd, std::uint8_t reg, std::uint8_t value) override {
        i2c_smbus_data data{};
        data.byte = value;
        return smbusAccess(fd, I2C_SMBUS_WRITE, reg, &data);
    }

    void diagnostic(const std::string& line) override {
        // One prefix per program on the terminal: the command-line tool's own messages
        // begin with its name, so its adapter's lines do too.
        constexpr std::string_view kCorePrefix = "varenthal: ";
        if (line.rfind(kCorePrefix, 0) == 0) {
            std::fprintf(stderr, "%s: %s\n", program_invocation_short_name,
                         line.c_str() + kCorePrefix.size());
        } else {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
        std::fflush(stderr);
    }
};

}  // namespace

std::shared_ptr<I2cDevSystem> makeLinuxI2cDevSystem() {
    return std::make_shared<LinuxI2cDevSystem>();
}
