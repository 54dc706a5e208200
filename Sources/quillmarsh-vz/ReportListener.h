#pragma once

#include "EventLoop.h"
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

    ReportListener(std::string folder, EventLoop::Poster post) : dir(std::move(folder)), post_(std::move(post)) {}

    bool listener(vz::VirtioSocketListener& listener, std::shared_ptr<vz::VirtioSocketConnection> connection,
                  vz::VirtioSocketDevice& device) override;

    // 1 to 64 ASCII letters, digits, ".", "_" or "-", the whole name, not beginning with ".".
    static bool isValidName(std::string_view name);
    // Writes `content` as `name` inside `dir` (no symbolic link followed); false when it could not.
    static bool writeReport(const std::string& dir, const std::string& name, std::string_view content);

    // Connections still being read, and what runs when the last of them has been written.
    int reading() const { return reading_; }
    std::function<void()> onIdle;

    const std::string dir;
    std::vector<std::shared_ptr<vz::VirtioSocketConnection>> connections;

private:
    void arrived(const std::shared_ptr<vz::VirtioSocketConnection>& connection, const std::string& bytes);

    EventLoop::Poster post_;
    int reading_ = 0;
};

} // namespace quillmarsh
