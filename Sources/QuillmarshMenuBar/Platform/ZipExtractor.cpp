#include "Platform/ZipExtractor.h"

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace quillmarsh {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& reason) {
    throw ZipExtractor::Error("the download cannot be unpacked: " + reason);
}

struct ArchiveDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};

// The entry's path as clean components; refuses absolute paths and "..".
std::vector<std::string> components(const std::string& name) {
    if (name.empty() || name[0] == '/')
        fail("the entry \"" + name + "\" has an absolute path");
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        std::string piece = name.substr(start, end - start);
        if (piece == "..")
            fail("the entry \"" + name + "\" leaves the folder");
        if (!piece.empty() && piece != ".")
            out.push_back(piece);
        start = end + 1;
    }
    return out;
}

// Lexically: does target, taken from inside the folder at depth (the link's own folder's
// component count), stay inside the root?
bool staysInside(const std::string& target, std::size_t depth) {
    if (target.empty() || target[0] == '/')
        return false;
    long level = static_cast<long>(depth);
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t end = target.find('/', start);
        if (end == std::string::npos)
            end = target.size();
        std::string piece = target.substr(start, end - start);
        if (piece == "..") {
            if (--level < 0)
                return false;
        } else if (!piece.empty() && piece != ".") {
            ++level;
        }
        start = end + 1;
    }
    return true;
}

bool isInside(const fs::path& path, const fs::path& root) {
    auto relative = path.lexically_relative(root);
    return !relative.empty() && *relative.begin() != "..";
}

} // namespace

FolderModes ZipExtractor::extract(const std::string& archivePath, const std::string& destination, Limits limits) {
    std::error_code error;
    fs::create_directories(destination, error);
    if (error)
        fail("cannot create " + destination + ": " + error.message());
    ::chmod(destination.c_str(), 0700);
    const fs::path root = fs::canonical(destination, error);
    if (error)
        fail("cannot open " + destination + ": " + error.message());

    std::unique_ptr<archive, ArchiveDeleter> reader(archive_read_new());
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_filename(reader.get(), archivePath.c_str(), 1 << 16) != ARCHIVE_OK)
        fail(archive_error_string(reader.get()) ? archive_error_string(reader.get()) : "the archive cannot be read");

    std::uint64_t total = 0;
    std::uint64_t entries = 0;
    FolderModes folderModes;
    std::vector<fs::path> links;
    archive_entry* entry = nullptr;
    for (;;) {
        int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN)
            fail(archive_error_string(reader.get()) ? archive_error_string(reader.get()) : "the archive is damaged");
        if (++entries > limits.maxEntries)
            fail("it has more than " + std::to_string(limits.maxEntries) + " entries");
        const char* rawName = archive_entry_pathname(entry);
        if (!rawName)
            fail("an entry has no name");
        const std::string name = rawName;
        auto parts = components(name);
        if (parts.empty())
            continue;
        if (parts.size() > limits.maxDepth + 1)
            fail("the entry \"" + name + "\" lies more than " + std::to_string(limits.maxDepth) + " folders deep");
        if (archive_entry_hardlink(entry))
            fail("the entry \"" + name + "\" is a hard link");
        const mode_t type = archive_entry_filetype(entry);
        if (type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK)
            fail("the entry \"" + name + "\" is not a file, folder or link");
        const mode_t mode = archive_entry_perm(entry) & 0777;

        // Make the parent folders, never through a link.
        fs::path at = root;
        for (std::size_t k = 0; k + 1 < parts.size(); ++k) {
            at /= parts[k];
            struct stat info {};
            if (::lstat(at.c_str(), &info) == 0) {
                if (!S_ISDIR(info.st_mode))
                    fail("the entry \"" + name + "\" lies inside a file or link");
            } else if (::mkdir(at.c_str(), 0755) != 0) {
                fail("cannot create " + at.string() + ": " + std::strerror(errno));
            }
        }
        const fs::path target = at / parts.back();
        struct stat existing {};
        bool exists = ::lstat(target.c_str(), &existing) == 0;
        if (type == AE_IFDIR) {
            if (exists && !S_ISDIR(existing.st_mode))
                fail("the entry \"" + name + "\" appears twice");
            if (!exists && ::mkdir(target.c_str(), 0700) != 0)
                fail("cannot create " + target.string() + ": " + std::strerror(errno));
            std::string relative;
            for (const auto& part : parts)
                relative += (relative.empty() ? "" : "/") + part;
            folderModes.byPath[relative] = mode;
            continue;
        }
        if (exists)
            fail("the entry \"" + name + "\" appears twice");
        if (type == AE_IFLNK) {
            const char* linkTarget = archive_entry_symlink(entry);
            if (!linkTarget || !staysInside(linkTarget, parts.size() - 1))
                fail("the link \"" + name + "\" points outside the folder");
            if (::symlink(linkTarget, target.c_str()) != 0)
                fail("cannot create " + target.string() + ": " + std::strerror(errno));
            links.push_back(target);
            continue;
        }
        UniqueFd fd(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd)
            fail("cannot create " + target.string() + ": " + std::strerror(errno));
        char buffer[1 << 16];
        for (;;) {
            const la_ssize_t n = archive_read_data(reader.get(), buffer, sizeof buffer);
            if (n < 0)
                fail(archive_error_string(reader.get()) ? archive_error_string(reader.get()) : "the archive is damaged");
            if (n == 0)
                break;
            total += static_cast<std::uint64_t>(n);
            if (total > limits.maxBytes)
                fail("it unpacks to more than " + std::to_string(limits.maxBytes) + " bytes");
            if (!FileIO::writeAll(fd.get(), std::string_view(buffer, static_cast<std::size_t>(n))))
                fail("cannot write " + target.string() + ": " + std::strerror(errno));
        }
        ::fchmod(fd.get(), mode);
        // Closed by hand, not by the owner: a failed close means the file may be incomplete.
        if (!fd.close())
            fail("cannot write " + target.string() + ": " + std::strerror(errno));
    }

    // Links that only stay inside when taken one at a time can still combine to leave the
    // folder: resolve each against the finished tree.
    for (const auto& link : links) {
        fs::path resolved = fs::weakly_canonical(link, error);
        if (error || !isInside(resolved, root))
            fail("the link \"" + link.lexically_relative(root).string() + "\" points outside the folder");
    }
    // The archived modes go only as far as the owner's own access allows: a folder of 0500 or
    // 0000 here would leave the work folder impossible to empty.
    for (const auto& [relative, mode] : folderModes.byPath)
        ::chmod((root / relative).c_str(), mode | S_IRWXU);
    return folderModes;
}

} // namespace quillmarsh
