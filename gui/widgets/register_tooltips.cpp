#include "gui/widgets/register_tooltips.h"

#include <string_view>

#include "core/chip/bit_meanings.h"

namespace tooltips {
namespace {

QString qs(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString bit(unsigned address, unsigned bit) {
    const chip::RegisterInfo* reg = chip::findRegister(address);
    if (!reg || bit > 7) return {};
    return QStringLiteral("%1 bit %2 (%3): %4")
        .arg(qs(reg->name))
        .arg(bit)
        .arg(qs(reg->bits[bit]), qs(chip::bitMeaning(address, bit)));
}

QString field(const chip::Field& field) {
    const chip::RegisterInfo* reg = chip::findRegister(field.address);
    // The cell-count list belongs to no register: it has address 0 and no width.
    if (!reg || field.width == 0) return {};
    const unsigned low = field.shift;
    const unsigned high = field.shift + field.width - 1U;
    const QString bits = high == low ? QStringLiteral("bit %1").arg(low)
                                     : QStringLiteral("bits %1-%2").arg(high).arg(low);
    return QStringLiteral("%1 %2: %3")
        .arg(qs(reg->name), bits, qs(chip::bitMeaning(field.address, low)));
}

}  // namespace tooltips
