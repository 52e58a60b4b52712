// vozpack: builds setup executables and looks into them.
#include <CLI/CLI.hpp>

#include "packer/commands.h"

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
    CLI::App* build = app.add_subcommand("build", "pack a client tree into a setup executable");
    build->add_option("manifest", manifest, "package manifest (TOML)")->required();
    build->add_option("-o,--output", output, "setup executable to write")->required();
    build->add_option("--stub", stub,
                      "Windows setup stub (315,392 bytes); default: setup-stub.exe beside vozpack or in "
                      "../share/vozpack, or when there is none, a zero-filled placeholder");
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

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Usage errors share the bad-input status with the commands' own errors.
        int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    if (*build) {
        std::optional<std::filesystem::path> stubPath;
        if (!stub.empty()) {
            stubPath = stub;
        } else {
            std::error_code ec;
            std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
            stubPath = voz::DefaultStub(ec ? std::filesystem::path(argv[0]).parent_path() : self.parent_path());
        }
        return voz::BuildCommand(manifest, output, stubPath,
                                 signCert->count() > 0 ? std::optional<voz::SigningKey>(signing) : std::nullopt);
    }
    if (*sign) {
        return voz::SignCommand(setup, signing);
    }
    if (*list) {
        return voz::ListCommand(setup, json);
    }
    if (*extract) {
        return voz::ExtractCommand(setup, installDir,
                                   styleOption->count() > 0 ? std::optional<std::string>(style) : std::nullopt);
    }
    return voz::VerifyCommand(setup);
}
