#pragma once

#include "Virtualization/MacOSInstaller.h"
#include "Virtualization/RestoreImage.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmarsh {

// `quillmarsh-vz macos-install`: turns a restore image into a macOS VM bundle ("hardware-model.bin",
// "machine-id.bin", "aux.img", "disk.img") and installs macOS onto its disk, reporting progress as
// JSON lines. The files are built in a staging folder (inside an existing bundle, beside a new
// one) and moved into the bundle only once the install has succeeded, all of them or none, so a
// failed install leaves an earlier bundle as it was; it also removes the folders it made.
class MacInstaller {
public:
    // A rejected command line; what() is the message of the "bad_arguments" line.
    class ArgumentError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    struct Arguments {
        std::string ipsw;
        std::string bundle;
        std::int64_t diskGB = 90;
        std::int64_t cpus = 4;
        std::int64_t memoryMiB = 8192;

        // The arguments after "macos-install"; throws ArgumentError.
        static Arguments parse(const std::vector<std::string>& args);
    };

    // Where the installer's work runs and where its lines go.
    struct Host {
        // Runs a block on the main loop, from any thread.
        std::function<void(std::function<void()>)> post;
        // Writes one output line and flushes it.
        std::function<void(const nlohmann::json&)> emit;
        // Ends the command with an exit status; the default ends the process.
        std::function<void(int)> exit;
    };

    // The four files of a bundle, in the order they are moved into place.
    static constexpr const char* bundleFiles[] = {"disk.img", "aux.img", "machine-id.bin", "hardware-model.bin"};

    // Parses the arguments; a rejected command line writes its "bad_arguments" line and ends.
    MacInstaller(const std::vector<std::string>& args, Host host);
    ~MacInstaller();

    // Loads the restore image and installs from it. Run it on the main loop.
    void start();
    // Builds the bundle and the VM and starts the installer. Run it on the main loop.
    void install(const vz::RestoreImage& image);

    // Ends a running install on a stop signal: the new files are discarded, an earlier bundle
    // stays as it was, and an "install_failed" line says why.
    void cancel();

    // The whole percentage for a fraction completed, truncated toward zero, within 0…100.
    static std::int64_t percent(double fraction);

    std::string ipsw;
    std::string bundle;
    std::int64_t diskGB = 90;
    std::int64_t cpus = 4;
    std::int64_t memoryMiB = 8192;
    std::unique_ptr<vz::MacOSInstaller> installer;
    std::int64_t lastPercent = -1;

private:
    void progressed(double fraction);
    void finished(const std::optional<std::string>& error);
    void error(const std::string& code, const std::string& message);
    // Makes `folder` and its missing ancestors, remembering each one made.
    void createFolders(const std::filesystem::path& folder);
    // Removes what a failed or cancelled install made: the staging folder and the folders made.
    void discard();
    void discardStaging();

    Host host_;
    bool ended_ = false;
    std::filesystem::path folder_; // the bundle folder: absolute, links resolved
    bool stagedInside_ = false;    // whether the staging folder lies inside an existing bundle
    std::string staging_;          // the temporary folder the new files are built in
    std::vector<std::string> createdFolders_; // the bundle's ancestors this install made, outermost first
};

} // namespace quillmarsh
