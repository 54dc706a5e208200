#pragma once

#include <QString>

#include <string_view>

namespace quillmarsh {

// Agent text (job names, repositories, reasons) shown by Qt widgets that would otherwise read it
// as markup or as mnemonics. Every such text goes through here.
struct PlainText {
    // An action's title: "&" doubled (else it marks a mnemonic and vanishes), tabs and line breaks
    // as blanks (a tab starts the shortcut column).
    static QString actionTitle(std::string_view text);
    // A tooltip: Qt shows a tooltip that looks like HTML as rich text, so such a text is escaped
    // into a paragraph that shows it literally; any other text is kept as it is.
    static QString toolTip(std::string_view text);
};

} // namespace quillmarsh
