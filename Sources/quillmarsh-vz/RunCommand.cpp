#include "RunCommand.h"

#include "MacInstaller.h"
#include "ToolOutput.h"
#include "VMRunResult.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>

namespace quillmarsh {

namespace {

// Blocks posted from any thread, run one after another on the main thread.
class BlockQueue {
public:
    void post(std::function<void()> block) {
        {
            std::lock_guard lock(mutex_);
            blocks_.push_back(std::move(block));
        }
        ready_.notify_one();
    }

    [[noreturn]] void runForever() {
        for (;;) {
            std::function<void()> block;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [this] { return !blocks_.empty(); });
                block = std::move(blocks_.front());
                blocks_.pop_front();
            }
            block();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> blocks_;
};

} // namespace

void macosInstallCommand(const std::vector<std::string>& args) {
    static BlockQueue queue;
    MacInstaller::Host host;
    host.post = [](std::function<void()> block) { queue.post(std::move(block)); };
    host.emit = [](const nlohmann::json& line) {
        emit(line);
        std::fflush(stdout);
    };
    host.exit = [](int status) { std::exit(status); };
    static MacInstaller installer(args, host);
    queue.post([] { installer.start(); });
    queue.runForever();
}

} // namespace quillmarsh
