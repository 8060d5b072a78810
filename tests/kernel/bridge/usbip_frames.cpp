#include "tests/kernel/bridge/usbip_frames.h"

#include <algorithm>

namespace usbip {
namespace {

// A control transfer carries at most 64 KiB; a longer one means the stream is out of step.
constexpr std::int32_t kLongestTransfer = 0x10000;

std::uint32_t word(std::span<const std::uint8_t, kHeaderSize> header, std::size_t offset) {
    return static_cast<std::uint32_t>(header[offset]) << 24 |
           static_cast<std::uint32_t>(header[offset + 1]) << 16 |
           static_cast<std::uint32_t>(header[offset + 2]) << 8 | header[offset + 3];
}

void putWord(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// A zeroed header with the fields every reply carries; devid, direction and ep stay 0 as the
// kernel's own device side leaves them.
std::uint8_t* appendHeader(std::vector<std::uint8_t>& out, std::uint32_t command,
                           std::uint32_t seqnum) {
    const std::size_t at = out.size();
    out.resize(at + kHeaderSize, 0);
    putWord(&out[at], command);
    putWord(&out[at + 4], seqnum);
    return &out[at];
}

}  // namespace

Command parseCommand(std::span<const std::uint8_t, kHeaderSize> header) {
    Command c;
    c.command = word(header, 0);
    c.seqnum = word(header, 4);
    c.devid = word(header, 8);
    c.direction = word(header, 12);
    c.ep = word(header, 16);
    c.transferFlags = word(header, 20);
    c.unlinkSeqnum = c.transferFlags;  // same place in an unlink
    c.transferLength = static_cast<std::int32_t>(word(header, 24));
    c.numberOfPackets = static_cast<std::int32_t>(word(header, 32));
    std::copy_n(header.begin() + 40, 8, c.setup.begin());
    return c;
}

void appendRetSubmit(std::vector<std::uint8_t>& out, const Command& submit, std::int32_t status,
                     std::span<const std::uint8_t> inData, std::int32_t actualLength) {
    std::uint8_t* h = appendHeader(out, kRetSubmit, submit.seqnum);
    putWord(h + 20, static_cast<std::uint32_t>(status));
    putWord(h + 24, static_cast<std::uint32_t>(actualLength));
    // Echoed so that the host's record of the transfer keeps what it had.
    putWord(h + 32, static_cast<std::uint32_t>(submit.numberOfPackets));
    out.insert(out.end(), inData.begin(), inData.end());
}

void appendRetUnlink(std::vector<std::uint8_t>& out, std::uint32_t seqnum, std::int32_t status) {
    std::uint8_t* h = appendHeader(out, kRetUnlink, seqnum);
    putWord(h + 20, static_cast<std::uint32_t>(status));
}

bool CommandReader::take(std::span<const std::uint8_t> bytes, const Submit& submit,
                         const Unlink& unlink) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    std::size_t used = 0;
    while (pending_.size() - used >= kHeaderSize) {
        const Command command = parseCommand(
            std::span<const std::uint8_t, kHeaderSize>(pending_.data() + used, kHeaderSize));
        if (command.command == kCmdUnlink) {
            unlink(command);
            used += kHeaderSize;
            continue;
        }
        if (command.command != kCmdSubmit || command.transferLength < 0 ||
            command.transferLength > kLongestTransfer) {
            pending_.clear();
            return false;
        }
        const std::size_t dataLength = command.direction == kDirectionIn
                                           ? 0
                                           : static_cast<std::size_t>(command.transferLength);
        if (pending_.size() - used < kHeaderSize + dataLength) break;
        submit(command, {pending_.data() + used + kHeaderSize, dataLength});
        used += kHeaderSize + dataLength;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
    return true;
}

}  // namespace usbip
