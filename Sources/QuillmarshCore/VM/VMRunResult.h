#pragma once

#include "Foundation/RawValue.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

// The one line that ends every accepted `quillmarsh-vz run`: why the VM stopped and how long it ran.
struct VMRunResult {
    enum class Reason { guestStopped, timeout, cancelled, error };

    std::string status;  // "error" for Reason::error, else "stopped"
    Reason reason = Reason::error;
    std::int64_t durationMs = 0;
    std::optional<std::string> error;

    // The status follows from the reason; callers never give it.
    VMRunResult(Reason reason, std::int64_t durationMs, std::optional<std::string> error = std::nullopt);

    bool operator==(const VMRunResult&) const = default;

    // {"duration_ms":…,"error":…,"reason":…,"status":…} without the line end; "error" only when set.
    std::string jsonLine() const;

    // Reads a result object: "status", "reason" (one of the four words), "duration_ms" required,
    // "error" optional. Throws DecodeError.
    static VMRunResult decode(const nlohmann::json& value);
    static VMRunResult decodeLine(std::string_view text);

private:
    VMRunResult() = default;
};

template <>
struct RawValues<VMRunResult::Reason> {
    using Reason = VMRunResult::Reason;
    static constexpr auto table = std::to_array<RawEntry<Reason>>({
        {Reason::guestStopped, "guest_stopped"},
        {Reason::timeout, "timeout"},
        {Reason::cancelled, "cancelled"},
        {Reason::error, "error"},
    });
};

} // namespace quillmarsh
