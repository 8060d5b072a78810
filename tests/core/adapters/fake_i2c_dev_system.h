#pragma once
// A scripted kernel for the i2c-dev back-end: sysfs entries, device nodes with their
// results, and a log of every ioctl the back-end made.

#include <cerrno>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/adapters/i2c_dev_system.h"

class FakeI2cDevSystem final : public I2cDevSystem {
public:
    // Scripted state.
    std::map<std::string, std::vector<std::string>> directories;
    std::map<std::string, std::string> links;  // path -> resolved path
    std::set<std::string> files;
    std::map<std::string, std::string> groups;
    std::map<std::string, int> openResults;  // path -> -errno; absent paths open fine
    std::uint32_t funcs = 0x0c7f0000;        // what an SMBus-only bus reports
    int funcsResult = 0;
    std::map<int, int> addressResults;  // device address -> -errno of I2C_SLAVE
    int transferResult = 0;             // -errno for every read and write when nonzero
    std::map<int, std::uint8_t> registers;

    // What the back-end did.
    std::set<int> openFds;
    std::set<std::string> goneNodes;  // device nodes removed, as on an unplug
    std::vector<std::string> calls;  // "open P", "slave 0x20", "read 05", "write 05 81"
    std::vector<std::string> diagnostics;

    std::vector<std::string> listDirectory(const std::string& path) override {
        const auto it = directories.find(path);
        return it == directories.end() ? std::vector<std::string>{} : it->second;
    }
    std::string resolvePath(const std::string& path) override {
        const auto it = links.find(path);
        return it == links.end() ? std::string() : it->second;
    }
    bool exists(const std::string& path) override {
        if (path.rfind("/dev/", 0) == 0) return goneNodes.count(path) == 0;
        return files.count(path) != 0 || directories.count(path) != 0;
    }
    std::string groupOf(const std::string& path) override {
        const auto it = groups.find(path);
        return it == groups.end() ? std::string() : it->second;
    }
    int openDevice(const std::string& path) override {
        calls.push_back("open " + path);
        const auto it = openResults.find(path);
        if (it != openResults.end()) return it->second;
        const int fd = nextFd_++;
        openFds.insert(fd);
        return fd;
    }
    void closeDevice(int fd) override {
        calls.push_back("close");
        openFds.erase(fd);
    }
    int functions(int fd, std::uint32_t& out) override {
        if (!openFds.count(fd)) return -EBADF;
        out = funcs;
        return funcsResult;
    }
    int setDeviceAddress(int fd, int address) override {
        if (!openFds.count(fd)) return -EBADF;
        calls.push_back("slave " + std::to_string(address));
        const auto it = addressResults.find(address);
        return it == addressResults.end() ? 0 : it->second;
    }
    int readByteData(int fd, std::uint8_t reg) override {
        if (!openFds.count(fd)) return -EBADF;
        calls.push_back("read " + std::to_string(reg));
        return transferResult != 0 ? transferResult : registers[reg];
    }
    int writeByteData(int fd, std::uint8_t reg, std::uint8_t value) override {
        if (!openFds.count(fd)) return -EBADF;
        calls.push_back("write " + std::to_string(reg) + " " + std::to_string(value));
        if (transferResult != 0) return transferResult;
        registers[reg] = value;
        return 0;
    }
    void diagnostic(const std::string& line) override { diagnostics.push_back(line); }

private:
    int nextFd_ = 3;
};
