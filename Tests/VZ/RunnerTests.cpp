#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "Runner.h"
#include "Support/TempFolder.h"
#include "Virtualization/VirtioSocketConnection.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <poll.h>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace quillmarsh;
using Reason = VMRunResult::Reason;

namespace {

// A loop on a test clock: time moves only through advance(); posted blocks run in order.
class TestLoop final : public EventLoop {
public:
    std::int64_t nowMs() const override { return now_; }
    void after(std::int64_t delayMs, Block block) override { timers_.emplace(now_ + std::max<std::int64_t>(delayMs, 0), std::move(block)); }
    void onSignal(int signal, Block block) override { signals_[signal] = std::move(block); }
    Poster poster() override {
        auto queue = queue_;
        return [queue](Block block) {
            std::lock_guard lock(queue->mutex);
            queue->blocks.push_back(std::move(block));
        };
    }
    void watchWritable(int fd, Block block) override { writable_[fd] = std::move(block); }
    void unwatchWritable(int fd) override { writable_.erase(fd); }
    void raise(int signal) {
        if (signals_.count(signal)) signals_[signal]();
        settle();
    }
    // Runs posted blocks and due timers until none is left.
    void settle() {
        for (;;) {
            Block block;
            {
                std::lock_guard lock(queue_->mutex);
                if (!queue_->blocks.empty()) {
                    block = std::move(queue_->blocks.front());
                    queue_->blocks.pop_front();
                }
            }
            if (!block && !timers_.empty() && timers_.begin()->first <= now_) {
                block = std::move(timers_.begin()->second);
                timers_.erase(timers_.begin());
            }
            if (!block) block = writableBlock();
            if (!block) return;
            block();
        }
    }
    void advance(std::int64_t ms) {
        std::int64_t target = now_ + ms;
        while (!timers_.empty() && timers_.begin()->first <= target) {
            now_ = std::max(now_, timers_.begin()->first);
            settle();
        }
        now_ = target;
        settle();
    }
    // Waits (really) until a block posted from another thread has arrived, then runs it.
    void awaitPost() {
        for (int i = 0; i < 5000; ++i) {
            {
                std::lock_guard lock(queue_->mutex);
                if (!queue_->blocks.empty()) break;
            }
            ::usleep(1000);
        }
        settle();
    }

private:
    // The block of a watched descriptor that can be written to now, if any.
    Block writableBlock() {
        for (auto& [fd, block] : writable_) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 0) == 1) return block;
        }
        return nullptr;
    }
    struct Queue {
        std::mutex mutex;
        std::deque<Block> blocks;
    };
    std::map<int, Block> writable_;
    std::shared_ptr<Queue> queue_ = std::make_shared<Queue>();
    std::multimap<std::int64_t, Block> timers_;
    std::map<int, Block> signals_;
    std::int64_t now_ = 1000;
};

// A VM whose behaviour each test sets; it calls back on the loop like the real one.
class FakeVM final : public vz::VirtualMachine {
public:
    TestLoop& loop;
    std::optional<vz::DomainError> startError;
    bool obeysStopRequest = true;
    bool stoppable = true;
    std::optional<vz::DomainError> stopError;
    int stopRequests = 0;
    int stops = 0;
    State current = State::stopped;
    vz::VirtioSocketDevice device;

    explicit FakeVM(TestLoop& l) : loop(l) {}
    void start(Completion completion) override {
        current = State::starting;
        loop.post([this, completion] {
            current = startError ? State::stopped : State::running;
            completion(startError);
        });
    }
    bool canRequestStop() const override { return current == State::running; }
    std::optional<vz::DomainError> requestStop() override {
        ++stopRequests;
        if (obeysStopRequest) loop.post([this] { guestStops(); });
        return std::nullopt;
    }
    bool canStop() const override { return stoppable; }
    void stop(Completion completion) override {
        ++stops;
        loop.post([this, completion] {
            current = State::stopped;
            completion(stopError);
        });
    }
    State state() const override { return current; }
    std::vector<vz::VirtioSocketDevice*> socketDevices() override { return {&device}; }

    void guestStops() {
        current = State::stopped;
        if (auto d = delegate.lock()) d->guestDidStop(*this);
    }
    void crashes(const std::string& text) {
        current = State::error;
        if (auto d = delegate.lock()) d->virtualMachineDidStopWithError(*this, vz::DomainError(text));
    }
    // A guest connection to `port`; returns the guest's end (none when refused).
    UniqueFd connect(std::uint32_t port) {
        int pair[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
        UniqueFd guestEnd(pair[0]);
        auto connection = std::make_shared<vz::VirtioSocketConnection>(pair[1], 0x40000000, port);
        if (!device.connectionArrived(connection)) guestEnd.reset();
        return guestEnd;
    }
};

// What the host sent on a connection, up to the end the host made.
std::string readToEnd(UniqueFd guestEnd) {
    return FileIO::readAll(guestEnd.get(), 1 << 20).value_or("<read failed>");
}

struct RunFixture {
    test::TempFolder dir{"qm-runner"};
    TestLoop loop;
    std::vector<std::string> lines;
    std::vector<int> exits;
    FakeVM* vm = nullptr;
    int vmsMade = 0;
    UniqueFd stdinWrite;
    std::function<void(FakeVM&)> setUp = [](FakeVM&) {};
    std::shared_ptr<Runner> runner;

    RunFixture() {
        dir.write("disk.img", "disk");
        dir.write("kernel", "kernel");
    }
    VMOptions options() const {
        VMOptions o;
        o.disks = {VMDisk{(dir / "disk.img").string(), false}};
        o.kernel = (dir / "kernel").string();
        o.cpus = 1;
        o.memoryMiB = 512;
        o.stopGraceSeconds = 5;
        o.timeoutSeconds = 60;
        return o;
    }
    // Starts the runner; stdin is a pipe the test writes to (`input` is written and closed unless none).
    void start(VMOptions o, std::optional<std::string> input = std::nullopt) {
        int pipeFds[2];
        ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
        // The read end stays open for good: the runner's background read may still be on it when
        // the test has ended.
        stdinWrite.reset(pipeFds[1]);
        if (input) {
            // Room for the whole input (up to the runner's limit), written before the runner reads.
            if (input->size() > 65536) {
                ASSERT_GE(::fcntl(pipeFds[1], F_SETPIPE_SZ, int(input->size())), int(input->size()));
            }
            ASSERT_EQ(::write(stdinWrite.get(), input->data(), input->size()), ssize_t(input->size()));
            stdinWrite.reset();
        }
        Runner::Host host{
            loop,
            [this](const vz::VirtualMachineConfiguration&) {
                ++vmsMade;
                auto made = std::make_unique<FakeVM>(loop);
                vm = made.get();
                setUp(*made);
                return std::unique_ptr<vz::VirtualMachine>(std::move(made));
            },
            [this](const std::string& line) { lines.push_back(line); },
            [this](int status) { exits.push_back(status); },
            [](const std::string&) {},
            pipeFds[0],
        };
        runner = std::make_shared<Runner>(std::move(o), host);
        runner->start();
        loop.settle();
    }
    // Starts an on-demand run and opens two guest connections that wait on port 1024 for the line.
    void startWithTwoWaiting(UniqueFd& first, UniqueFd& second) {
        auto o = options();
        o.secretOnDemand = true;
        start(o);
        first = vm->connect(1024);
        second = vm->connect(1024);
        ASSERT_TRUE(first);
        ASSERT_TRUE(second);
    }
    VMRunResult result() const {
        EXPECT_EQ(lines.size(), 1u);
        EXPECT_EQ(exits.size(), 1u);
        return lines.empty() ? VMRunResult(Reason::error, -1, "no line") : VMRunResult::decodeLine(lines.front());
    }
};

} // namespace

TEST(Runner, EveryEndingGivesOneLineWithItsReasonMessageAndStatus) {
    struct Case {
        const char* name;
        std::function<void(RunFixture&)> act;
        Reason reason;
        std::optional<std::string> error;
        int exit;
    };
    std::vector<Case> cases = {
        {"guest stops by itself", [](RunFixture& r) { r.vm->guestStops(); }, Reason::guestStopped, std::nullopt, 0},
        {"SIGTERM, guest obeys", [](RunFixture& r) { r.loop.raise(SIGTERM); }, Reason::cancelled, std::nullopt, 0},
        {"SIGINT, guest obeys", [](RunFixture& r) { r.loop.raise(SIGINT); }, Reason::cancelled, std::nullopt, 0},
        {"run time-out", [](RunFixture& r) { r.loop.advance(60000); }, Reason::timeout, std::nullopt, 0},
        {"VM stops with an error", [](RunFixture& r) { r.vm->crashes("the VM crashed"); }, Reason::error, "the VM crashed", 1},
        {"guest ignores the request: forced stop after the grace",
         [](RunFixture& r) {
             r.vm->obeysStopRequest = false;
             r.loop.raise(SIGTERM);
             EXPECT_TRUE(r.lines.empty());
             r.loop.advance(4999);
             EXPECT_TRUE(r.lines.empty());
             r.loop.advance(1);
         },
         Reason::cancelled, std::nullopt, 0},
        {"forced stop fails",
         [](RunFixture& r) {
             r.vm->obeysStopRequest = false;
             r.vm->stopError = vz::DomainError("stop failed badly");
             r.loop.raise(SIGTERM);
             r.loop.advance(5000);
         },
         Reason::cancelled, "stop failed badly", 0},
        {"VM cannot be stopped",
         [](RunFixture& r) {
             r.vm->obeysStopRequest = false;
             r.vm->stoppable = false;
             r.loop.advance(60000 + 5000);
         },
         Reason::timeout, "virtual machine in state 1 cannot be stopped", 0},
        {"guest stops within the grace after the time-out",
         [](RunFixture& r) {
             r.vm->obeysStopRequest = false;
             r.loop.advance(60000);
             r.loop.advance(1000);
             r.vm->guestStops();
         },
         Reason::timeout, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture run;
        run.start(run.options());
        ASSERT_NE(run.vm, nullptr);
        c.act(run);
        auto result = run.result();
        EXPECT_EQ(result.reason, c.reason);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.status, c.reason == Reason::error ? "error" : "stopped");
        ASSERT_EQ(run.exits.size(), 1u);
        EXPECT_EQ(run.exits.front(), c.exit);
    }
}

TEST(Runner, FailuresBeforeTheGuestRunsEndWithAnErrorLine) {
    {
        RunFixture run;
        auto o = run.options();
        o.disks = {VMDisk{(run.dir / "missing.img").string(), false}};
        run.start(o);
        EXPECT_EQ(run.vmsMade, 0);
        auto result = run.result();
        EXPECT_EQ(result.reason, Reason::error);
        EXPECT_NE(result.error->find("missing.img"), std::string::npos);
        EXPECT_EQ(run.exits, std::vector<int>{1});
    }
    {
        RunFixture run;
        auto o = run.options();
        o.mac = "02:00:00:00:00:0\xef\xbc\x91"; // a full-width digit passes the parser, not the VM layer
        run.start(o);
        EXPECT_EQ(run.vmsMade, 0);
        EXPECT_EQ(run.result().error, "invalid MAC 02:00:00:00:00:0\xef\xbc\x91");
    }
    {
        RunFixture run;
        run.setUp = [](FakeVM& vm) { vm.startError = vz::DomainError("no bootable device"); };
        run.start(run.options());
        EXPECT_EQ(run.result().error, "start: no bootable device");
        EXPECT_EQ(run.exits, std::vector<int>{1});
    }
}

TEST(Runner, DurationComesFromTheMonotonicClock) {
    RunFixture run;
    run.start(run.options());
    run.loop.advance(1500);
    run.vm->guestStops();
    EXPECT_EQ(run.lines, std::vector<std::string>{R"({"duration_ms":1500,"reason":"guest_stopped","status":"stopped"})"});
}

TEST(Runner, GraceZeroForcesTheStopRightBehindTheRequest) {
    RunFixture run;
    auto o = run.options();
    o.stopGraceSeconds = 0;
    run.start(o);
    run.vm->obeysStopRequest = false;
    run.loop.raise(SIGTERM);
    EXPECT_EQ(run.vm->stopRequests, 1);
    EXPECT_EQ(run.vm->stops, 1);
    EXPECT_EQ(run.result().reason, Reason::cancelled);
}

TEST(Runner, OnlyTheFirstReasonCountsAndLaterEventsChangeNothing) {
    RunFixture run;
    run.start(run.options());
    run.vm->obeysStopRequest = false;
    run.loop.raise(SIGTERM);
    run.loop.raise(SIGTERM);
    run.loop.raise(SIGINT);
    run.loop.advance(60000); // the run time-out and the forced stop
    run.vm->guestStops();    // a late guest stop after the finish
    EXPECT_EQ(run.vm->stopRequests, 1);
    EXPECT_EQ(run.vm->stops, 1);
    EXPECT_EQ(run.result().reason, Reason::cancelled);
}

TEST(Runner, HandOffFailureAfterAnotherReasonKeepsThatReasonWithTheMessage) {
    RunFixture run;
    auto o = run.options();
    o.secretOnDemand = true;
    o.secretTimeoutSeconds = 10;
    o.stopGraceSeconds = 20;
    run.start(o); // stdin stays open
    run.vm->obeysStopRequest = false;
    run.loop.raise(SIGTERM);
    run.loop.advance(10000); // the hand-off time-out during the stop
    run.loop.advance(10000); // the forced stop
    auto result = run.result();
    EXPECT_EQ(result.reason, Reason::cancelled);
    EXPECT_EQ(result.error, "the runner config did not arrive within 10 seconds");
    EXPECT_EQ(run.exits, std::vector<int>{0});
}

TEST(Runner, OnDemandHandsTheLineToTheFirstWaitingConnectionOnly) {
    RunFixture run;
    UniqueFd first, second;
    ASSERT_NO_FATAL_FAILURE(run.startWithTwoWaiting(first, second));
    ASSERT_EQ(::write(run.stdinWrite.get(), "line\r\n\n", 7), 7);
    run.stdinWrite.reset();
    run.loop.awaitPost();
    EXPECT_EQ(readToEnd(std::move(first)), "line\n");
    EXPECT_EQ(readToEnd(std::move(second)), "");
    EXPECT_FALSE(run.vm->connect(1024));
    EXPECT_TRUE(run.runner->secretDelivered);
    EXPECT_FALSE(run.runner->secret.has_value());
    run.loop.advance(120000); // the hand-off time-out after delivery does nothing
    EXPECT_EQ(run.result().reason, Reason::timeout);
}

TEST(Runner, HandOffTimeOutsAndBadInputNameTheirCause) {
    {
        RunFixture run;
        auto o = run.options();
        o.secretOnDemand = true;
        run.start(o, std::string("\r\n"));
        run.loop.awaitPost();
        run.loop.settle();
        EXPECT_EQ(run.result().error, "no runner config arrived on stdin");
        EXPECT_EQ(run.exits, std::vector<int>{1});
    }
    {
        RunFixture run;
        auto o = run.options();
        o.secretStdin = true;
        o.secretTimeoutSeconds = 7;
        run.start(o, std::string("held\n"));
        run.loop.awaitPost(); // the pre-boot read
        ASSERT_NE(run.vm, nullptr);
        run.loop.advance(7000);
        EXPECT_EQ(run.result().error, "the guest did not ask for its runner config within 7 seconds");
    }
    {
        RunFixture run;
        auto o = run.options();
        o.secretStdin = true;
        run.start(o, std::string("one\ntwo\n"));
        run.loop.awaitPost();
        EXPECT_EQ(run.vmsMade, 0);
        EXPECT_EQ(run.result().error, "the runner config must be exactly one line on stdin");
    }
}

TEST(Runner, PreBootReadIsBoundedAndASignalEndsItWithALine) {
    {
        RunFixture run;
        auto o = run.options();
        o.secretStdin = true;
        o.secretTimeoutSeconds = 5;
        run.start(o); // the agent never closes stdin
        run.loop.advance(5000);
        EXPECT_EQ(run.vmsMade, 0);
        EXPECT_EQ(run.result().error, "the runner config did not arrive within 5 seconds");
    }
    {
        RunFixture run;
        auto o = run.options();
        o.secretStdin = true;
        run.start(o);
        run.loop.raise(SIGTERM);
        EXPECT_EQ(run.vmsMade, 0);
        EXPECT_EQ(run.result().reason, Reason::cancelled);
        EXPECT_EQ(run.exits, std::vector<int>{0});
    }
}

TEST(Runner, AWaitingConnectionWhoseGuestHasGoneLeavesTheLineToTheNext) {
    RunFixture run;
    UniqueFd gone, waiting;
    ASSERT_NO_FATAL_FAILURE(run.startWithTwoWaiting(gone, waiting));
    gone.reset();
    ASSERT_TRUE(FileIO::writeAll(run.stdinWrite.get(), "line\n"));
    run.stdinWrite.reset();
    run.loop.awaitPost();
    EXPECT_EQ(readToEnd(std::move(waiting)), "line\n");
    EXPECT_TRUE(run.runner->secretDelivered);
}

TEST(Runner, ReadSecretLine) {
    struct Case {
        std::string input;
        std::optional<std::string> line;
    };
    for (const auto& c : std::vector<Case>{{"abc\r\n", "abc"}, {"a\rb\n", "a\rb"}, {"x\n\r\n\n", "x"}, {"", std::nullopt},
                                           {"\n\r", std::nullopt}, {"one\ntwo", std::nullopt}}) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const UniqueFd readEnd(fds[0]);
        UniqueFd writeEnd(fds[1]);
        ASSERT_EQ(::write(writeEnd.get(), c.input.data(), c.input.size()), ssize_t(c.input.size()));
        writeEnd.reset();
        try {
            auto line = Runner::readSecretLine(readEnd.get());
            EXPECT_EQ(std::string(line.view()), c.line.value_or("<error>"));
        } catch (const vz::DomainError& e) {
            EXPECT_FALSE(c.line) << c.input;
            EXPECT_EQ(e.code(), 4);
        }
    }
}

TEST(Runner, ALineLargerThanTheSocketTakesGoesOutWholeAsTheGuestReads) {
    RunFixture run;
    auto o = run.options();
    o.secretStdin = true;
    const std::string line(Runner::secretInputLimit - 1, 'x');
    run.start(o, line + "\n");
    run.loop.awaitPost(); // the pre-boot read
    ASSERT_NE(run.vm, nullptr);
    // The connection is answered at once, long before the guest has read the line.
    UniqueFd guest = run.vm->connect(1024);
    ASSERT_TRUE(guest);
    EXPECT_FALSE(run.runner->secretDelivered);
    // A second guest asking meanwhile waits its turn; the line goes to the first only.
    UniqueFd second = run.vm->connect(1024);
    ASSERT_TRUE(second);
    // The guest reads what has come as the loop turns, until the runner closes its end; a hand-over
    // that stalls ends the loop's turns, and the test fails instead of waiting for ever.
    ASSERT_EQ(::fcntl(guest.get(), F_SETFL, O_NONBLOCK), 0);
    std::string received;
    bool closed = false;
    for (int i = 0; i < 10000 && !closed; ++i) {
        run.loop.settle();
        char buffer[1 << 16];
        ssize_t n = 0;
        while ((n = ::read(guest.get(), buffer, sizeof buffer)) > 0) received.append(buffer, std::size_t(n));
        closed = n == 0;
        if (!closed) ::usleep(1000);
    }
    EXPECT_TRUE(run.runner->secretDelivered);
    EXPECT_EQ(received.size(), line.size() + 1);
    EXPECT_EQ(received, line + "\n");
    EXPECT_EQ(readToEnd(std::move(second)), "");
}

TEST(Runner, AGuestThatNeverReadsIsGivenUpAtTheHandOffTimeOut) {
    RunFixture run;
    auto o = run.options();
    o.secretStdin = true;
    o.secretTimeoutSeconds = 3;
    run.start(o, std::string(Runner::secretInputLimit - 1, 'x') + "\n");
    run.loop.awaitPost();
    ASSERT_NE(run.vm, nullptr);
    UniqueFd guest = run.vm->connect(1024); // never read
    ASSERT_TRUE(guest);
    run.loop.advance(3000);
    EXPECT_EQ(run.result().error, "the guest did not ask for its runner config within 3 seconds");
    EXPECT_FALSE(run.runner->secretDelivered);
}
