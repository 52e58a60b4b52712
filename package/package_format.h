// Byte layout constants of the package that is appended to the setup stub.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "os/file_time.h"

namespace voz {

// The stub has a fixed size; the package starts right after it and runs to the end of the file.
inline constexpr uint32_t kStubSize = 315392;  // 0x4D000
inline constexpr uint32_t kPackageOffset = kStubSize;

// Block sequence framing: u16 raw size, u16 stored size, payload.
inline constexpr uint32_t kLargestBlock = 65536;  // raw size 0 stands for this
inline constexpr uint32_t kBlockHeaderSize = 4;

// The most entries a table may hold: the loader stops at a count above one,
// and the writer refuses to write one.
inline constexpr int kMaxDirs = 1024;
inline constexpr int kMaxFilesPerDir = 512;
inline constexpr int kMaxShortcuts = 8;
inline constexpr int kMaxCopies = 8;
inline constexpr int kMaxRemoves = 64;
inline constexpr int kMaxStyles = kMaxCopies;
inline constexpr uint32_t kTextCapacity = 65536;     // decoded text plus its terminating zero
inline constexpr uint32_t kImageCapacity = 1048576;  // a whole decoded BMP file

// Fixed character fields: a field of n bytes holds at most n - 1 bytes of text.
inline constexpr int kShortField = 32;
inline constexpr int kNameField = 128;
inline constexpr int kPathField = 256;

// The text of a fixed character field. The loader always terminates its
// fields; the field's size bounds the scan all the same.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}

// Screens that show a package text and image, in package order.
enum ScreenIndex { kMainScreen, kWelcomeScreen, kFolderScreen, kStyleScreen, kOrderScreen, kExtractScreen };
inline constexpr int kScreenCount = 6;
// Short names of the screens, as the packing tool's manifest and listings use them.
inline constexpr const char* kScreenKeys[kScreenCount] = {"main", "welcome", "folder", "style", "order", "extract"};

// Shortcut places.
inline constexpr int kPlaceDesktop = 0;
inline constexpr int kPlaceGroup = 1;

// Times are stored as the 16-byte Windows SYSTEMTIME layout, the form the
// file systems take them in.
using PackageTime = os::FileTime;
static_assert(sizeof(PackageTime) == 16);

inline constexpr char kUninstallerName[] = "\xD0\xB6\xD4\xD8.exe";  // "卸载.exe" in GBK

}  // namespace voz
