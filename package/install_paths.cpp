#include "package/install_paths.h"

#include <algorithm>

#include "os/filesystem.h"

namespace voz {

std::optional<std::string> JoinPath(std::string_view base, std::string_view name) {
    size_t size = base.size() + (name.empty() ? 0 : 1 + name.size());
    if (size > kMaxPathBytes) {
        return std::nullopt;
    }
    std::string path(base);
    if (!name.empty()) {
        path += '\\';
        path += name;
    }
    return path;
}

bool ToNativePath(std::string_view gbk, os::NativePath& out) {
    if (!os::GbkToNative(gbk, out)) {
        return false;
    }
    // Converted text has no trail bytes left, so every backslash here is a real one.
    std::replace(out.begin(), out.end(), static_cast<os::NativePath::value_type>('\\'), os::kSeparator);
    return true;
}

bool CreateDirectoryPath(std::string_view path) {
    os::NativePath native;
    if (!ToNativePath(path, native)) {
        return false;
    }
    // Converted text holds no trail bytes, so each separator found here is a
    // real one: a GBK character whose second byte is 0x5C never splits a name.
    for (size_t i = 1; i < native.size(); ++i) {
        if (native[i] == os::kSeparator || native[i] == '/') {
            os::CreateFolder(native.substr(0, i));  // a drive prefix or an existing folder simply fails
        }
    }
    return os::CreateFolder(native);
}

}  // namespace voz
