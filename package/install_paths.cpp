#include "package/install_paths.h"

#include "os/filesystem.h"

namespace voz {

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
