#pragma once

#include "Words/AlertText.h"

#include <optional>
#include <string>

namespace quillmarsh {

// A confirmation the app asks before it acts: its texts, its two buttons and, optionally, a
// "Don't Show Again" check box. All texts are plain text.
struct AlertRequest {
    enum class Style { informational, warning };

    Style style = Style::informational;
    std::string title;
    std::string message;
    std::string confirm;
    std::string cancel = "Cancel";
    std::optional<std::string> suppression;  // the check box's title, when there is one

    // Asks with the texts of a confirmation.
    static AlertRequest confirming(const AlertText& text) {
        AlertRequest request;
        request.title = text.title;
        request.message = text.message;
        request.confirm = text.confirm;
        return request;
    }

    struct Answer {
        bool confirmed = false;
        bool suppress = false;  // the check box was ticked, whichever button was pressed
    };
};

} // namespace quillmarsh
