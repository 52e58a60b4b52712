#include "package/wire.h"

#include <iterator>

namespace voz {

namespace {

// A time's fields in stored order.
constexpr uint16_t PackageTime::*kTimeFields[] = {
    &PackageTime::wYear, &PackageTime::wMonth,  &PackageTime::wDayOfWeek, &PackageTime::wDay,
    &PackageTime::wHour, &PackageTime::wMinute, &PackageTime::wSecond,    &PackageTime::wMilliseconds};
static_assert(std::size(kTimeFields) * 2 == kTimeSize);

}  // namespace

void LoadPackageTime(const uint8_t* p, PackageTime& time) {
    for (auto field : kTimeFields) {
        time.*field = LoadLittleEndian16(p);
        p += 2;
    }
}

void StorePackageTime(uint8_t* p, const PackageTime& time) {
    for (auto field : kTimeFields) {
        StoreLittleEndian16(p, time.*field);
        p += 2;
    }
}

bool WritePackageU32(uint32_t value, OutputStream& out) {
    uint8_t bytes[4];
    StoreLittleEndian32(bytes, value);
    return out.Write(bytes, sizeof bytes);
}

bool WritePackageTime(const PackageTime& time, OutputStream& out) {
    uint8_t bytes[kTimeSize];
    StorePackageTime(bytes, time);
    return out.Write(bytes, sizeof bytes);
}

bool WritePackageString(std::string_view text, OutputStream& out) {
    return WritePackageU32(static_cast<uint32_t>(text.size()), out) && out.Write(text.data(), text.size());
}

bool ReadPackageU32(InputStream& input, uint32_t& value) {
    uint8_t b[4];
    value = 0;
    if (!input.ReadExact(b, 4)) {
        return false;
    }
    value = LoadLittleEndian32(b);
    return true;
}

bool ReadPackageTime(InputStream& input, PackageTime& time) {
    uint8_t bytes[kTimeSize];
    if (!input.ReadExact(bytes, sizeof bytes)) {
        return false;
    }
    LoadPackageTime(bytes, time);
    return true;
}

StringRead ReadPackageString(char* field, int fieldSize, InputStream& input) {
    field[0] = '\0';
    uint32_t raw;
    if (!ReadPackageU32(input, raw)) {
        return StringRead::kTruncated;
    }
    auto length = static_cast<int32_t>(raw);
    if (length < 0 || length > fieldSize - 1) {
        return StringRead::kTooLong;
    }
    if (!input.ReadExact(field, static_cast<size_t>(length))) {
        field[0] = '\0';
        return StringRead::kTruncated;
    }
    field[length] = '\0';
    return StringRead::kOk;
}

}  // namespace voz
