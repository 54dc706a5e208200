#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace quillmarsh {

// The shared shape of the closed vocabularies (enum class types).
//
// A vocabulary with wire texts states each case and its text once, next to the enum, in display
// order:
//   template <>
//   struct RawValues<Mode> {
//       static constexpr auto table = std::to_array<RawEntry<Mode>>({
//           {Mode::primary, "primary"}, {Mode::backup, "backup"}, {Mode::off, "off"}});
//   };
// and the functions below serve it:
//   rawValue(E)       the case's wire text;
//   fromRaw<E>(text)  the case whose wire text is exactly text (case-sensitive), else none;
//   allCases<E>()     every case in display order, as a std::array (the table's order).
// A vocabulary without wire texts, or whose display order is not its table's, specialises
// allCases<E>() itself. label(E) / name(E) are display texts, overloaded where a vocabulary has them.
template <class E>
struct RawValues;

// One row of a table: a case and its wire text.
template <class E>
using RawEntry = std::pair<E, std::string_view>;

template <class E>
concept HasRawValues = requires { RawValues<E>::table; };

// The text of a value the table does not name (only a number cast to E can be one) is empty.
template <HasRawValues E>
constexpr std::string_view rawValue(E value) {
    for (const auto& [known, text] : RawValues<E>::table) {
        if (known == value) return text;
    }
    return {};
}

template <HasRawValues E>
constexpr std::optional<E> fromRaw(std::string_view text) {
    for (const auto& [known, raw] : RawValues<E>::table) {
        if (raw == text) return known;
    }
    return std::nullopt;
}

template <class E>
constexpr auto allCases() {
    std::array<E, RawValues<E>::table.size()> cases{};
    for (std::size_t i = 0; i < cases.size(); ++i) cases[i] = RawValues<E>::table[i].first;
    return cases;
}

} // namespace quillmarsh
