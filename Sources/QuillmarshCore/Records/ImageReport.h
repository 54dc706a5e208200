#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// The VM image readiness report of GET /image/checks; lists keep the agent's order.
struct ImageReport {
    // One readiness check; the status words are the agent's and are shown as sent.
    struct Check {
        std::string id;
        std::string status;
        std::string title;
        std::optional<std::string> detail;
        bool operator==(const Check&) const = default;
        static Check decode(const nlohmann::json& json);
    };
    // An Xcode found on this Mac.
    struct Xcode {
        std::string version;
        bool operator==(const Xcode&) const = default;
        static Xcode decode(const nlohmann::json& json);
    };
    // A simulator runtime ("ios", "watchos", "tvos", "visionos", ...).
    struct Runtime {
        std::string platform;
        std::string version;
        bool operator==(const Runtime&) const = default;
        static Runtime decode(const nlohmann::json& json);
    };

    bool ok = false;
    std::vector<Check> checks;
    std::optional<std::string> macos;
    std::vector<Xcode> xcodes;
    std::vector<Runtime> runtimes;
    std::optional<std::string> current;
    bool built = false;
    std::int64_t freeBytes = 0;  // "free_bytes"
    std::int64_t needBytes = 0;  // "need_bytes"

    bool operator==(const ImageReport&) const = default;

    // Throws DecodeError; only macos, current and a check's detail may be absent.
    static ImageReport decode(const nlohmann::json& json);
    static ImageReport parse(std::string_view body);
};

} // namespace quillmarsh
