#include "packer/commands.h"

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "os/console.h"
#include "os/file.h"
#include "os/process.h"
#include "package/package_image.h"
#include "package/package_loader.h"
#include "packer/authenticode.h"
#include "packer/console_text.h"
#include "packer/manifest.h"
#include "packer/package_check.h"
#include "packer/pack_error.h"
#include "packer/package_writer.h"
#include "packer/setup_inspection.h"
#include "packer/terminal_progress.h"

namespace voz {

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadWholeFile(const fs::path& path, const char* what) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw PackError(PathText(path) + ": cannot open the " + what);
    }
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

std::vector<uint8_t> ReadStub(const std::optional<fs::path>& stub, bool placeholder) {
    if (placeholder) {
        // For tests only: a zero-filled placeholder of the stub's size keeps the package offset right.
        return std::vector<uint8_t>(kStubSize, 0);
    }
    if (!stub) {
        throw PackError(std::string("no setup stub: name one with --stub, or put ") + kDefaultStubName +
                        " beside vozpack");
    }
    std::vector<uint8_t> bytes = ReadWholeFile(*stub, "stub");
    if (bytes.size() != kStubSize) {
        throw PackError(PathText(*stub) + ": the stub is " + std::to_string(bytes.size()) + " bytes; it must be exactly " +
                        std::to_string(kStubSize));
    }
    return bytes;
}

std::string FormatTime(const PackageTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond, t.wMilliseconds);
    return buf;
}

const char* PlaceName(int32_t place) {
    return place == kPlaceDesktop ? "desktop" : place == kPlaceGroup ? "group" : "none";
}

const char* StateName(PackageStatus::State state) {
    switch (state) {
    case PackageStatus::State::kSound: return "sound";
    case PackageStatus::State::kTruncated: return "truncated";
    case PackageStatus::State::kDamaged: return "damaged";
    }
    return "unknown";
}

// Width and height of an image as the setup reads it; zeros when it cannot draw it.
std::pair<int32_t, int32_t> BitmapSize(const uint8_t* bytes, int32_t size) {
    std::optional<PackageImageView> view = ParsePackageImage(bytes, size > 0 ? static_cast<size_t>(size) : 0);
    return view ? std::pair{view->width, view->height} : std::pair{0, 0};
}

nlohmann::json ToJson(const SetupInspection& inspection) {
    const CPackageInfo& p = inspection.package;
    nlohmann::json j;
    j["file_size"] = inspection.fileSize;
    j["header"] = {{"title", DisplayText(p.m_szTitle)},
                   {"version", DisplayText(p.m_szVersion)},
                   {"company", DisplayText(p.m_szCompany)},
                   {"install_dir", DisplayText(p.m_szInstallDir)},
                   {"main_exe", DisplayText(p.m_szMainExe)},
                   {"source_dir", DisplayText(p.m_szSourceDir)},
                   {"default_order_software", p.m_nDefaultOrderSoftware}};
    for (int i = 0; i < kScreenCount; ++i) {
        auto [w, h] = BitmapSize(p.Image(i), p.ImageSize(i));
        j["texts"][kScreenKeys[i]] = p.Text(i).size();
        j["images"][kScreenKeys[i]] = {{"size", p.ImageSize(i)}, {"width", w}, {"height", h}};
    }
    j["folders"] = nlohmann::json::array();
    size_t index = 0;
    for (const PackageDir& dir : p.m_dirs) {
        nlohmann::json folder = {{"name", DisplayText(dir.szName)}, {"files", nlohmann::json::array()}};
        for (const PackageFile& file : dir.files) {
            nlohmann::json jf = {{"name", DisplayText(file.szName)},
                                 {"size", inspection.files[index].size},
                                 {"stored", file.nDataSize},
                                 {"created", FormatTime(file.stCreation)},
                                 {"accessed", FormatTime(file.stLastAccess)},
                                 {"written", FormatTime(file.stLastWrite)}};
            if (!inspection.files[index].problem.empty()) {
                jf["problem"] = inspection.files[index].problem;
            }
            folder["files"].push_back(jf);
            ++index;
        }
        j["folders"].push_back(folder);
    }
    j["group"] = DisplayText(p.m_szGroup);
    j["shortcuts"] = nlohmann::json::array();
    for (const PackageShortcut& s : p.m_shortcuts) {
        j["shortcuts"].push_back({{"link", DisplayText(s.szLinkName)},
                                  {"target", DisplayText(s.szTarget)},
                                  {"icon", DisplayText(s.szIcon)},
                                  {"place", s.nPlace}});
    }
    j["style_copies"] = nlohmann::json::array();
    for (const PackageCopy& c : p.m_copies) {
        j["style_copies"].push_back(
            {{"source", DisplayText(c.szSource)}, {"dest", DisplayText(c.szDest)}, {"style", DisplayText(c.szStyle)}});
    }
    j["removes"] = nlohmann::json::array();
    for (const PackageRemove& r : p.m_removes) {
        j["removes"].push_back(DisplayText(r.szPath));
    }
    j["uninstaller"] = {{"size", inspection.uninstallerSize}, {"stored", p.m_nUninstallerSize}};
    j["refused"] = inspection.refused;
    if (!inspection.uninstallerKind.empty()) {
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", inspection.uninstallerCrc);
        j["uninstaller"]["kind"] = inspection.uninstallerKind;
        j["uninstaller"]["crc32"] = crc;
    }
    j["status"] = {{"state", StateName(p.m_status.state)}};
    if (!p.m_status.sound()) {
        j["status"]["where"] = p.m_status.where;
        j["status"]["reason"] = p.m_status.reason;
        j["status"]["offset"] = p.m_status.offset;
    }
    return j;
}

void PrintText(const nlohmann::json& j) {
    const auto& h = j["header"];
    PrintOut("title:          %s\n", h["title"].get<std::string>().c_str());
    PrintOut("version:        %s\n", h["version"].get<std::string>().c_str());
    PrintOut("company:        %s\n", h["company"].get<std::string>().c_str());
    PrintOut("install folder: %s\n", h["install_dir"].get<std::string>().c_str());
    PrintOut("main program:   %s\n", h["main_exe"].get<std::string>().c_str());
    PrintOut("source folder:  %s\n", h["source_dir"].get<std::string>().c_str());
    PrintOut("default order software: %d\n", h["default_order_software"].get<int>());
    PrintOut("screens (text bytes, image bytes and size):\n");
    for (const char* key : kScreenKeys) {
        const auto& img = j["images"][key];
        PrintOut("  %-8s text %6zu  image %8d  %dx%d\n", key, j["texts"][key].get<size_t>(), img["size"].get<int>(),
                    img["width"].get<int>(), img["height"].get<int>());
    }
    uint64_t files = 0;
    uint64_t bytes = 0;
    uint64_t stored = 0;
    for (const auto& folder : j["folders"]) {
        std::string name = folder["name"];
        PrintOut("folder %s\n", name.empty() ? "(install folder)" : name.c_str());
        for (const auto& f : folder["files"]) {
            PrintOut("  %12llu %12llu  %s  %s  %s  %s%s\n", f["size"].get<unsigned long long>(),
                        f["stored"].get<unsigned long long>(), f["created"].get<std::string>().c_str(),
                        f["accessed"].get<std::string>().c_str(), f["written"].get<std::string>().c_str(),
                        f["name"].get<std::string>().c_str(),
                        f.contains("problem") ? (" [" + f["problem"].get<std::string>() + "]").c_str() : "");
            ++files;
            bytes += f["size"].get<uint64_t>();
            stored += f["stored"].get<uint64_t>();
        }
    }
    PrintOut("%zu folders, %llu files, %llu bytes, %llu stored\n", j["folders"].size(),
                static_cast<unsigned long long>(files), static_cast<unsigned long long>(bytes),
                static_cast<unsigned long long>(stored));
    PrintOut("program group: %s\n", j["group"].get<std::string>().c_str());
    for (const auto& s : j["shortcuts"]) {
        std::string target = s["target"];
        std::string icon = s["icon"];
        PrintOut("shortcut %-7s %s -> %s (icon %s)\n", PlaceName(s["place"].get<int32_t>()),
                    s["link"].get<std::string>().c_str(), target.empty() ? "(uninstaller)" : target.c_str(),
                    icon.empty() ? "of the target" : icon.c_str());
    }
    for (const auto& c : j["style_copies"]) {
        PrintOut("style copy [%s] %s -> %s\n", c["style"].get<std::string>().c_str(),
                    c["source"].get<std::string>().c_str(), c["dest"].get<std::string>().c_str());
    }
    for (const auto& r : j["removes"]) {
        PrintOut("remove %s\n", r.get<std::string>().c_str());
    }
    const auto& uninstaller = j["uninstaller"];
    PrintOut("uninstaller: %llu bytes, %llu stored", uninstaller["size"].get<unsigned long long>(),
             uninstaller["stored"].get<unsigned long long>());
    if (uninstaller.contains("kind")) {
        PrintOut(", %s, CRC-32 %s", uninstaller["kind"].get<std::string>().c_str(),
                 uninstaller["crc32"].get<std::string>().c_str());
    }
    PrintOut("\n");
    for (const auto& refused : j["refused"]) {
        PrintOut("refused by the setup: %s\n", refused.get<std::string>().c_str());
    }
    const auto& status = j["status"];
    if (status["state"] == "sound") {
        PrintOut("package: sound\n");
    } else {
        PrintOut("package: %s at %s: %s (byte %llu)\n", status["state"].get<std::string>().c_str(),
                    status["where"].get<std::string>().c_str(), status["reason"].get<std::string>().c_str(),
                    status["offset"].get<unsigned long long>());
    }
}

bool CheckReadable(const fs::path& setup) {
    os::InputFile in;
    if (!in.Open(setup.native())) {
        PrintError("vozpack: %s: cannot open the file\n", PathText(setup).c_str());
        return false;
    }
    return true;
}

}  // namespace

std::optional<fs::path> FileBesideTool(const std::string& name) {
    const os::NativePath tool = os::ProgramPath();
    if (tool.empty()) {
        return std::nullopt;
    }
    const fs::path folder = fs::path(tool).parent_path();
    for (const fs::path& file : {folder / PathFromUtf8(name), folder / ".." / "share" / "vozpack" / PathFromUtf8(name)}) {
        std::error_code ec;
        if (fs::is_regular_file(file, ec)) {
            return file.lexically_normal();
        }
    }
    return std::nullopt;
}

namespace {

// A manifest that names no uninstaller gets the default one, and the packer says which.
void TakeDefaultUninstaller(PackageSpec& spec, const std::optional<fs::path>& defaultUninstaller) {
    if (!defaultUninstaller) {
        PrintError("vozpack: no uninstaller: the manifest names none and there is no %s beside vozpack; "
                   "卸载.exe will hold only its data and will not run\n",
                   kDefaultUninstallerName);
        return;
    }
    spec.uninstaller = ReadWholeFile(*defaultUninstaller, "uninstaller");
    PrintError("vozpack: uninstaller: the manifest names none; packing %s\n", PathText(*defaultUninstaller).c_str());
}

}  // namespace

int BuildCommand(const fs::path& manifest, const fs::path& output, const BuildOptions& options) {
    fs::path temp = output;
    temp += ".tmp" + std::to_string(os::ProcessId());
    try {
        PackReport report;
        PackageSpec spec = LoadManifest(manifest, report);
        for (const std::string& warning : report.warnings) {
            PrintError("vozpack: warning: %s\n", warning.c_str());
        }
        for (const std::string& problem : report.problems) {
            PrintError("vozpack: %s\n", problem.c_str());
        }
        if (!report.problems.empty()) {
            PrintError("vozpack: %s: nothing written; the setup would refuse %zu item%s\n",
                         PathText(output).c_str(), report.problems.size(), report.problems.size() == 1 ? "" : "s");
            return 2;
        }
        std::vector<uint8_t> stubBytes = ReadStub(options.stub, options.placeholderStub);
        if (options.placeholderStub) {
            PrintError("vozpack: %s holds a placeholder stub and does not run\n", PathText(output).c_str());
        }
        if (!spec.uninstallerNamed) {
            TakeDefaultUninstaller(spec, options.defaultUninstaller);
        }
        os::OutputFile out;
        if (!out.Create(temp.native())) {
            throw PackError(PathText(output) + ": cannot create the file");
        }
        out.Write(stubBytes.data(), stubBytes.size());
        TerminalProgress bar("packing");
        WriteOptions writing;
        writing.encoder.level = options.level;
        writing.progress = [&](uint64_t done, uint64_t total) { bar.Update(done, total); };
        WritePackage(spec, out, writing);
        if (!out.Close()) {
            throw PackError(PathText(output) + ": cannot write the file");
        }
        if (options.signing) {
            SignSetup(temp, options.signing->certificate, options.signing->key);
        }
        fs::rename(temp, output);
    } catch (const std::exception& e) {
        std::error_code ec;
        fs::remove(temp, ec);
        PrintError("vozpack: %s\n", e.what());
        return 2;
    }
    return 0;
}

int SignCommand(const fs::path& setup, const SigningKey& signing) {
    if (!CheckReadable(setup)) {
        return 2;
    }
    try {
        SignSetup(setup, signing.certificate, signing.key);
    } catch (const PackError& e) {
        PrintError("vozpack: %s\n", e.what());
        return 2;
    }
    return 0;
}

int ListCommand(const fs::path& setup, bool json) {
    if (!CheckReadable(setup)) {
        return 2;
    }
    nlohmann::json j = ToJson(InspectSetup(setup));
    const SignatureReport signature = CheckSignature(setup);
    j["signature"] = {{"signed", signature.signedFile}, {"description", DescribeSignature(signature)}};
    if (signature.signedFile) {
        j["signature"]["algorithm"] = signature.algorithm;
        j["signature"]["digest_matches"] = signature.digestMatches;
        j["signature"]["signature_intact"] = signature.signatureIntact;
    }
    if (json) {
        os::WriteText(os::Stream::kOutput, j.dump(2) + "\n");
    } else {
        PrintText(j);
        PrintOut("signature: %s\n", j["signature"]["description"].get<std::string>().c_str());
    }
    return 0;
}

int VerifyCommand(const fs::path& setup) {
    if (!CheckReadable(setup)) {
        return 2;
    }
    std::vector<std::string> problems;
    {
        TerminalProgress bar("verifying");
        problems = VerifySetup(setup, [&](uint64_t done, uint64_t total) { bar.Update(done, total); });
    }
    const SignatureReport signature = CheckSignature(setup);
    PrintOut("signature: %s\n", DescribeSignature(signature).c_str());
    if (!signature.sound()) {
        problems.push_back("signature: " + DescribeSignature(signature));
    }
    for (const auto& p : problems) {
        PrintOut("damaged: %s\n", p.c_str());
    }
    CPackageInfo package;
    LoadPackageFile(package, setup.native());
    const std::vector<std::string> refused = RefusedNames(package);
    for (const auto& r : refused) {
        PrintOut("refused by the setup: %s\n", r.c_str());
    }
    if (!problems.empty() || !refused.empty()) {
        PrintOut("%s: %zu damaged item%s, %zu item%s the setup would refuse\n", PathText(setup).c_str(),
                    problems.size(), problems.size() == 1 ? "" : "s", refused.size(), refused.size() == 1 ? "" : "s");
        return 1;
    }
    PrintOut("%s: sound\n", PathText(setup).c_str());
    return 0;
}

}  // namespace voz
