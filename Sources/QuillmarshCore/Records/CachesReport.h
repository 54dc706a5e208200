#pragma once

#include "Time/Date.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// The agent's answer to GET /caches: the package caches of this Mac, one per repository, and
// the tool cache. Byte counts are signed 64-bit.
struct CachesReport {
    struct Limits {
        std::int64_t totalBytes = 0;
        std::int64_t freeBytes = 0;  // 0 when missing or null

        bool operator==(const Limits&) const = default;
        static Limits decode(const nlohmann::json& json);
    };

    // One repository's package cache, identified by its repository.
    struct Entry {
        std::string repository;  // owner and name joined by "/"
        std::int64_t bytes = 0;
        // Read leniently: anything but an RFC 3339 time after 1970-01-01T00:00:00Z gives none.
        std::optional<Date> lastUsed;
        bool inUse = false;         // a running job uses the cache now
        bool clearPending = false;  // to be cleared once that job ends
        std::optional<std::vector<std::string>> branches;  // absent stays absent, not empty

        bool operator==(const Entry&) const = default;
        const std::string& id() const { return repository; }
        static Entry decode(const nlohmann::json& json);
    };

    // The tool cache; versions are paths such as "node/20.11.1/arm64".
    struct Tools {
        std::int64_t bytes = 0;
        std::vector<std::string> versions;

        bool operator==(const Tools&) const = default;
        static Tools decode(const nlohmann::json& json);
    };

    std::int64_t bytes = 0;
    Limits limits;
    std::vector<Entry> repositories;
    std::optional<Tools> toolCache;

    bool operator==(const CachesReport&) const = default;

    // What the package caches take without the tool cache; clamps instead of overflowing.
    std::int64_t packageBytes() const;

    // Throws DecodeError; only "last_used" never fails the report.
    static CachesReport decode(const nlohmann::json& json);
    static CachesReport parse(std::string_view body);
};

} // namespace quillmarsh
