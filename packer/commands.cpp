#include "packer/commands.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

#include "os/file.h"
#include "packer/authenticode.h"
#include "packer/manifest.h"
#include "packer/pack_error.h"
#include "packer/package_writer.h"
#include "packer/setup_inspection.h"
#include "packer/terminal_progress.h"

namespace voz {

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadStub(const std::optional<fs::path>& stub) {
    if (!stub) {
        // No Windows stub given: a zero-filled placeholder of the stub's size keeps the package offset right.
        return std::vector<uint8_t>(kStubSize, 0);
    }
    std::ifstream in(*stub, std::ios::binary);
    if (!in) {
        throw PackError(stub->string() + ": cannot open the stub");
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.size() != kStubSize) {
        throw PackError(stub->string() + ": the stub is " + std::to_string(bytes.size()) + " bytes; it must be exactly " +
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

// Width and height of a BMP's info header, for display; zeros when it is too short.
std::pair<int32_t, int32_t> BitmapSize(const uint8_t* bytes, int32_t size) {
    if (bytes == nullptr || size < 26) {
        return {0, 0};
    }
    auto at = [&](int i) { return static_cast<int32_t>(bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16) | (uint32_t{bytes[i + 3]} << 24)); };
    return {at(18), at(22)};
}

nlohmann::json ToJson(const SetupInspection& inspection) {
    const CPackageInfo& p = *inspection.package;
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
    for (int d = 0; d < p.m_nDirCount; ++d) {
        nlohmann::json folder = {{"name", DisplayText(p.m_dirs[d].szName)}, {"files", nlohmann::json::array()}};
        for (int f = 0; f < p.m_dirs[d].nFileCount; ++f, ++index) {
            const PackageFile& file = p.m_dirs[d].files[f];
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
        }
        j["folders"].push_back(folder);
    }
    j["group"] = DisplayText(p.m_szGroup);
    j["shortcuts"] = nlohmann::json::array();
    for (int i = 0; i < p.m_nShortcutCount; ++i) {
        const PackageShortcut& s = p.m_shortcuts[i];
        j["shortcuts"].push_back({{"link", DisplayText(s.szLinkName)},
                                  {"target", DisplayText(s.szTarget)},
                                  {"icon", DisplayText(s.szIcon)},
                                  {"place", s.nPlace}});
    }
    j["style_copies"] = nlohmann::json::array();
    for (int i = 0; i < p.m_nCopyCount; ++i) {
        const PackageCopy& c = p.m_copies[i];
        j["style_copies"].push_back(
            {{"source", DisplayText(c.szSource)}, {"dest", DisplayText(c.szDest)}, {"style", DisplayText(c.szStyle)}});
    }
    j["removes"] = nlohmann::json::array();
    for (int i = 0; i < p.m_nRemoveCount; ++i) {
        j["removes"].push_back(DisplayText(p.m_szRemove[i]));
    }
    j["uninstaller"] = {{"size", inspection.uninstallerSize}, {"stored", p.m_nUninstallerSize}};
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
    std::printf("title:          %s\n", h["title"].get<std::string>().c_str());
    std::printf("version:        %s\n", h["version"].get<std::string>().c_str());
    std::printf("company:        %s\n", h["company"].get<std::string>().c_str());
    std::printf("install folder: %s\n", h["install_dir"].get<std::string>().c_str());
    std::printf("main program:   %s\n", h["main_exe"].get<std::string>().c_str());
    std::printf("source folder:  %s\n", h["source_dir"].get<std::string>().c_str());
    std::printf("default order software: %d\n", h["default_order_software"].get<int>());
    std::printf("screens (text bytes, image bytes and size):\n");
    for (const char* key : kScreenKeys) {
        const auto& img = j["images"][key];
        std::printf("  %-8s text %6zu  image %8d  %dx%d\n", key, j["texts"][key].get<size_t>(), img["size"].get<int>(),
                    img["width"].get<int>(), img["height"].get<int>());
    }
    uint64_t files = 0;
    uint64_t bytes = 0;
    uint64_t stored = 0;
    for (const auto& folder : j["folders"]) {
        std::string name = folder["name"];
        std::printf("folder %s\n", name.empty() ? "(install folder)" : name.c_str());
        for (const auto& f : folder["files"]) {
            std::printf("  %12llu %12llu  %s  %s  %s  %s%s\n", f["size"].get<unsigned long long>(),
                        f["stored"].get<unsigned long long>(), f["created"].get<std::string>().c_str(),
                        f["accessed"].get<std::string>().c_str(), f["written"].get<std::string>().c_str(),
                        f["name"].get<std::string>().c_str(),
                        f.contains("problem") ? (" [" + f["problem"].get<std::string>() + "]").c_str() : "");
            ++files;
            bytes += f["size"].get<uint64_t>();
            stored += f["stored"].get<uint64_t>();
        }
    }
    std::printf("%zu folders, %llu files, %llu bytes, %llu stored\n", j["folders"].size(),
                static_cast<unsigned long long>(files), static_cast<unsigned long long>(bytes),
                static_cast<unsigned long long>(stored));
    std::printf("program group: %s\n", j["group"].get<std::string>().c_str());
    for (const auto& s : j["shortcuts"]) {
        std::string target = s["target"];
        std::string icon = s["icon"];
        std::printf("shortcut %-7s %s -> %s (icon %s)\n", PlaceName(s["place"].get<int32_t>()),
                    s["link"].get<std::string>().c_str(), target.empty() ? "(uninstaller)" : target.c_str(),
                    icon.empty() ? "of the target" : icon.c_str());
    }
    for (const auto& c : j["style_copies"]) {
        std::printf("style copy [%s] %s -> %s\n", c["style"].get<std::string>().c_str(),
                    c["source"].get<std::string>().c_str(), c["dest"].get<std::string>().c_str());
    }
    for (const auto& r : j["removes"]) {
        std::printf("remove %s\n", r.get<std::string>().c_str());
    }
    std::printf("uninstaller: %llu bytes, %llu stored\n", j["uninstaller"]["size"].get<unsigned long long>(),
                j["uninstaller"]["stored"].get<unsigned long long>());
    const auto& status = j["status"];
    if (status["state"] == "sound") {
        std::printf("package: sound\n");
    } else {
        std::printf("package: %s at %s: %s (byte %llu)\n", status["state"].get<std::string>().c_str(),
                    status["where"].get<std::string>().c_str(), status["reason"].get<std::string>().c_str(),
                    status["offset"].get<unsigned long long>());
    }
}

bool CheckReadable(const fs::path& setup) {
    os::InputFile in;
    if (!in.Open(setup.string())) {
        std::fprintf(stderr, "vozpack: %s: cannot open the file\n", setup.string().c_str());
        return false;
    }
    return true;
}

}  // namespace

std::optional<fs::path> DefaultStub(const fs::path& toolFolder) {
    for (const fs::path& stub : {toolFolder / kDefaultStubName, toolFolder / ".." / "share" / "vozpack" / kDefaultStubName}) {
        std::error_code ec;
        if (fs::is_regular_file(stub, ec)) {
            return stub.lexically_normal();
        }
    }
    return std::nullopt;
}

int BuildCommand(const fs::path& manifest, const fs::path& output, const std::optional<fs::path>& stub,
                 const std::optional<SigningKey>& signing) {
    fs::path temp = output;
    temp += ".tmp" + std::to_string(getpid());
    try {
        std::vector<uint8_t> stubBytes = ReadStub(stub);
        if (!stub) {
            std::fprintf(stderr, "vozpack: no Windows stub: %s holds a placeholder and does not run\n",
                         output.string().c_str());
        }
        PackageSpec spec = LoadManifest(manifest);
        os::OutputFile out;
        if (!out.Create(temp.string())) {
            throw PackError(output.string() + ": cannot create the file");
        }
        out.Write(stubBytes.data(), stubBytes.size());
        TerminalProgress bar("packing");
        WriteOptions options;
        options.progress = [&](uint64_t done, uint64_t total) { bar.Update(done, total); };
        WritePackage(spec, out, options);
        if (!out.Close()) {
            throw PackError(output.string() + ": cannot write the file");
        }
        if (signing) {
            SignSetup(temp, signing->certificate, signing->key);
        }
        fs::rename(temp, output);
    } catch (const std::exception& e) {
        std::error_code ec;
        fs::remove(temp, ec);
        std::fprintf(stderr, "vozpack: %s\n", e.what());
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
        std::fprintf(stderr, "vozpack: %s\n", e.what());
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
        std::cout << j.dump(2) << "\n";
    } else {
        PrintText(j);
        std::printf("signature: %s\n", j["signature"]["description"].get<std::string>().c_str());
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
    std::printf("signature: %s\n", DescribeSignature(signature).c_str());
    if (!signature.sound()) {
        problems.push_back("signature: " + DescribeSignature(signature));
    }
    for (const auto& p : problems) {
        std::printf("damaged: %s\n", p.c_str());
    }
    if (!problems.empty()) {
        std::printf("%s: %zu damaged item%s\n", setup.string().c_str(), problems.size(), problems.size() == 1 ? "" : "s");
        return 1;
    }
    std::printf("%s: sound\n", setup.string().c_str());
    return 0;
}

}  // namespace voz
