#include "tests/kernel/bridge/usbip_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kHighSpeed = 3;  // the kernel's USB_SPEED_HIGH

bool writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int attachToVirtualHost(int port, std::uint32_t deviceId, const std::string& attachFile) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return -1;
    char line[64];
    const int length = std::snprintf(line, sizeof line, "%d %d %u %d", port, pair[1],
                                     static_cast<unsigned>(deviceId), kHighSpeed);
    const int attach = open(attachFile.c_str(), O_WRONLY | O_CLOEXEC);
    const bool attached = attach >= 0 && write(attach, line, static_cast<std::size_t>(length)) ==
                                             static_cast<ssize_t>(length);
    const int error = errno;
    if (attach >= 0) close(attach);
    // The kernel holds its own reference to its end from here on.
    close(pair[1]);
    if (!attached) {
        close(pair[0]);
        errno = error;
        return -1;
    }
    return pair[0];
}

int serveUsbipLink(int fd, const UsbipHandler& handle, const std::function<void()>& tick) {
    std::array<std::uint8_t, 4096> buffer{};
    std::vector<std::uint8_t> replies;
    for (;;) {
        tick();
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, 5);
        if (ready < 0 && errno != EINTR) return 1;
        if (ready <= 0) {
            replies.clear();
            handle({}, replies);
            if (!replies.empty() && !writeAll(fd, replies)) return 1;
            continue;
        }
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got < 0) {
            std::fprintf(stderr, "bridge: usbip link: %s\n", std::strerror(errno));
            return 1;
        }
        if (got == 0) {
            std::fprintf(stderr, "bridge: usbip link closed by the host\n");
            return 0;
        }
        tick();
        replies.clear();
        const bool inStep = handle({buffer.data(), static_cast<std::size_t>(got)}, replies);
        if (!writeAll(fd, replies)) {
            std::fprintf(stderr, "bridge: usbip reply: %s\n", std::strerror(errno));
            return 1;
        }
        if (!inStep) {
            std::fprintf(stderr, "bridge: usbip link out of step; dropping it\n");
            return 1;
        }
    }
}
