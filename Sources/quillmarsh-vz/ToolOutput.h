#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

// Writes one JSON line (JsonLine's format) and "\n" to standard output. It does not flush:
// the line leaves with the buffer or at exit. A line that cannot be serialised is written empty.
void emit(const nlohmann::json& line);

// The exit status of a command that wrote its answer: 0 once every line has reached standard
// output, 1 when it could not (a closed pipe, a full disk), so the caller never takes a lost
// answer for a done command.
int flushedOutputStatus();

// The error line for a code ({"code","message","next"?,"status":"error"}).
nlohmann::json errorLine(std::string_view code, std::string_view message,
                         const std::optional<std::string>& next = std::nullopt);

// Writes the error line and ends the process with status 1.
[[noreturn]] void fail(std::string_view code, std::string_view message,
                       const std::optional<std::string>& next = std::nullopt);

} // namespace quillmarsh
