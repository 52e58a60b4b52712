#include "os/text_parts.h"

namespace voz::os {

std::string Joined(TextParts parts) {
    std::string text;
    for (std::string_view part : parts) {
        text += part;
    }
    return text;
}

Decimal::Decimal(uint32_t value) {
    do {
        m_digits[--m_start] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
}

}  // namespace voz::os
