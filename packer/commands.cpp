#include "packer/commands.h"

#include <fstream>
#include <nlohmann/json.hpp>

#include "os/console.h"
#include "os/file.h"
#include "os/process.h"
#include "packer/authenticode.h"
#include "packer/console_text.h"
#include "packer/manifest.h"
#include "packer/package_check.h"
#include "packer/pack_error.h"
#include "packer/package_writer.h"
#include "packer/setup_inspection.h"
#include "packer/setup_listing.h"
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
        throw PackError(PathText(*stub) + ": the stub is " + std::to_string(bytes.size()) +
                        " bytes; it must be exactly " + std::to_string(kStubSize));
    }
    return bytes;
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
    for (const fs::path& file :
         {folder / PathFromUtf8(name), folder / ".." / "share" / "vozpack" / PathFromUtf8(name)}) {
        std::error_code ec;
        if (fs::is_regular_file(file, ec)) {
            return file.lexically_normal();
        }
    }
    return std::nullopt;
}

namespace {

// A manifest that names no uninstaller gets the default one, and the packer says which.
void TakeDefaultUninstaller(PackageSource& package, const std::optional<fs::path>& defaultUninstaller) {
    if (!defaultUninstaller) {
        PrintError(
            "vozpack: no uninstaller: the manifest names none and there is no %s beside vozpack; "
            "卸载.exe will hold only its data and will not run\n",
            kDefaultUninstallerName);
        return;
    }
    package.uninstaller = ReadWholeFile(*defaultUninstaller, "uninstaller");
    PrintError("vozpack: uninstaller: the manifest names none; packing %s\n", PathText(*defaultUninstaller).c_str());
}

}  // namespace

int BuildCommand(const fs::path& manifest, const fs::path& output, const BuildOptions& options) {
    fs::path temp = output;
    temp += ".tmp" + std::to_string(os::ProcessId());
    try {
        PackReport report;
        PackageSource package = LoadManifest(manifest, report);
        for (const std::string& warning : report.warnings) {
            PrintError("vozpack: warning: %s\n", warning.c_str());
        }
        for (const std::string& problem : report.problems) {
            PrintError("vozpack: %s\n", problem.c_str());
        }
        if (!report.problems.empty()) {
            PrintError("vozpack: %s: nothing written; %zu item%s to correct\n", PathText(output).c_str(),
                       report.problems.size(), report.problems.size() == 1 ? "" : "s");
            return 2;
        }
        std::vector<uint8_t> stubBytes = ReadStub(options.stub, options.placeholderStub);
        if (options.placeholderStub) {
            PrintError("vozpack: %s holds a placeholder stub and does not run\n", PathText(output).c_str());
        }
        if (!package.uninstallerNamed) {
            TakeDefaultUninstaller(package, options.defaultUninstaller);
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
        WritePackage(package, out, writing);
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
    const SetupInspection inspection = InspectSetup(setup);
    const SignatureReport signature = CheckSignature(setup);
    if (!json) {
        PrintListing(inspection);
        PrintOut("signature: %s\n", DescribeSignature(signature).c_str());
        return 0;
    }
    nlohmann::json j = ListingJson(inspection);
    j["signature"] = {{"signed", signature.signedFile}, {"description", DescribeSignature(signature)}};
    if (signature.signedFile) {
        j["signature"]["algorithm"] = signature.algorithm;
        j["signature"]["digest_matches"] = signature.digestMatches;
        j["signature"]["signature_intact"] = signature.signatureIntact;
    }
    os::WriteText(os::Stream::kOutput, j.dump(2) + "\n");
    return 0;
}

int VerifyCommand(const fs::path& setup) {
    if (!CheckReadable(setup)) {
        return 2;
    }
    SetupVerification verification;
    {
        TerminalProgress bar("verifying");
        verification = VerifySetup(setup, [&](uint64_t done, uint64_t total) { bar.Update(done, total); });
    }
    std::vector<std::string>& damaged = verification.damaged;
    const SignatureReport signature = CheckSignature(setup);
    PrintOut("signature: %s\n", DescribeSignature(signature).c_str());
    if (!signature.sound()) {
        damaged.push_back("signature: " + DescribeSignature(signature));
    }
    for (const auto& line : damaged) {
        PrintOut("damaged: %s\n", line.c_str());
    }
    PrintNames(verification.names);
    const size_t refused = verification.names.refused.size();
    const size_t notes = verification.names.notes.size();
    if (!damaged.empty() || refused > 0) {
        PrintOut("%s: %zu damaged item%s, %zu item%s the setup would refuse\n", PathText(setup).c_str(), damaged.size(),
                 damaged.size() == 1 ? "" : "s", refused, refused == 1 ? "" : "s");
        return 1;
    }
    if (notes > 0) {
        PrintOut("%s: sound, %zu note%s\n", PathText(setup).c_str(), notes, notes == 1 ? "" : "s");
    } else {
        PrintOut("%s: sound\n", PathText(setup).c_str());
    }
    return 0;
}

}  // namespace voz
