#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// Whole-file reads and whole-buffer writes on plain descriptors. Every call retries EINTR; a
// failure leaves errno telling why (EFBIG for a file longer than the caller's bound), so callers
// word their own message.
class FileIO {
public:
    // Whether something exists at path (links followed).
    static bool exists(const std::string& path);

    // The whole content of the file at path; none when it cannot be opened or read, or when it
    // holds more than maxBytes.
    static std::optional<std::string> readFile(const std::string& path, std::size_t maxBytes);
    // The same for a regular file only, for paths that anyone could have put anything at: opening
    // never blocks (a FIFO without a writer, a device), and something that is not a regular file
    // gives none with EINVAL, a file whose size is past maxBytes none with EFBIG. A file that
    // grows while it is read still stops at maxBytes.
    static std::optional<std::string> readRegularFile(const std::string& path, std::size_t maxBytes);
    // The same for the file at relativePath inside folder, reached without following a symbolic
    // link anywhere below folder (folder itself may be one) and without "..": for files of a tree
    // that came from somewhere else, which must not point out of it. The file a link gives none
    // with ELOOP, a link on the way none with ENOTDIR, a ".." none with EINVAL.
    static std::optional<std::string> readRegularFileIn(const std::string& folder, const std::string& relativePath,
                                                        std::size_t maxBytes);
    // The names in a folder, in the order the file system lists them, without "." and ".."; none
    // when the folder cannot be opened.
    static std::optional<std::vector<std::string>> folderEntries(const std::string& folder);
    // The same for a folder already open (fd stays open and is not moved).
    static std::optional<std::vector<std::string>> folderEntries(int fd);
    // Everything readable from fd up to its end; none on a read error or past maxBytes.
    static std::optional<std::string> readAll(int fd, std::size_t maxBytes);

    // Writes every byte to fd; false when a write fails (or writes nothing).
    static bool writeAll(int fd, std::string_view bytes);
    // The same on a socket, with MSG_NOSIGNAL: a peer that has gone fails the send (EPIPE) instead
    // of raising SIGPIPE.
    static bool sendAll(int fd, std::string_view bytes);
};

} // namespace quillmarsh
