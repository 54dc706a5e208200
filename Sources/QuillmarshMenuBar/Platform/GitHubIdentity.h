#pragma once

#include <QImage>

#include <functional>
#include <optional>
#include <string>

namespace quillmarsh {

// The account owner's GitHub identity: the avatar and the account type ("User" or
// "Organization"), kept in a cache folder as "<owner>.png" (the avatar's bytes as sent) and
// "<owner>.kind" (the type as text) and fetched from GitHub when missing. Blocking: run it off
// the main thread.
class GitHubIdentity {
public:
    // The web host (avatars) and the REST API host, as base URLs without a trailing "/".
    struct Hosts {
        std::string web = "https://github.com";
        std::string api = "https://api.github.com";
    };
    // GET of a URL; the body of a 2xx answer, else throws.
    using Fetch = std::function<std::string(const std::string& url)>;

    struct Result {
        std::optional<QImage> avatar;
        std::optional<std::string> kind;  // may be empty when GitHub did not say
    };

    // The user's cache folder + the bundle identifier + "accounts".
    static std::string defaultCacheFolder(const std::string& bundleIdentifier);
    // HttpClient with "User-Agent: quillmarsh-mac" and a 20 s time-out; non-2xx throws.
    static std::string httpFetch(const std::string& url);

    // The cache first, then GitHub for whatever is missing. A cached avatar that does not decode
    // counts as missing and is removed; a fetched avatar is cached only when it decodes. Both
    // files are written atomically. owner must be a valid GitHub login (it names the files).
    static Result load(const std::string& cacheFolder, const std::string& owner, const Hosts& hosts,
                       const Fetch& fetch);
};

} // namespace quillmarsh
