#pragma once

#include <string>

namespace quillmarsh {

// The texts of a confirmation alert: its title, its explanation and the confirming button's title.
struct AlertText {
    std::string title;
    std::string message;
    std::string confirm;

    bool operator==(const AlertText&) const = default;
};

} // namespace quillmarsh
