#pragma once

#include "Foundation/BuildConfig.h"
#include "Update/UpdateState.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// The pure rules of the app's self-update: fixed names, the download server's paths, the
// server's two small text files, the decision, the signing requirement, why a copy cannot
// replace itself, staging names and the relaunch line. Only bundleVersion touches a file.
// URLs are absolute URL texts.
struct AppUpdate {
    struct Decision {
        enum class Case { update, notABundle, badLatest, upToDate };
        Case kind = Case::upToDate;
        std::string version;  // update only: the server's version, trimmed

        bool operator==(const Decision&) const = default;

        static Decision update(std::string version) { return {Case::update, std::move(version)}; }
        static Decision notABundle() { return {Case::notABundle, {}}; }
        static Decision badLatest() { return {Case::badLatest, {}}; }
        static Decision upToDate() { return {Case::upToDate, {}}; }

        // notABundle, badLatest, upToDate, or update("1.4.1").
        std::string printed() const;
    };

    static constexpr std::string_view defaultDownloads = BuildConfig::defaultDownloads;
    static constexpr std::string_view teamID = "Q4M7R2S9H1";
    static constexpr std::string_view bundleIdentifier = BuildConfig::bundleIdentifier;
    static constexpr std::string_view zipName = "Quillmarsh-darwin-arm64.zip";
    static constexpr double checkInterval = 86400.0;
    static constexpr std::string_view stagingPrefix = ".Quillmarsh.app.update-";
    // Run by /bin/sh with QM_PID (the quitting app's process id) and QM_APP (the bundle path):
    // waits until that process is gone, then starts the bundle's executable again. Values travel
    // only in the variables, so the line itself never changes.
    static constexpr std::string_view relaunchScript =
        "while kill -0 \"$QM_PID\" 2>/dev/null; do sleep 0.2; done; exec \"$QM_APP/Contents/MacOS/Quillmarsh\"";

    // QUILLMARSH_DOWNLOADS_URL when it is a URL whose scheme is exactly "https" or "http",
    // unchanged; defaultDownloads otherwise.
    static std::string downloadsBase(const std::map<std::string, std::string>& environment);

    static std::string latestURL(std::string_view base);
    static std::string zipURL(std::string_view version, std::string_view base);
    static std::string checksumURL(std::string_view version, std::string_view base);
    static std::string downloadURL(std::string_view base);
    // The base with path components appended (one slash between), before any query.
    static std::string appendingPath(std::string_view base, std::string_view components);
    // The last path component of a URL ("latest" for .../mac/latest).
    static std::string lastPathComponent(std::string_view url);

    // The trimmed text when it is three non-empty dot-separated pieces of Unicode number
    // characters; none otherwise.
    static std::optional<std::string> parseLatest(std::string_view text);
    // The first white-space separated piece, lower-cased, when it is 64 hexadecimal digits.
    static std::optional<std::string> parseChecksum(std::string_view text);
    // SHA-256 as 64 lower-case hexadecimal digits.
    static std::string sha256Hex(std::string_view bytes);

    static bool isNewer(std::string_view version, std::string_view than);
    static Decision decide(const std::optional<std::string>& current, const std::optional<std::string>& latest);

    static std::string signingRequirement(std::string_view teamID, std::string_view identifier);

    // Why the copy at bundlePath cannot replace itself, or none.
    static std::optional<std::string> selfUpdateBlocker(std::string_view bundlePath,
                                                        const std::function<bool(const std::string&)>& isWritable);
    // The path with its last component removed ("/" for a component right under the root).
    static std::string deletingLastPathComponent(std::string_view path);
    static std::string stagingPath(std::string_view bundlePath, std::string_view token);
    static std::vector<std::string> staleStagingNames(const std::vector<std::string>& names);
    // The name of a staging's work folder in the temporary folder: the bundle identifier,
    // ".update-" and a UUID (36 characters, upper-case hexadecimal digits and four dashes).
    static std::string workFolderName(std::string_view uuid);
    // True only for a name workFolderName gives, whatever the UUID: another program's folder
    // never matches.
    static bool isWorkFolderName(std::string_view name);

    // CFBundleShortVersionString of bundlePath/Contents/Info.plist, when that is an XML property
    // list dict with a text value there; none for anything else. Never throws.
    static std::optional<std::string> bundleVersion(const std::string& bundlePath);
    // CFBundleIdentifier, read the same way.
    static std::optional<std::string> bundleIdentifierAt(const std::string& bundlePath);

    static bool shouldInstallUnattended(const UpdateState& state, bool quiet);
};

} // namespace quillmarsh
