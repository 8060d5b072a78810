#include "tests/kernel/bridge/usbip_frames.h"

#include <algorithm>

namespace usbip {
namespace {

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

}  // namespace usbip
