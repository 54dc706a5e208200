#pragma once

#include <optional>
#include <string_view>

namespace quillmarsh {

// The shared shape of the closed vocabularies (enum class types).
//
// Each vocabulary header specialises what applies to it:
//   fromRaw<E>(text)  the case whose wire text is exactly text (case-sensitive), else none;
//   allCases<E>()     every case in display order, as a std::array.
// and overloads rawValue(E) (the wire text) and label(E) / name(E) where the vocabulary has them.
template <class E>
std::optional<E> fromRaw(std::string_view text);

template <class E>
constexpr auto allCases();

} // namespace quillmarsh
