#include "Virtualization/MacOSInstaller.h"

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "Virtualization/RestoreImage.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vz {

using quillmarsh::FileIO;
using quillmarsh::UniqueFd;

MacOSInstaller::MacOSInstaller(const VirtualMachineConfiguration& configuration, std::string restoreImagePath, Queue queue)
    : diskPath_(configuration.storageDevices.empty() ? std::string() : configuration.storageDevices.front().attachment.path),
      restoreImagePath_(std::move(restoreImagePath)), queue_(std::move(queue)) {}

MacOSInstaller::~MacOSInstaller() {
    alive_.reset(); // a completion already posted finds the installer gone and does nothing
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool MacOSInstaller::work(std::int64_t milliseconds) {
    std::unique_lock lock(mutex_);
    return !stop_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping_; });
}

void MacOSInstaller::observeProgress(std::function<void(double)> observer) {
    observer_ = std::move(observer);
}

void MacOSInstaller::install(Completion completion) {
    if (thread_.joinable())
        return;
    std::weak_ptr<int> alive = alive_;
    thread_ = std::thread([this, alive, completion = std::move(completion)]() mutable {
        auto error = run();
        // The block joins this thread before it reports, so the owner may end the process or
        // destroy the installer from the completion. It runs on the queue, where the installer
        // is destroyed too: once that has happened, it does nothing.
        queue_([this, alive, completion = std::move(completion), error = std::move(error)] {
            if (alive.expired())
                return;
            if (thread_.joinable())
                thread_.join();
            completion(error);
        });
    });
}

std::optional<std::string> MacOSInstaller::run() {
    RestoreImage image;
    try {
        image = RestoreImage::load(restoreImagePath_);
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
    for (const double value : image.progress) {
        if (image.failAt && value >= image.failAt->fraction)
            break;
        fraction_.store(value);
        if (observer_)
            observer_(value);
        if (image.stepMilliseconds > 0 && !work(image.stepMilliseconds))
            return std::string("the install was stopped");
    }
    if (image.failAt)
        return image.failAt->message;
    if (diskPath_.empty())
        return std::string("The virtual machine has no disk to install macOS on.");

    UniqueFd disk(::open(diskPath_.c_str(), O_WRONLY | O_CLOEXEC));
    if (!disk)
        return "cannot open the disk " + diskPath_ + ": " + std::strerror(errno);
    // The installed system goes at the start of the disk, where the descriptor stands after open.
    if (!FileIO::writeAll(disk.get(), installedSystem))
        return "cannot write to the disk " + diskPath_ + ": " + std::strerror(errno);
    const int syncError = ::fsync(disk.get()) == 0 ? 0 : errno;
    const int closeError = disk.close() ? 0 : errno;
    if (syncError != 0 || closeError != 0)
        return "cannot write to the disk " + diskPath_ + ": " + std::strerror(syncError != 0 ? syncError : closeError);
    return std::nullopt;
}

} // namespace vz
