// Texts built from parts, numbers among them, without the C library's
// formatting, which would more than double the size of a small Windows
// program, and without a string per part, which costs the setup's
// fixed-size stub more code at each use.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace voz::os {

using TextParts = std::initializer_list<std::string_view>;

// The parts one after another.
std::string Joined(TextParts parts);

// The decimal digits of a number, held where they are made; pass it as a
// part. 32 bits: on i686, 64-bit division is a library routine of its own.
class Decimal {
public:
    explicit Decimal(uint32_t value);
    operator std::string_view() const { return {m_digits + m_start, sizeof m_digits - m_start}; }

private:
    char m_digits[10];  // 2^32 has 10 digits
    unsigned char m_start = sizeof m_digits;
};

}  // namespace voz::os
