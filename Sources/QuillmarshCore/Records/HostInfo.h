#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

// The agent's answer to GET /host: this Mac's hardware, load, power and guest sizes.
// Keys are the field names in camelCase; the guest sizes use "CPUs" and "MemoryMiB".
struct HostInfo {
    // The size of one guest VM.
    struct Guest {
        std::int64_t cpus = 0;  // 0: chosen when a job starts
        std::int64_t memoryMiB = 0;

        bool operator==(const Guest&) const = default;
        static Guest decode(const nlohmann::json& json);
    };

    std::optional<std::string> chip;
    std::int64_t cores = 0;
    std::int64_t performanceCores = 0;
    std::int64_t efficiencyCores = 0;
    std::int64_t memoryMiB = 0;
    std::int64_t memoryUsedMiB = 0;  // negative: unknown
    std::int64_t availableMiB = 0;
    std::int64_t pressure = 0;
    std::int64_t swapUsedMiB = 0;
    bool laptop = false;
    bool onBattery = false;
    bool idle = false;
    bool lowPower = false;
    std::optional<std::string> thermal;
    std::int64_t freeDiskGB = 0;
    std::optional<std::string> osVersion;
    std::optional<std::string> strain;
    std::optional<std::string> reason;  // why this Mac is not comfortable
    bool comfortable = false;
    std::int64_t jobsAtOnce = 0;
    Guest macosGuest;
    Guest linuxGuest;
    std::string stayAwake;
    bool keepAwake = false;

    bool operator==(const HostInfo&) const = default;

    // Throws DecodeError; only chip, thermal, osVersion, strain and reason are optional.
    static HostInfo decode(const nlohmann::json& json);
    // Parses the body of GET /host strictly (JsonText::parse), then decodes it.
    static HostInfo parse(std::string_view body);
};

} // namespace quillmarsh
