#pragma once

#include "Platform/DesktopEntry.h"

#include <string>

namespace quillmarsh {

// The app as a login item: an XDG autostart entry "<folder>/<bundle id>.desktop" that starts the
// app's executable when the user logs in. It is the app's own desktop entry (the same program,
// name and icon) with the autostart key added.
class AutostartEntry {
public:
    // Why the entry could not be written or removed; what() is the text shown to the user.
    using Error = DesktopEntry::Error;

    AutostartEntry(std::string folder, std::string bundleIdentifier);

    // $XDG_CONFIG_HOME/autostart when that is an absolute path, else $HOME/.config/autostart.
    static std::string defaultFolder();

    std::string path() const;
    // The entry exists and is not hidden.
    bool isEnabled() const;
    // Writes the entry (atomically, creating the folder) to run executable. Throws Error.
    void enable(const std::string& executable) const;
    // Removes the entry; an entry that is not there is fine. Throws Error.
    void disable() const;

    // The entry's text for an executable; throws Error for a path that cannot be written in a
    // desktop entry (a line break or a control character).
    std::string desktopEntry(const std::string& executable) const;

private:
    std::string folder_;
    std::string bundleIdentifier_;
};

} // namespace quillmarsh
