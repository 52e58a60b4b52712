// vozpack: builds setup executables and looks into them.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <sstream>

#include "os/console.h"
#include "os/process.h"
#include "packer/commands.h"
#include "packer/console_text.h"

int main(int argc, char** argv) {
    CLI::App app{"vozpack: build, list, verify and extract setup packages", "vozpack"};
    app.require_subcommand(1);

    std::string manifest;
    std::string output;
    std::string stub;
    voz::EncoderLevel level = voz::EncoderLevel::kBest;
    CLI::App* build = app.add_subcommand("build", "pack a client tree into a setup executable");
    build->add_option("manifest", manifest, "package manifest (TOML)")->required();
    build->add_option("-o,--output", output, "setup executable to write")->required();
    build->add_option("--stub", stub, "Windows setup stub (315,392 bytes); default: setup-stub.exe beside vozpack");
    bool placeholderStub = false;
    build->add_flag("--placeholder-stub", placeholderStub,
                    "for tests only: pack into a zero-filled placeholder of the stub's size; the setup does not run");

    std::string uninstaller;
    build->add_option("--uninstaller", uninstaller,
                      "uninstaller for a manifest that names none; default: uninstaller.exe beside vozpack, or when "
                      "there is none, no program");
    const std::map<std::string, voz::EncoderLevel> levels{{"fast", voz::EncoderLevel::kFast},
                                                          {"best", voz::EncoderLevel::kBest}};
    build->add_option("--level", level, "fast: quick greedy matching; best (default): the smallest blocks")
        ->transform(CLI::CheckedTransformer(levels, CLI::ignore_case));

    std::string setup;
    bool json = false;
    CLI::App* list = app.add_subcommand("list", "show what a setup holds");
    list->add_option("setup", setup, "setup executable")->required();
    list->add_flag("--json", json, "print JSON");

    CLI::App* verify = app.add_subcommand("verify", "decode every item of a setup and report damage");
    verify->add_option("setup", setup, "setup executable")->required();

    std::string installDir;
    std::string style;
    CLI::App* extract = app.add_subcommand("extract", "install a setup's package into a folder (no shortcuts)");
    extract->add_option("setup", setup, "setup executable")->required();
    extract->add_option("-d,--dir", installDir, "install folder")->required();
    CLI::Option* styleOption =
        extract->add_option("--style", style, "install style label; default: the first, as the wizard preselects");

    // Arguments are UTF-8 text; CLI11 takes them without the program's name, last first.
    std::vector<std::string> arguments = voz::os::ProgramArguments(argc, argv);
    arguments.erase(arguments.begin());
    std::reverse(arguments.begin(), arguments.end());
    try {
        app.parse(arguments);
    } catch (const CLI::ParseError& e) {
        // Usage errors share the bad-input status with the commands' own errors.
        std::ostringstream out;
        std::ostringstream error;
        int status = app.exit(e, out, error);
        voz::os::WriteText(voz::os::Stream::kOutput, out.str());
        voz::os::WriteText(voz::os::Stream::kError, error.str());
        return status == 0 ? 0 : 2;
    }
    // A path the system cannot take (an empty one, say) is bad input like any other, not a crash.
    try {
        using voz::PathFromUtf8;
        if (*build) {
            std::optional<std::filesystem::path> stubPath =
                stub.empty() ? voz::FileBesideTool(voz::kDefaultStubName) : PathFromUtf8(stub);
            std::optional<std::filesystem::path> uninstallerPath =
                uninstaller.empty() ? voz::FileBesideTool(voz::kDefaultUninstallerName) : PathFromUtf8(uninstaller);
            return voz::BuildCommand(PathFromUtf8(manifest), PathFromUtf8(output), stubPath, uninstallerPath,
                                     placeholderStub, level);
        }
        if (*list) {
            return voz::ListCommand(PathFromUtf8(setup), json);
        }
        if (*extract) {
            return voz::ExtractCommand(PathFromUtf8(setup), PathFromUtf8(installDir),
                                       styleOption->count() > 0 ? std::optional<std::string>(style) : std::nullopt);
        }
        return voz::VerifyCommand(PathFromUtf8(setup));
    } catch (const std::filesystem::filesystem_error& e) {
        voz::PrintError("vozpack: \"%s\": not a path the system can use\n", voz::PathText(e.path1()).c_str());
        return 2;
    }
}
