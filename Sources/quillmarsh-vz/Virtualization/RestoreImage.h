#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vz {

// A macOS restore image. On this platform an image is a small text file:
//
//   #!quillmarsh-restore-image
//   build 23A344
//   version 14.0.1
//   supported yes
//   min-cpus 2
//   min-memory-mib 4096
//   hardware-model <opaque text>
//   progress 0.1 0.5 0.9
//   fail-at 0.5 <message>
//   step-ms 250
//
// "progress" (the fractions the installer reports, in order), "fail-at" (where the install
// fails, with its message) and "step-ms" (how long the installer works after each fraction it
// reported) are optional; every other key is required, and each key appears once.
class RestoreImage {
public:
    // Why a file is not a loadable restore image; what() is the user-facing description.
    class LoadError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    struct OperatingSystemVersion {
        std::int64_t majorVersion = 0;
        std::int64_t minorVersion = 0;
        std::int64_t patchVersion = 0;
        bool operator==(const OperatingSystemVersion&) const = default;
    };

    // What a VM needs to install and run the image.
    struct ConfigurationRequirements {
        std::string hardwareModel; // the hardware model's data representation
        std::int64_t minimumSupportedCPUCount = 1;
        std::uint64_t minimumSupportedMemorySize = 0; // bytes
        bool operator==(const ConfigurationRequirements&) const = default;
    };

    // Where the simulated install stops with an error.
    struct FailAt {
        double fraction = 0;
        std::string message;
        bool operator==(const FailAt&) const = default;
    };

    // Reads and parses the regular file at `path` (anything else is refused without waiting on
    // it); throws LoadError.
    static RestoreImage load(const std::string& path);
    // Parses the text of an image; `path` only names the file in error messages.
    static RestoreImage parse(std::string_view text, const std::string& path);

    std::string url; // the file the image was loaded from
    std::string buildVersion;
    OperatingSystemVersion operatingSystemVersion;
    // None when this host supports no configuration of the image.
    std::optional<ConfigurationRequirements> mostFeaturefulSupportedConfiguration;

    // The installer's course through this image.
    std::vector<double> progress;
    std::optional<FailAt> failAt;
    // How long the installer works after each fraction it reported, as a real one takes its time.
    std::int64_t stepMilliseconds = 0;

    // Files longer than this are refused before they are parsed.
    static constexpr std::size_t maximumSize = 1 << 20;
    // A day: the longest step-ms, which keeps every wait far from the clock's range.
    static constexpr std::int64_t maximumStepMilliseconds = 86'400'000;
    static constexpr std::string_view header = "#!quillmarsh-restore-image";
};

} // namespace vz
