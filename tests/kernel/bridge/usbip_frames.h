#pragma once
// The frames of a USB/IP link as the kernel's virtual host controller (vhci-hcd) exchanges
// them: a 48-byte header of big-endian words, the data of a host-to-device transfer after a
// command, the data of a device-to-host transfer after the reply.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace usbip {

constexpr std::size_t kHeaderSize = 48;

constexpr std::uint32_t kCmdSubmit = 1;
constexpr std::uint32_t kCmdUnlink = 2;
constexpr std::uint32_t kRetSubmit = 3;
constexpr std::uint32_t kRetUnlink = 4;

constexpr std::uint32_t kDirectionIn = 1;

// A command from the host. The fields of a submit and of an unlink share the header's second
// half; only those of the command's own kind are meaningful.
struct Command {
    std::uint32_t command = 0;
    std::uint32_t seqnum = 0;
    std::uint32_t devid = 0;
    std::uint32_t direction = 0;
    std::uint32_t ep = 0;
    std::uint32_t transferFlags = 0;
    std::int32_t transferLength = 0;
    std::int32_t numberOfPackets = 0;
    std::array<std::uint8_t, 8> setup{};  // the control request as on the wire (little-endian)
    std::uint32_t unlinkSeqnum = 0;
};

Command parseCommand(std::span<const std::uint8_t, kHeaderSize> header);

// The reply to a submit: the status (0, or a negative errno such as -EPIPE for a stall) and,
// for a device-to-host transfer, the data that follows.
void appendRetSubmit(std::vector<std::uint8_t>& out, const Command& submit, std::int32_t status,
                     std::span<const std::uint8_t> inData, std::int32_t actualLength);
void appendRetUnlink(std::vector<std::uint8_t>& out, std::uint32_t seqnum, std::int32_t status);

// Splits the host's byte stream into whole commands: a submit with the data of a
// host-to-device transfer, or an unlink. A command split across reads waits for its rest.
class CommandReader {
public:
    using Submit = std::function<void(const Command&, std::span<const std::uint8_t> outData)>;
    using Unlink = std::function<void(const Command&)>;

    // False when the stream is not one a device can follow: the framing is lost and the link
    // has to be dropped.
    bool take(std::span<const std::uint8_t> bytes, const Submit& submit, const Unlink& unlink);

private:
    std::vector<std::uint8_t> pending_;  // bytes of a command not yet complete
};

}  // namespace usbip
