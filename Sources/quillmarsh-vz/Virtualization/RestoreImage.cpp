#include "Virtualization/RestoreImage.h"

#include "Foundation/FileIO.h"
#include "Foundation/IntegerText.h"
#include "Foundation/Text.h"
#include "Foundation/UniqueFd.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace vz {

namespace {

constexpr std::uint64_t bytesPerMiB = 1024 * 1024;

bool isDigits(std::string_view text) {
    if (text.empty() || text.size() > 18)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// A whole number: at most 18 digits (no sign), so every accepted one fits in 64 bits.
std::optional<std::int64_t> decimal(std::string_view text) {
    if (!isDigits(text))
        return std::nullopt;
    return quillmarsh::IntegerText::parseDigits(text);
}

// A fraction written as digits with an optional decimal part, from 0 to 1.
std::optional<double> fraction(std::string_view text) {
    const auto dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    if (!isDigits(whole))
        return std::nullopt;
    if (dot != std::string_view::npos && !isDigits(text.substr(dot + 1)))
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > 1)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto next = text.find(' ', at);
        const auto end = next == std::string_view::npos ? text.size() : next;
        if (end > at)
            out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

// The first `count` bytes of a file (fewer when it is shorter), read again from its start; empty
// when they cannot be read.
std::string firstBytes(int fd, std::size_t count) {
    std::string bytes(count, '\0');
    ssize_t got;
    do
        got = ::pread(fd, bytes.data(), count, 0);
    while (got < 0 && errno == EINTR);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

class Parser {
public:
    explicit Parser(const std::string& path) : path_(path) {}

    [[noreturn]] void refuse(const std::string& problem) const {
        throw RestoreImage::LoadError(path_ + " is not a restore image: " + problem);
    }
    [[noreturn]] void refuse(std::size_t line, const std::string& problem) const {
        refuse("line " + std::to_string(line) + ": " + problem);
    }

    RestoreImage parse(std::string_view text) {
        if (!quillmarsh::Text::isValidUTF8(text))
            refuse("the text is not UTF-8");
        std::vector<std::string_view> lines;
        for (std::size_t at = 0; at < text.size();) {
            const auto next = text.find('\n', at);
            const auto end = next == std::string_view::npos ? text.size() : next;
            std::string_view line = text.substr(at, end - at);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            lines.push_back(line);
            at = end + 1;
        }
        if (lines.empty() || lines.front() != RestoreImage::header)
            throw RestoreImage::LoadError(path_ + " is not a restore image");

        std::map<std::string, std::pair<std::size_t, std::string_view>> values;
        for (std::size_t index = 1; index < lines.size(); ++index) {
            const std::string_view line = lines[index];
            const std::size_t number = index + 1;
            if (line.empty())
                continue;
            for (char c : line)
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                    refuse(number, "control character");
            const auto space = line.find(' ');
            const std::string key(line.substr(0, space));
            const std::string_view value = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
            static const char* const known[] = {"build", "version", "supported", "min-cpus", "min-memory-mib",
                                                "hardware-model", "progress", "fail-at", "step-ms"};
            bool isKnown = false;
            for (const char* name : known)
                isKnown = isKnown || key == name;
            if (!isKnown)
                refuse(number, "unknown key " + key);
            if (values.count(key))
                refuse(number, "repeated key " + key);
            if (quillmarsh::Text::trimmingWhitespace(value).empty())
                refuse(number, key + " has no value");
            values[key] = {number, value};
        }

        RestoreImage image;
        const auto required = [&](const char* key) -> std::pair<std::size_t, std::string_view> {
            const auto found = values.find(key);
            if (found == values.end())
                refuse(std::string("no ") + key);
            return found->second;
        };

        const auto [buildLine, build] = required("build");
        if (words(build).size() != 1 || build.find('\t') != std::string_view::npos)
            refuse(buildLine, "build must be one word");
        image.buildVersion = std::string(build);

        const auto [versionLine, version] = required("version");
        const auto parts = quillmarsh::Text::split(version, '.');
        std::optional<std::int64_t> numbers[3];
        if (parts.size() == 3)
            for (int i = 0; i < 3; ++i)
                numbers[i] = decimal(parts[i]);
        if (!numbers[0] || !numbers[1] || !numbers[2])
            refuse(versionLine, "version must be three numbers joined by \".\"");
        image.operatingSystemVersion = {*numbers[0], *numbers[1], *numbers[2]};

        const auto [supportedLine, supported] = required("supported");
        if (supported != "yes" && supported != "no")
            refuse(supportedLine, "supported must be yes or no");

        RestoreImage::ConfigurationRequirements requirements;
        const auto [cpusLine, cpus] = required("min-cpus");
        const auto cpuCount = decimal(cpus);
        if (!cpuCount || *cpuCount < 1)
            refuse(cpusLine, "min-cpus must be a whole number of at least 1");
        requirements.minimumSupportedCPUCount = *cpuCount;

        const auto [memoryLine, memory] = required("min-memory-mib");
        const auto mib = decimal(memory);
        if (!mib || *mib < 1 || static_cast<std::uint64_t>(*mib) > std::numeric_limits<std::uint64_t>::max() / bytesPerMiB)
            refuse(memoryLine, "min-memory-mib must be a whole number of at least 1");
        requirements.minimumSupportedMemorySize = static_cast<std::uint64_t>(*mib) * bytesPerMiB;

        requirements.hardwareModel = std::string(required("hardware-model").second);
        if (supported == "yes")
            image.mostFeaturefulSupportedConfiguration = requirements;

        if (const auto found = values.find("progress"); found != values.end()) {
            const auto [line, list] = found->second;
            for (const auto word : words(list)) {
                const auto value = fraction(word);
                if (!value)
                    refuse(line, "progress " + std::string(word) + " is not a fraction from 0 to 1");
                if (!image.progress.empty() && *value < image.progress.back())
                    refuse(line, "progress must not go back");
                image.progress.push_back(*value);
            }
        }

        if (const auto found = values.find("step-ms"); found != values.end()) {
            const auto [line, value] = found->second;
            const auto milliseconds = decimal(value);
            if (!milliseconds || *milliseconds > RestoreImage::maximumStepMilliseconds)
                refuse(line, "step-ms must be a whole number of milliseconds up to " +
                                 std::to_string(RestoreImage::maximumStepMilliseconds));
            image.stepMilliseconds = *milliseconds;
        }

        if (const auto found = values.find("fail-at"); found != values.end()) {
            const auto [line, rest] = found->second;
            const auto space = rest.find(' ');
            const auto value = fraction(rest.substr(0, space));
            const std::string message = space == std::string_view::npos
                                            ? std::string()
                                            : quillmarsh::Text::trimmingWhitespace(rest.substr(space + 1));
            if (!value || message.empty())
                refuse(line, "fail-at must be a fraction from 0 to 1 and a message");
            image.failAt = RestoreImage::FailAt{*value, message};
        }
        return image;
    }

private:
    const std::string& path_;
};

} // namespace

RestoreImage RestoreImage::parse(std::string_view text, const std::string& path) {
    return Parser(path).parse(text);
}

RestoreImage RestoreImage::load(const std::string& path) {
    // O_NONBLOCK: a FIFO without a writer opens at once instead of holding the caller (the tool's
    // main loop) for ever; O_NOCTTY: a terminal never becomes the tool's controlling one.
    const quillmarsh::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file)
        throw LoadError("cannot open restore image " + path + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        throw LoadError("cannot read restore image " + path + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        throw LoadError("cannot read restore image " + path + ": " + std::strerror(EISDIR));
    // The installer reads the image again on its own thread, so a pipe or a device, which reads
    // differently the second time (or never ends), cannot be one.
    if (!S_ISREG(info.st_mode))
        throw LoadError(path + " is not a restore image: it is not a regular file");
    const auto text = quillmarsh::FileIO::readAll(file.get(), maximumSize);
    if (!text && errno != EFBIG)
        throw LoadError("cannot read restore image " + path + ": " + std::strerror(errno));
    // Anything that is plainly not ours is named so by its first bytes, also when it is large (a
    // multi-gigabyte file is read no further than the bound).
    const std::string start = text ? text->substr(0, header.size()) : firstBytes(file.get(), header.size());
    if (header.substr(0, start.size()) != start)
        throw LoadError(path + " is not a restore image");
    if (!text)
        throw LoadError(path + " is not a restore image: the file is too large");
    RestoreImage image = parse(*text, path);
    image.url = path;
    return image;
}

} // namespace vz
