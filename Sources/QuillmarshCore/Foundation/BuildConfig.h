#pragma once

#include <string_view>

namespace quillmarsh {

// The values this build of the app is made with: where it looks for its updates and the bundle
// identifier that it carries and that every update must carry.
struct BuildConfig {
    // The default download server, an https base URL with no path.
    static constexpr std::string_view defaultDownloads = "https://downloads.quillmarsh.example";
    // The default download server's host name, as written in the "did not name a version" message.
    static constexpr std::string_view defaultDownloadsHost = "downloads.quillmarsh.example";
    static constexpr std::string_view bundleIdentifier = "org.quillmarsh.app";
};

} // namespace quillmarsh
