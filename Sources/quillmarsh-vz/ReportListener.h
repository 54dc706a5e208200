#pragma once

#include "EventLoop.h"
#include "Foundation/UniqueFd.h"
#include "Virtualization/VirtioSocketListener.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// Port 1025: each guest connection carries one report file, a name line and then the content. Each
// is read to its end off the loop; the file is written into the report folder on the loop.
class ReportListener : public vz::VirtioSocketListenerDelegate, public std::enable_shared_from_this<ReportListener> {
public:
    static constexpr std::size_t chunk = 65536;
    static constexpr std::size_t limit = 64u << 20; // reading stops past this many bytes
    static constexpr int maxReading = 16;           // connections read at once; more are refused

    // `folder` is the report folder opened with openFolder (none when it could not be: every
    // report is then dropped).
    ReportListener(UniqueFd folder, EventLoop::Poster post) : dir(std::move(folder)), post_(std::move(post)) {}

    bool listener(vz::VirtioSocketListener& listener, std::shared_ptr<vz::VirtioSocketConnection> connection,
                  vz::VirtioSocketDevice& device) override;

    // 1 to 64 ASCII letters, digits, ".", "_" or "-", the whole name, not beginning with ".".
    static bool isValidName(std::string_view name);
    // The report folder, opened once at the start of a run so that every report lands in that very
    // folder, whatever later happens to its path; none for a missing folder or a symbolic link.
    static UniqueFd openFolder(const std::string& path);
    // Writes `content` as `name` inside the open `folder`: into a new file of a private temporary
    // name, then renamed over `name`. So nothing already there (a hard link to another file, a
    // FIFO, a symbolic link) is ever written through, and a failed write (a full disk, the file-size
    // limit) leaves no file: the temporary one is removed and an earlier report of that name stays.
    // False when it could not.
    static bool writeReport(int folder, const std::string& name, std::string_view content);

    // Connections still being read, and what runs when the last of them has been written.
    int reading() const { return reading_; }
    std::function<void()> onIdle;

    const UniqueFd dir; // the report folder, open
    std::vector<std::shared_ptr<vz::VirtioSocketConnection>> connections;

private:
    void arrived(const std::shared_ptr<vz::VirtioSocketConnection>& connection, const std::string& bytes);

    EventLoop::Poster post_;
    int reading_ = 0;
};

} // namespace quillmarsh
