#pragma once

#include "Virtualization/VirtualMachineConfiguration.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace vz {

// Installs macOS from a restore image onto the first disk of a macOS VM's configuration.
//
// The install runs on a thread of its own, which also changes the progress and calls the
// progress observer, as the platform's installer does. The completion is posted to the VM's
// queue. On this platform "installing" walks the image's progress fractions in order, working
// the image's step-ms after each, stops with the image's fail-at message when it reaches that
// fraction, and otherwise writes a guest script that idles at the start of the disk, so a run of
// the bundle boots it. Destroying the installer ends a running install: its thread stops waiting,
// and its completion never runs.
class MacOSInstaller {
public:
    // Runs a block on the VM's queue (the tool's main loop).
    using Queue = std::function<void(std::function<void()>)>;
    // Empty on success, else the failure's description.
    using Completion = std::function<void(std::optional<std::string> error)>;

    // What a finished install leaves at the start of the disk.
    static constexpr std::string_view installedSystem = "#!quillmarsh-guest\non-stop-request obey\n";

    // The configuration must have at least one storage device: the disk macOS goes onto.
    MacOSInstaller(const VirtualMachineConfiguration& configuration, std::string restoreImagePath, Queue queue);
    ~MacOSInstaller();
    MacOSInstaller(const MacOSInstaller&) = delete;
    MacOSInstaller& operator=(const MacOSInstaller&) = delete;

    // Called on the installer's thread with each new fraction completed (not the initial 0).
    // Set it before install().
    void observeProgress(std::function<void(double)> observer);
    double fractionCompleted() const { return fraction_.load(); }

    // Starts the install once; the completion runs on the queue after the thread has ended.
    void install(Completion completion);

private:
    std::optional<std::string> run();
    // Waits out one step of the install; false when the installer is being destroyed.
    bool work(std::int64_t milliseconds);

    std::string diskPath_;
    std::string restoreImagePath_;
    Queue queue_;
    std::function<void(double)> observer_;
    std::atomic<double> fraction_{0};
    mutable std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::thread thread_;
};

} // namespace vz
