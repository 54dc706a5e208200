#pragma once

#include <string>
#include <string_view>

namespace quillmarsh {

// Every message the app logs through Qt, its own and Qt's (a style that is not there, a display
// that cannot be reached), goes to standard error with each line starting "Quillmarsh: ", so the
// app's lines can be told apart in a shared log.
class MessageLog {
public:
    // text with "Quillmarsh: " before every line that does not start with it yet, ending in a
    // line feed.
    static std::string lines(std::string_view text);
    // Makes this the process's Qt message handler (in Qt's own format, QT_MESSAGE_PATTERN, then
    // prefixed). Callable before the application object exists.
    static void install();
};

} // namespace quillmarsh
