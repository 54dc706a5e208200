#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string_view>

namespace quillmarsh {

// The agent's policy flag that lets this Mac do more while the user is away.
class AwaySetting {
public:
    static constexpr std::string_view key = "use_more_when_away";
    static constexpr std::string_view title = "Use more of this Mac when I'm away";
    static constexpr std::string_view info =
        "When you're away and it's plugged in, run more jobs at once. Back to fewer when you return.";

    // An absent flag counts as on.
    static bool isOn(std::optional<bool> flag) { return flag.value_or(true); }
    // The body of POST /policy that sets the flag: {"use_more_when_away": value}.
    static nlohmann::json patch(bool value) { return nlohmann::json{{key, value}}; }
};

} // namespace quillmarsh
