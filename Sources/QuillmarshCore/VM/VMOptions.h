#pragma once

#include "Foundation/RawValue.h"

#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// Synchronisation of the first disk of a run; the other disks are always fully synchronised.
enum class VMDiskSync { full, none };
// Caching mode of every disk of a run.
enum class VMDiskCache { uncached, cached, automatic };
// Controller of the first disk of a Linux guest.
enum class VMDiskBus { nvme, virtio };

template <>
struct RawValues<VMDiskSync> {
    static constexpr auto table = std::to_array<RawEntry<VMDiskSync>>({
        {VMDiskSync::full, "full"},
        {VMDiskSync::none, "none"},
    });
};
template <>
struct RawValues<VMDiskCache> {
    static constexpr auto table = std::to_array<RawEntry<VMDiskCache>>({
        {VMDiskCache::uncached, "uncached"},
        {VMDiskCache::cached, "cached"},
        {VMDiskCache::automatic, "automatic"},
    });
};
template <>
struct RawValues<VMDiskBus> {
    static constexpr auto table = std::to_array<RawEntry<VMDiskBus>>({
        {VMDiskBus::nvme, "nvme"},
        {VMDiskBus::virtio, "virtio"},
    });
};

// A disk image attached to the guest.
struct VMDisk {
    std::string path;
    bool readOnly = false;

    bool operator==(const VMDisk&) const = default;
};

// A host directory shared with the guest under a tag.
struct VMShare {
    std::string tag;
    std::string path;
    bool readOnly = false;

    bool operator==(const VMShare&) const = default;
};

// Everything one `quillmarsh-vz run` needs to know about its VM, from its command line.
struct VMOptions {
    // A rejected command line; description is the message of the "bad_arguments" line.
    struct ParseError : std::exception {
        std::string description;

        explicit ParseError(std::string text) : description(std::move(text)) {}
        const char* what() const noexcept override { return description.c_str(); }
        bool operator==(const ParseError& other) const { return description == other.description; }
    };

    // The virtio-socket port on which the guest fetches its runner configuration.
    static constexpr std::uint32_t secretPort = 1024;
    // The virtio-socket port on which the guest sends report files.
    static constexpr std::uint32_t reportPort = 1025;

    std::vector<VMDisk> disks;
    std::vector<VMShare> shares;
    std::int64_t cpus = 4;
    std::int64_t memoryMiB = 8192;
    std::string efiStore;  // empty: none
    std::optional<std::string> kernel;
    std::optional<std::string> initrd;
    std::string cmdline = "console=hvc0 root=LABEL=cloudimg-rootfs rw";
    std::optional<std::string> macBundle;
    bool keepIdentity = false;
    std::optional<std::string> consoleLog;
    std::int64_t timeoutSeconds = 3600;
    std::int64_t stopGraceSeconds = 20;
    bool rosetta = false;
    VMDiskSync sync = VMDiskSync::none;
    VMDiskCache cache = VMDiskCache::uncached;
    VMDiskBus bus = VMDiskBus::nvme;
    std::optional<std::string> mac;  // lower-case
    bool secretStdin = false;
    bool secretOnDemand = false;
    std::optional<std::string> reportDir;
    std::int64_t secretTimeoutSeconds = 120;
    std::int64_t nice = 0;
    std::optional<std::int32_t> netFD;
    bool nested = false;

    bool operator==(const VMOptions&) const = default;

    // The arguments after "run" as options; throws ParseError with the first problem found.
    // Pure: reads no file and checks no path.
    static VMOptions parse(const std::vector<std::string>& args);
};

} // namespace quillmarsh
