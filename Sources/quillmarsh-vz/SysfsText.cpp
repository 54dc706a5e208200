#include "SysfsText.h"

#include "Foundation/FileIO.h"
#include "Foundation/IntegerText.h"
#include "Foundation/Text.h"

namespace quillmarsh {

std::optional<std::string> SysfsText::read(const std::string& path) {
    return FileIO::readFile(path, 64 * 1024);
}

std::optional<std::string> SysfsText::trimmed(const std::string& path) {
    auto text = read(path);
    if (!text) return std::nullopt;
    return Text::trimmingWhitespaceAndNewlines(*text);
}

std::optional<long long> SysfsText::integer(const std::string& path) {
    const auto text = trimmed(path);
    // The kernel writes a sign only for negative values: "+5" is not one of its numbers.
    if (!text || (!text->empty() && text->front() == '+')) return std::nullopt;
    return IntegerText::parse(*text);
}

} // namespace quillmarsh
