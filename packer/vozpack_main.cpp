// vozpack: builds setup executables and looks into them.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <optional>
#include <sstream>

#include "os/console.h"
#include "os/process.h"
#include "packer/commands.h"
#include "package/package_format.h"
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

// What the command line asks for: the values of every command's options,
// and the command given.
struct Request {
    std::string manifest, setup, output, stub, uninstaller, installDir, style;
    bool placeholderStub = false;
    bool json = false;
    voz::EncoderLevel level = voz::EncoderLevel::kBest;
    voz::SigningKey signing;
    CLI::App* build = nullptr;
    CLI::App* sign = nullptr;
    CLI::App* list = nullptr;
    CLI::App* extract = nullptr;
    CLI::Option* signCert = nullptr;
    CLI::Option* styleOption = nullptr;
};

void AddBuild(CLI::App& app, Request& r) {
    r.build = app.add_subcommand("build", "pack a client tree into a setup executable");
    r.build->add_option("manifest", r.manifest, "package manifest (TOML)")->required();
    r.build->add_option("-o,--output", r.output, "setup executable to write")->required();
    r.build->add_option("--stub", r.stub,
                        "Windows setup stub (" + voz::Grouped(voz::kStubSize) +
                            " bytes); default: setup-stub.exe beside vozpack or in ../share/vozpack");
    r.build->add_flag("--placeholder-stub", r.placeholderStub,
                      "for tests only: pack into a zero-filled placeholder of the stub's size; the setup does not run");
    r.build->add_option("--uninstaller", r.uninstaller,
                        "uninstaller for a manifest that names none; default: uninstaller.exe beside vozpack or in "
                        "../share/vozpack, or when there is none, no program");
    const std::map<std::string, voz::EncoderLevel> levels{{"fast", voz::EncoderLevel::kFast},
                                                          {"best", voz::EncoderLevel::kBest}};
    r.build->add_option("--level", r.level, "fast: quick greedy matching; best (default): the smallest blocks")
        ->transform(CLI::CheckedTransformer(levels, CLI::ignore_case));
    r.build->footer("Example: vozpack build sample/manifest.toml -o setup.exe --sign-cert cert.pem --sign-key key.pem");
    r.signCert = r.build->add_option("--sign-cert", r.signing.certificate,
                                     "sign the setup (Authenticode, through osslsigncode) with this certificate "
                                     "(PEM or DER); needs --sign-key");
    CLI::Option* signKey =
        r.build->add_option("--sign-key", r.signing.key, "the certificate's private key (PEM or DER)");
    r.signCert->needs(signKey);
    signKey->needs(r.signCert);
}

// The commands that take a built setup.
void AddSetupCommands(CLI::App& app, Request& r) {
    r.sign = app.add_subcommand("sign", "sign a built setup (Authenticode, through osslsigncode)");
    r.sign->add_option("setup", r.setup, "setup executable, signed in place")->required();
    r.sign->add_option("--cert", r.signing.certificate, "certificate (PEM or DER)")->required();
    r.sign->add_option("--key", r.signing.key, "the certificate's private key (PEM or DER)")->required();
    r.sign->footer("list and verify report whether a setup is signed and whether its digest still matches the file.");

    r.list = app.add_subcommand("list", "show what a setup holds");
    r.list->add_option("setup", r.setup, "setup executable")->required();
    r.list->add_flag("--json", r.json, "print JSON");

    CLI::App* verify = app.add_subcommand(
        "verify",
        "decode every item of a setup, check its signature and judge its names; report damage and names the "
        "setup would refuse (exit status 1)");
    verify->add_option("setup", r.setup, "setup executable")->required();

    r.extract = app.add_subcommand("extract", "install a setup's package into a folder (no shortcuts)");
    r.extract->add_option("setup", r.setup, "setup executable")->required();
    r.extract->add_option("-d,--dir", r.installDir, "install folder")->required();
    r.styleOption =
        r.extract->add_option("--style", r.style, "install style label; default: the first, as the wizard preselects");
}

// Parses the arguments (UTF-8 text whatever the system); the exit status
// when that is all there is to do: a usage error, or --help.
std::optional<int> Parse(CLI::App& app, int argc, char** argv) {
    // CLI11 takes the arguments without the program's name, last first.
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
    return std::nullopt;
}

int Build(const Request& r) {
    using voz::PathFromUtf8;
    voz::BuildOptions options;
    options.stub = r.stub.empty() ? voz::FileBesideTool(voz::kDefaultStubName) : PathFromUtf8(r.stub);
    options.placeholderStub = r.placeholderStub;
    options.defaultUninstaller =
        r.uninstaller.empty() ? voz::FileBesideTool(voz::kDefaultUninstallerName) : PathFromUtf8(r.uninstaller);
    options.level = r.level;
    if (r.signCert->count() > 0) {
        options.signing = r.signing;
    }
    return voz::BuildCommand(PathFromUtf8(r.manifest), PathFromUtf8(r.output), options);
}

// Runs the command asked for; a path the system cannot take (an empty one,
// say) is bad input like any other, not a crash.
int Run(const Request& r) {
    using voz::PathFromUtf8;
    try {
        if (*r.build) {
            return Build(r);
        }
        if (*r.sign) {
            return voz::SignCommand(PathFromUtf8(r.setup), r.signing);
        }
        if (*r.list) {
            return voz::ListCommand(PathFromUtf8(r.setup), r.json);
        }
        if (*r.extract) {
            return voz::ExtractCommand(PathFromUtf8(r.setup), PathFromUtf8(r.installDir),
                                       r.styleOption->count() > 0 ? std::optional(r.style) : std::nullopt);
        }
        return voz::VerifyCommand(PathFromUtf8(r.setup));
    } catch (const std::filesystem::filesystem_error& e) {
        voz::PrintError("vozpack: \"%s\": not a path the system can use\n", voz::PathText(e.path1()).c_str());
        return 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vozpack: build, sign, list, verify and extract setup packages", "vozpack"};
    app.require_subcommand(1);
    app.footer(
        "Run 'vozpack COMMAND --help' for a command's options.\n"
        "Exit status: 0 success; 1 a damaged setup or one the setup would refuse (verify) or failures while "
        "installing (extract); 2 bad input or usage.\n"
        "A manifest names the client tree, the texts, pictures, shortcuts, style copies and removals of a setup "
        "(see the manifest reference, docs/manifest.md, and sample/manifest.toml).");
    Request request;
    AddBuild(app, request);
    AddSetupCommands(app, request);
    if (std::optional<int> status = Parse(app, argc, argv)) {
        return *status;
    }
    return Run(request);
}
