#pragma once

#include <optional>
#include <string>

namespace quillmarsh {

// Where the running program lives. The program runs from a bundle when its executable's real
// path is <bundle>/Contents/MacOS/<name> and <bundle>/Contents/Info.plist names a bundle
// identifier; a bare executable (as built in build/) has no identifier and no version, and its
// bundle path is the executable's folder.
struct AppBundle {
    std::string path;                       // the bundle folder (or the executable's folder)
    std::optional<std::string> identifier;  // CFBundleIdentifier
    std::optional<std::string> shortVersion;  // CFBundleShortVersionString, only with an identifier

    bool runsFromBundle() const { return identifier.has_value(); }

    // The bundle of the running executable (/proc/self/exe).
    static AppBundle main();
    // The bundle around an executable at the given path.
    static AppBundle ofExecutable(const std::string& executablePath);
};

} // namespace quillmarsh
