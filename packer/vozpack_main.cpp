// vozpack: builds setup executables and looks into them.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <sstream>

#include "os/console.h"
#include "os/process.h"
#include "packer/commands.h"
#include "packer/console_text.h"

namespace {

// CLI11 reports a first word that names no command as a missing command; this
// names the word instead. The arguments are in CLI11's order, last first.
bool ReportUnknownCommand(CLI::App& app, const std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments.back().empty() || arguments.back()[0] == '-') {
        return false;
    }
    std::string names;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        if (command->check_name(arguments.back())) {
            return false;
        }
        names += (names.empty() ? "" : ", ") + command->get_name();
    }
    voz::PrintError("vozpack: \"%s\" is no command (%s); see vozpack --help\n", arguments.back().c_str(),
                    names.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vozpack: build, sign, list, verify and extract setup packages", "vozpack"};
    app.require_subcommand(1);
    app.footer(
        "Run 'vozpack COMMAND --help' for a command's options.\n"
        "Exit status: 0 success; 1 a damaged setup (verify) or failures while installing (extract); "
        "2 bad input or usage.\n"
        "A manifest names the client tree, the texts, pictures, shortcuts, style copies and removals of a setup "
        "(see the manifest reference, docs/manifest.md, and sample/manifest.toml).");

    std::string manifest;
    std::string setup;
    std::string output;
    std::string stub;
    voz::EncoderLevel level = voz::EncoderLevel::kBest;
    CLI::App* build = app.add_subcommand("build", "pack a client tree into a setup executable");
    build->add_option("manifest", manifest, "package manifest (TOML)")->required();
    build->add_option("-o,--output", output, "setup executable to write")->required();
    build->add_option("--stub", stub,
                      "Windows setup stub (315,392 bytes); default: setup-stub.exe beside vozpack or in "
                      "../share/vozpack");
    bool placeholderStub = false;
    build->add_flag("--placeholder-stub", placeholderStub,
                    "for tests only: pack into a zero-filled placeholder of the stub's size; the setup does not run");

    std::string uninstaller;
    build->add_option("--uninstaller", uninstaller,
                      "uninstaller for a manifest that names none; default: uninstaller.exe beside vozpack or in "
                      "../share/vozpack, or when there is none, no program");
    const std::map<std::string, voz::EncoderLevel> levels{{"fast", voz::EncoderLevel::kFast},
                                                          {"best", voz::EncoderLevel::kBest}};
    build->add_option("--level", level, "fast: quick greedy matching; best (default): the smallest blocks")
        ->transform(CLI::CheckedTransformer(levels, CLI::ignore_case));
    build->footer("Example: vozpack build sample/manifest.toml -o setup.exe --sign-cert cert.pem --sign-key key.pem");
    voz::SigningKey signing;
    CLI::Option* signCert = build->add_option("--sign-cert", signing.certificate,
                                              "sign the setup (Authenticode, through osslsigncode) with this certificate "
                                              "(PEM or DER); needs --sign-key");
    CLI::Option* signKey = build->add_option("--sign-key", signing.key, "the certificate's private key (PEM or DER)");
    signCert->needs(signKey);
    signKey->needs(signCert);

    CLI::App* sign = app.add_subcommand("sign", "sign a built setup (Authenticode, through osslsigncode)");
    sign->add_option("setup", setup, "setup executable, signed in place")->required();
    sign->add_option("--cert", signing.certificate, "certificate (PEM or DER)")->required();
    sign->add_option("--key", signing.key, "the certificate's private key (PEM or DER)")->required();
    sign->footer("list and verify report whether a setup is signed and whether its digest still matches the file.");

    bool json = false;
    CLI::App* list = app.add_subcommand("list", "show what a setup holds");
    list->add_option("setup", setup, "setup executable")->required();
    list->add_flag("--json", json, "print JSON");

    CLI::App* verify = app.add_subcommand(
        "verify", "decode every item of a setup and check its signature; report damage (exit status 1)");
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
    if (ReportUnknownCommand(app, arguments)) {
        return 2;
    }
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
            voz::BuildOptions options;
            options.stub = stub.empty() ? voz::FileBesideTool(voz::kDefaultStubName) : PathFromUtf8(stub);
            options.placeholderStub = placeholderStub;
            options.defaultUninstaller =
                uninstaller.empty() ? voz::FileBesideTool(voz::kDefaultUninstallerName) : PathFromUtf8(uninstaller);
            options.level = level;
            if (signCert->count() > 0) {
                options.signing = signing;
            }
            return voz::BuildCommand(PathFromUtf8(manifest), PathFromUtf8(output), options);
        }
        if (*sign) {
            return voz::SignCommand(PathFromUtf8(setup), signing);
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
