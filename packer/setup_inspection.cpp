#include "packer/setup_inspection.h"

#include <cstdio>
#include <functional>

#include "os/file.h"
#include "os/text_encoding.h"
#include "package/block_decoder.h"
#include "package/install_paths.h"
#include "package/package_loader.h"
#include "package/pe_headers.h"
#include "package/uninstall_data.h"
#include "package/wire.h"

namespace voz {

std::string DisplayText(const char* gbk) {
    if (auto utf8 = os::GbkToUtf8(gbk)) {
        return *utf8;
    }
    std::string out;
    for (const char* p = gbk; *p != '\0'; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            out += *p;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string DisplayPath(const PackageDir& dir, const PackageFile& file) {
    return DisplayText(JoinRelative(FieldText(dir.szName), FieldText(file.szName)).c_str());
}

namespace {

// The uninstallers packed are small programs; anything larger is described by its size alone.
constexpr uint64_t kLargestIdentifiedUninstaller = 64u << 20;

std::string ProgramKind(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) {
        return "none: 卸载.exe holds only its data and does not run";
    }
    MemoryInput in(bytes.data(), bytes.size());
    const std::optional<PeHeaders> headers = ReadPeHeaders(in);
    if (!headers || !FindImageEnd(in)) {
        return "not a Windows program";
    }
    return headers->machine == kMachineI386    ? "32-bit Windows program"
           : headers->machine == kMachineAmd64 ? "64-bit Windows program"
                                               : "Windows program";
}

void IdentifyUninstaller(const CPackageInfo& package, os::InputFile& in, SetupInspection& result) {
    if (!result.uninstallerProblem.empty() || result.uninstallerSize > kLargestIdentifiedUninstaller) {
        return;
    }
    MemoryOutput bytes;
    if (package.m_nUninstallerSize > 0 &&
        (!in.Seek(static_cast<uint64_t>(package.m_nUninstallerPos)) ||
         !CBlockDecoder().DecodeToStream(in, &bytes, static_cast<uint32_t>(package.m_nUninstallerSize)).ok())) {
        return;
    }
    result.uninstallerKind = ProgramKind(bytes.Bytes());
    result.uninstallerCrc = Crc32(bytes.Bytes().data(), bytes.Bytes().size());
}

}  // namespace

SetupInspection InspectSetup(const std::filesystem::path& setupPath) {
    SetupInspection result;
    CPackageInfo& package = result.package;
    LoadPackageFile(package, setupPath.native());
    result.names = JudgeNames(package);
    os::InputFile in;
    if (!in.Open(setupPath.native())) {
        return result;
    }
    result.fileSize = in.Size();
    for (size_t d = 0; d < package.m_dirs.size(); ++d) {
        for (size_t f = 0; f < package.m_dirs[d].files.size(); ++f) {
            const PackageFile& file = package.m_dirs[d].files[f];
            InspectedFile inspected{static_cast<int>(d), static_cast<int>(f), 0, ""};
            if (file.nDataSize > 0 && in.Seek(static_cast<uint64_t>(file.nDataPos))) {
                DecodeResult r = MeasureSequence(in, static_cast<uint32_t>(file.nDataSize));
                inspected.size = r.produced;
                if (!r.ok()) {
                    inspected.problem = DescribeDecodeError(r.error);
                }
            }
            result.files.push_back(std::move(inspected));
        }
    }
    if (package.m_nUninstallerSize > 0 && in.Seek(static_cast<uint64_t>(package.m_nUninstallerPos))) {
        DecodeResult r = MeasureSequence(in, static_cast<uint32_t>(package.m_nUninstallerSize));
        result.uninstallerSize = r.produced;
        if (!r.ok()) {
            result.uninstallerProblem = DescribeDecodeError(r.error);
        }
    }
    if (package.m_status.sound()) {
        IdentifyUninstaller(package, in, result);
    }
    return result;
}

SetupVerification VerifySetup(const std::filesystem::path& setupPath,
                              const std::function<void(uint64_t, uint64_t)>& progress) {
    SetupVerification result;
    std::vector<std::string>& problems = result.damaged;
    CPackageInfo package;
    LoadPackageFile(package, setupPath.native());
    result.names = JudgeNames(package);
    if (!package.m_status.sound()) {
        // Texts and images were decoded by the load itself; its status names the first bad item.
        const PackageStatus& s = package.m_status;
        problems.push_back(s.where + ": " + s.reason + " (at byte " + std::to_string(s.offset) + ")");
    }
    os::InputFile in;
    if (!in.Open(setupPath.native())) {
        return result;
    }
    uint64_t total = static_cast<uint64_t>(package.m_nUninstallerSize);
    for (const PackageDir& dir : package.m_dirs) {
        for (const PackageFile& file : dir.files) {
            total += static_cast<uint64_t>(file.nDataSize);
        }
    }
    CBlockDecoder decoder;
    uint64_t done = 0;
    auto check = [&](int32_t pos, int32_t size, const std::string& what) {
        if (size <= 0) {
            return;
        }
        DecodeResult r;
        if (!in.Seek(static_cast<uint64_t>(pos))) {
            r.error = DecodeError::kReadFailed;
        } else {
            r = decoder.DecodeToStream(in, nullptr, static_cast<uint32_t>(size));
        }
        if (!r.ok()) {
            problems.push_back(what + ": " + DescribeDecodeError(r.error));
        }
        done += static_cast<uint64_t>(size);
        if (progress) {
            progress(done, total);
        }
    };
    for (const PackageDir& dir : package.m_dirs) {
        for (const PackageFile& file : dir.files) {
            check(file.nDataPos, file.nDataSize, "file " + DisplayPath(dir, file));
        }
    }
    if (package.m_status.sound()) {
        check(package.m_nUninstallerPos, package.m_nUninstallerSize, "uninstaller");
    }
    return result;
}

}  // namespace voz
