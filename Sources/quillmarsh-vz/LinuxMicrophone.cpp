#include "LinuxMicrophone.h"

#include "Foundation/Text.h"
#include "SysfsText.h"

#include <filesystem>

namespace quillmarsh {
namespace {

namespace fs = std::filesystem;

// Calls visit with each entry of folder whose name starts with prefix; stops when it returns true.
template <class Visit>
bool anyEntry(const fs::path& folder, std::string_view prefix, Visit visit) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename().string().starts_with(prefix) && visit(it->path())) return true;
    }
    return false;
}

bool running(const fs::path& status) {
    const auto text = SysfsText::read(status.string());
    if (!text) return false;
    for (const std::string& line : Text::split(*text, '\n')) {
        if (Text::trimmingWhitespaceAndNewlines(line) == "state: RUNNING") return true;
    }
    return false;
}

} // namespace

bool LinuxMicrophone::microphoneInUse() {
    return anyEntry(root_ + "/proc/asound", "card", [](const fs::path& card) {
        return anyEntry(card, "pcm", [](const fs::path& pcm) {
            const std::string name = pcm.filename().string();
            if (name.empty() || name.back() != 'c') return false;  // pcmNp is playback
            return anyEntry(pcm, "sub", [](const fs::path& sub) { return running(sub / "status"); });
        });
    });
}

} // namespace quillmarsh
