// vozpack: builds setup executables and looks into them.
#include <CLI/CLI.hpp>

#include "packer/commands.h"

int main(int argc, char** argv) {
    CLI::App app{"vozpack: build, list and verify setup packages"};
    app.require_subcommand(1);

    std::string manifest;
    std::string output;
    std::string stub;
    CLI::App* build = app.add_subcommand("build", "pack a client tree into a setup executable");
    build->add_option("manifest", manifest, "package manifest (TOML)")->required();
    build->add_option("-o,--output", output, "setup executable to write")->required();
    build->add_option("--stub", stub, "Windows setup stub (315,392 bytes); default: a zero-filled placeholder");

    std::string setup;
    bool json = false;
    CLI::App* list = app.add_subcommand("list", "show what a setup holds");
    list->add_option("setup", setup, "setup executable")->required();
    list->add_flag("--json", json, "print JSON");

    CLI::App* verify = app.add_subcommand("verify", "decode every item of a setup and report damage");
    verify->add_option("setup", setup, "setup executable")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Usage errors share the bad-input status with the commands' own errors.
        int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    if (*build) {
        return voz::BuildCommand(manifest, output, stub.empty() ? std::nullopt : std::optional<std::filesystem::path>(stub));
    }
    if (*list) {
        return voz::ListCommand(setup, json);
    }
    return voz::VerifyCommand(setup);
}
