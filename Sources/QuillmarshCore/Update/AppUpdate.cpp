#include "Update/AppUpdate.h"

#include "Foundation/PropertyList.h"
#include "Foundation/Text.h"
#include "Records/AgentStatus.h"

#include <openssl/evp.h>
#include <unicode/uchar.h>

#include <stdexcept>

namespace quillmarsh {

namespace {

bool isSchemeChar(char c, bool first) {
    bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first)
        return alpha;
    return alpha || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The scheme of an absolute URL text, or none when the text is not one: a scheme, ":", and
// printable ASCII without blanks; for http and https an authority with a host.
std::optional<std::string> urlScheme(std::string_view text) {
    auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    for (std::size_t i = 0; i < colon; ++i)
        if (!isSchemeChar(text[i], i == 0))
            return std::nullopt;
    for (char c : text)
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            return std::nullopt;
    std::string scheme(text.substr(0, colon));
    std::string_view rest = text.substr(colon + 1);
    if (scheme == "http" || scheme == "https") {
        if (rest.substr(0, 2) != "//")
            return std::nullopt;
        std::string_view afterSlashes = rest.substr(2);
        std::string_view authority = afterSlashes.substr(0, afterSlashes.find_first_of("/?#"));
        auto at = authority.rfind('@');
        auto host = at == std::string_view::npos ? authority : authority.substr(at + 1);
        if (host.empty() || host[0] == ':')
            return std::nullopt;
    }
    return scheme;
}

bool isUnicodeNumber(char32_t c) {
    auto type = u_charType(static_cast<UChar32>(c));
    return type == U_DECIMAL_DIGIT_NUMBER || type == U_LETTER_NUMBER || type == U_OTHER_NUMBER;
}

} // namespace

std::string AppUpdate::Decision::printed() const {
    switch (kind) {
    case Case::update:
        return "update(\"" + version + "\")";
    case Case::notABundle:
        return "notABundle";
    case Case::badLatest:
        return "badLatest";
    case Case::upToDate:
        return "upToDate";
    }
    return {};
}

std::string AppUpdate::downloadsBase(const std::map<std::string, std::string>& environment) {
    auto found = environment.find("QUILLMARSH_DOWNLOADS_URL");
    if (found != environment.end() && !found->second.empty()) {
        auto scheme = urlScheme(found->second);
        if (scheme && (*scheme == "https" || *scheme == "http"))
            return found->second;
    }
    return std::string(defaultDownloads);
}

std::string AppUpdate::appendingPath(std::string_view base, std::string_view components) {
    auto cut = base.find_first_of("?#");
    std::string_view head = base.substr(0, cut);
    std::string_view tail = cut == std::string_view::npos ? std::string_view() : base.substr(cut);
    std::string out(head);
    // A base with no path ("https://host") gets its root slash first.
    auto scheme = head.find("://");
    bool hasPath = scheme != std::string_view::npos && head.find('/', scheme + 3) != std::string_view::npos;
    if (!hasPath || out.empty() || out.back() != '/')
        out += '/';
    out += Text::percentEncodePath(components);
    out += tail;
    return out;
}

std::string AppUpdate::lastPathComponent(std::string_view url) {
    auto cut = url.find_first_of("?#");
    std::string_view head = url.substr(0, cut);
    while (head.size() > 1 && head.back() == '/')
        head.remove_suffix(1);
    auto slash = head.rfind('/');
    return std::string(slash == std::string_view::npos ? head : head.substr(slash + 1));
}

std::string AppUpdate::latestURL(std::string_view base) { return appendingPath(base, "mac/latest"); }

std::string AppUpdate::zipURL(std::string_view version, std::string_view base) {
    return appendingPath(base, "mac/v" + std::string(version) + "/" + std::string(zipName));
}

std::string AppUpdate::checksumURL(std::string_view version, std::string_view base) {
    return appendingPath(base, "mac/v" + std::string(version) + "/" + std::string(zipName) + ".sha256");
}

std::string AppUpdate::downloadURL(std::string_view base) {
    return appendingPath(base, "mac/Quillmarsh-darwin-arm64.zip");
}

std::optional<std::string> AppUpdate::parseLatest(std::string_view text) {
    std::string trimmed = Text::trimmingWhitespaceAndNewlines(text);
    auto pieces = Text::split(trimmed, '.');
    if (pieces.size() != 3)
        return std::nullopt;
    for (const auto& piece : pieces) {
        if (piece.empty() || !Text::isValidUTF8(piece))
            return std::nullopt;
        for (char32_t c : Text::decodeUTF8(piece))
            if (!isUnicodeNumber(c))
                return std::nullopt;
    }
    return trimmed;
}

std::optional<std::string> AppUpdate::parseChecksum(std::string_view text) {
    std::u32string chars = Text::decodeUTF8(text);
    std::size_t i = 0;
    while (i < chars.size() && Text::isWhitespaceOrNewline(chars[i]))
        ++i;
    std::size_t start = i;
    while (i < chars.size() && !Text::isWhitespaceOrNewline(chars[i]))
        ++i;
    if (i - start != 64)
        return std::nullopt;
    std::string out;
    for (std::size_t k = start; k < i; ++k) {
        char32_t c = chars[k];
        if (c >= 'A' && c <= 'F')
            c = c - 'A' + 'a';
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return std::nullopt;
        out += static_cast<char>(c);
    }
    return out;
}

std::string AppUpdate::sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available");
    return Text::hexEncoded(std::string_view(reinterpret_cast<const char*>(digest), length));
}

bool AppUpdate::isNewer(std::string_view version, std::string_view than) {
    return AgentStatus::compareVersions(version, than) > 0;
}

AppUpdate::Decision AppUpdate::decide(const std::optional<std::string>& current,
                                      const std::optional<std::string>& latest) {
    if (!current || current->empty())
        return Decision::notABundle();
    if (!latest)
        return Decision::badLatest();
    auto parsed = parseLatest(*latest);
    if (!parsed)
        return Decision::badLatest();
    if (AgentStatus::compareVersions(*parsed, *current) <= 0)
        return Decision::upToDate();
    return Decision::update(*parsed);
}

std::string AppUpdate::signingRequirement(std::string_view team, std::string_view identifier) {
    std::string out = "identifier \"";
    out += identifier;
    out += "\" and anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] /* exists */ and "
           "certificate leaf[field.1.2.840.113635.100.6.1.13] /* exists */ and certificate leaf[subject.OU] = \"";
    out += team;
    out += "\"";
    return out;
}

std::string AppUpdate::deletingLastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    auto slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

std::optional<std::string> AppUpdate::selfUpdateBlocker(std::string_view bundlePath,
                                                        const std::function<bool(const std::string&)>& isWritable) {
    if (bundlePath.empty() || !bundlePath.ends_with(".app"))
        return "This build runs outside an app bundle.";
    if (bundlePath.find("/AppTranslocation/") != std::string_view::npos)
        return "macOS runs this copy from a read-only place because it was opened where it was downloaded; "
               "move Quillmarsh to Applications.";
    static const std::string otherUser = "This copy was installed by another user, so it cannot replace itself.";
    if (!isWritable(deletingLastPathComponent(bundlePath)))
        return otherUser;
    if (!isWritable(std::string(bundlePath)))
        return otherUser;
    return std::nullopt;
}

std::string AppUpdate::stagingPath(std::string_view bundlePath, std::string_view token) {
    std::string parent = deletingLastPathComponent(bundlePath);
    std::string name = std::string(stagingPrefix) + std::string(token);
    if (parent.empty())
        return name;
    if (parent.back() != '/')
        parent += '/';
    return parent + name;
}

std::vector<std::string> AppUpdate::staleStagingNames(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const auto& name : names)
        if (name.starts_with(stagingPrefix))
            out.push_back(name);
    return out;
}

std::string AppUpdate::workFolderName(std::string_view uuid) {
    return std::string(bundleIdentifier) + ".update-" + std::string(uuid);
}

bool AppUpdate::isWorkFolderName(std::string_view name) {
    const std::string prefix = workFolderName("");
    if (!name.starts_with(prefix))
        return false;
    const std::string_view uuid = name.substr(prefix.size());
    if (uuid.size() != 36)
        return false;
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        const char c = uuid[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

std::optional<std::string> AppUpdate::bundleVersion(const std::string& bundlePath) {
    auto strings = PropertyList::readDictionaryStrings(bundlePath, "Contents/Info.plist");
    if (!strings)
        return std::nullopt;
    auto found = strings->find("CFBundleShortVersionString");
    if (found == strings->end())
        return std::nullopt;
    return found->second;
}

std::optional<std::string> AppUpdate::bundleIdentifierAt(const std::string& bundlePath) {
    auto strings = PropertyList::readDictionaryStrings(bundlePath, "Contents/Info.plist");
    if (!strings)
        return std::nullopt;
    auto found = strings->find("CFBundleIdentifier");
    if (found == strings->end())
        return std::nullopt;
    return found->second;
}

bool AppUpdate::shouldInstallUnattended(const UpdateState& state, bool quiet) {
    return state.kind == UpdateState::Case::ready && quiet;
}

} // namespace quillmarsh
