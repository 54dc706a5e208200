#include "ToolOutput.h"

#include "VM/JsonLine.h"

#include <cstdio>
#include <cstdlib>

namespace quillmarsh {

void emit(const nlohmann::json& line) {
    std::string text = line.is_object() ? JsonLine::encode(line) : std::string();
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int flushedOutputStatus() { return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1; }

nlohmann::json errorLine(std::string_view code, std::string_view message, const std::optional<std::string>& next) {
    nlohmann::json line = {{"status", "error"}, {"code", code}, {"message", message}};
    if (next) line["next"] = *next;
    return line;
}

void fail(std::string_view code, std::string_view message, const std::optional<std::string>& next) {
    emit(errorLine(code, message, next));
    std::exit(1);
}

} // namespace quillmarsh
