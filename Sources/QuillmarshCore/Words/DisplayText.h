#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillmarsh {

// Agent text cut to what the windows can show of it. A label shows one line (or a few) and the
// log view one screenful of each line, so a text of a megabyte would cost its layout, memory and
// time on the main thread for nothing: the rest is cut before it reaches a widget, ending in "…".
// Cuts fall between whole UTF-8 characters.
class DisplayText {
public:
    // A label's text: far more than the widest window shows on a line.
    static constexpr std::size_t labelBytes = 1000;
    // One line of the log view: a few screenfuls of wrapped text.
    static constexpr std::size_t logLineBytes = 4000;

    // The text when it has at most limit bytes; else as many whole characters as fit in limit
    // bytes, then "…".
    static std::string bounded(std::string_view text, std::size_t limit = labelBytes);
    // The log text with every line (up to a line feed or carriage return) longer than limit bytes
    // cut as bounded() cuts it; the line ends and the shorter lines stay as they are. A text that
    // grows only at its end gives a text that grows only at its end (or stays), so the log view
    // can keep appending.
    static std::string boundedLines(std::string_view text, std::size_t limit = logLineBytes);
};

} // namespace quillmarsh
