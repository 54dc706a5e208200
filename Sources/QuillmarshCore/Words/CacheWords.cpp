#include "Words/CacheWords.h"

#include "Foundation/NumberText.h"
#include "Foundation/Text.h"
#include "Words/WindowWords.h"

#include <algorithm>
#include <utility>

namespace quillmarsh {

namespace {

std::vector<std::string> nonEmptyPieces(std::string_view text, char separator) {
    std::vector<std::string> pieces = Text::split(text, separator);
    std::erase_if(pieces, [](const std::string& piece) { return piece.empty(); });
    return pieces;
}

} // namespace

std::string CacheWords::size(std::optional<std::int64_t> bytes) {
    if (!bytes) return {};
    const double g = static_cast<double>(*bytes) / 1e9;
    if (g >= 10) return NumberText::fixed(g, 0) + " GB";
    if (g >= 1) return NumberText::fixed(g, 1) + " GB";
    return NumberText::fixed(static_cast<double>(*bytes) / 1e6, 0) + " MB";
}

std::string CacheWords::lastUsed(const CachesReport::Entry& entry, Date now, const Calendar& calendar) {
    if (entry.clearPending) return "Clears after its job";
    if (entry.inUse) return "In use";
    if (entry.lastUsed) return WindowWords::capitalized(WindowWords::ago(*entry.lastUsed, now, calendar));
    return "Never";
}

std::optional<std::string> CacheWords::branches(const CachesReport::Entry& entry) {
    if (!entry.branches || entry.branches->empty()) return std::nullopt;
    const auto& list = *entry.branches;
    if (list.size() == 1) return list.front();
    return list.front() + " + " + NumberText::integer(static_cast<std::int64_t>(list.size() - 1));
}

std::string CacheWords::toolName(std::string_view text) {
    static constexpr std::pair<std::string_view, std::string_view> names[] = {
        {"node", "Node"}, {"go", "Go"}, {"python", "Python"}, {"ruby", "Ruby"},
        {"java", "Java"}, {"java_temurin-hotspot_jdk", "Java"},
    };
    const std::string lower = Text::lowercasedASCII(text);
    for (const auto& [key, name] : names) {
        if (lower == key) return std::string(name);
    }
    return WindowWords::capitalizedWords(text);
}

std::string CacheWords::tools(const std::vector<std::string>& versions) {
    std::vector<std::pair<std::string, std::vector<std::string>>> groups;
    for (const std::string& entry : versions) {
        const std::vector<std::string> pieces = nonEmptyPieces(entry, '/');
        if (pieces.size() < 2) continue;
        const std::string name = toolName(pieces[0]);
        const std::vector<std::string> numbers = nonEmptyPieces(pieces[1], '.');
        const std::size_t keep = std::min<std::size_t>(numbers.size(), name == "Go" ? 2 : 1);
        std::string version;
        for (std::size_t i = 0; i < keep; ++i) version += (i ? "." : "") + numbers[i];
        auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == name; });
        if (group == groups.end()) {
            groups.push_back({name, {version}});
        } else if (std::find(group->second.begin(), group->second.end(), version) == group->second.end()) {
            group->second.push_back(version);
        }
    }
    std::string out;
    for (const auto& [name, list] : groups) {
        if (!out.empty()) out += ", ";
        out += name + " ";
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (i > 0) out += i + 1 == list.size() ? " and " : ", ";
            out += list[i];
        }
    }
    return out;
}

} // namespace quillmarsh
