#pragma once
// The system calls of the i2c-dev back-end, behind an interface so that tests can play the
// kernel: the sysfs walk that finds USB buses, the device node and its ioctls, and the
// diagnostic lines for the terminal. Results are >= 0 on success, else -errno.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class I2cDevSystem {
public:
    virtual ~I2cDevSystem() = default;

    // Files and sysfs.
    virtual std::vector<std::string> listDirectory(const std::string& path) = 0;  // names
    virtual std::string resolvePath(const std::string& path) = 0;  // canonical; "" if none
    virtual bool exists(const std::string& path) = 0;
    virtual std::string groupOf(const std::string& path) = 0;  // owning group; "" if unknown

    // The bus device node: a file descriptor, or -errno.
    virtual int openDevice(const std::string& path) = 0;
    virtual void closeDevice(int fd) = 0;
    virtual int functions(int fd, std::uint32_t& funcs) = 0;  // I2C_FUNCS
    virtual int setDeviceAddress(int fd, int address) = 0;    // I2C_SLAVE, never forced
    virtual int readByteData(int fd, std::uint8_t reg) = 0;   // the byte, or -errno
    virtual int writeByteData(int fd, std::uint8_t reg, std::uint8_t value) = 0;

    // One line to standard error.
    virtual void diagnostic(const std::string& line) = 0;
};

// The real kernel interface.
std::shared_ptr<I2cDevSystem> makeLinuxI2cDevSystem();
