#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "MainLoop.h"
#include "Support/TempFolder.h"
#include "Virtualization/ControlChannel.h"
#include "Virtualization/ServiceVirtualMachine.h"
#include "Virtualization/VirtioSocketConnection.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using quillmarsh::UniqueFd;
using vz::ControlChannel;
using vz::VirtualMachine;
using Config = vz::VirtualMachineConfiguration;

namespace {

// The file's bytes; empty when it cannot be read (yet).
std::string slurp(const fs::path& path) {
    return quillmarsh::FileIO::readFile(path.string(), 16 << 20).value_or(std::string());
}

// A VM over a guest script, driven on a real main loop, that records what the VM layer reports.
struct Harness : vz::VirtualMachineDelegate, vz::VirtioSocketListenerDelegate, std::enable_shared_from_this<Harness> {
    quillmarsh::test::TempFolder dir{"qm-vm"};
    quillmarsh::MainLoop loop;
    std::unique_ptr<vz::ServiceVirtualMachine> vm;
    std::string events;
    std::string answer = "hello\n";
    bool acceptConnections = true;
    std::shared_ptr<vz::VirtioSocketListener> portListener = std::make_shared<vz::VirtioSocketListener>();

    explicit Harness(const std::string& script) {
        dir.mkdir("share");
        dir.write("kernel", "#!quillmarsh-guest\n" + script);
        dir.write("disk.img", "disk");
    }

    void boot() {
        Config c;
        c.cpuCount = 1;
        c.memorySize = 512ull << 20;
        c.platform = Config::GenericPlatform{};
        c.bootLoader = Config::LinuxBootLoader{(dir / "kernel").string(), std::nullopt, ""};
        c.storageDevices.push_back({Config::StorageDevice::Kind::virtioBlock,
                                    Config::DiskImageAttachment((dir / "disk.img").string(), false, Config::CachingMode::uncached,
                                                                Config::SynchronizationMode::full)});
        c.socketDevices.push_back({});
        c.serialPorts.push_back(Config::SerialPort::fileAttachment((dir / "console.log").string()));
        c.directorySharingDevices.push_back({"out", Config::SingleDirectoryShare{(dir / "share").string(), false}});
        c.validate();
        vm = std::make_unique<vz::ServiceVirtualMachine>(c, loop);
        vm->delegate = shared_from_this();
        portListener->delegate = shared_from_this();
        vm->start([this](std::optional<vz::DomainError> error) {
            if (error) {
                events += "start failed: " + error->localizedDescription() + ";";
                loop.stop();
                return;
            }
            events += "started;";
            vm->socketDevices().at(0)->setSocketListener(portListener, 1024);
        });
        loop.after(20000, [this] { events += "deadline;"; loop.stop(); });
        loop.run();
    }

    void guestDidStop(VirtualMachine&) override {
        events += "guest stopped;";
        loop.stop();
    }
    void virtualMachineDidStopWithError(VirtualMachine&, const vz::DomainError& error) override {
        events += "error: " + error.localizedDescription() + ";";
        loop.stop();
    }
    bool listener(vz::VirtioSocketListener&, std::shared_ptr<vz::VirtioSocketConnection> connection, vz::VirtioSocketDevice&) override {
        events += "connection " + std::to_string(connection->destinationPort()) + ";";
        if (!acceptConnections) return false;
        EXPECT_EQ(::write(connection->fileDescriptor(), answer.data(), answer.size()), ssize_t(answer.size()));
        connection->close();
        return true;
    }
};

std::shared_ptr<Harness> run(const std::string& script, bool accept = true) {
    auto h = std::make_shared<Harness>(script);
    h->acceptConnections = accept;
    h->boot();
    return h;
}

} // namespace

TEST(ServiceVirtualMachine, GuestFetchesFromAnAcceptingListenerThenPowersOff) {
    auto h = run("fetch-config out/got\npoweroff\n");
    EXPECT_EQ(h->events, "started;connection 1024;guest stopped;");
    EXPECT_EQ(slurp(h->dir / "share/got"), "hello\n");
    EXPECT_EQ(h->vm->state(), VirtualMachine::State::stopped);
    EXPECT_NE(slurp(h->dir / "console.log").find("poweroff"), std::string::npos);
}

TEST(ServiceVirtualMachine, RefusedConnectionsAndUnlistenedPortsWriteNothing) {
    auto h = run("fetch-config out/got\nreport name text\npoweroff\n", false);
    EXPECT_EQ(h->events, "started;connection 1024;guest stopped;");
    EXPECT_FALSE(fs::exists(h->dir / "share/got"));
}

TEST(ServiceVirtualMachine, BootFailureAndCrashCarryTheGuestsText) {
    EXPECT_EQ(run("sleep-ms 1\nboot-fail no bootable disk\n")->events, "start failed: no bootable disk;");
    auto crashed = run("crash kernel panic: oops\n");
    EXPECT_EQ(crashed->events, "started;error: kernel panic: oops;");
    EXPECT_EQ(crashed->vm->state(), VirtualMachine::State::error);
}

// Runs action on the harness's loop once the guest's console shows text and the tool has heard
// that the VM runs: a stop request sent before the guest has read its script would meet the
// default "obey", and one sent while the service's "started" is still on its way is refused. The
// console file can show the text before the loop has read that message.
static void whenConsoleShows(Harness* h, std::string text, std::function<void()> action) {
    h->loop.after(10, [h, text = std::move(text), action = std::move(action)]() mutable {
        if (h->vm->state() == VirtualMachine::State::running &&
            slurp(h->dir / "console.log").find(text) != std::string::npos) {
            action();
        } else {
            whenConsoleShows(h, std::move(text), std::move(action));
        }
    });
}

TEST(ServiceVirtualMachine, StopRequestIsObeyedOrIgnoredAndStopAlwaysEnds) {
    auto obeying = std::make_shared<Harness>("");
    whenConsoleShows(obeying.get(), "idle", [&] {
        ASSERT_TRUE(obeying->vm->canRequestStop());
        EXPECT_FALSE(obeying->vm->requestStop().has_value());
    });
    obeying->boot();
    EXPECT_EQ(obeying->events, "started;guest stopped;");

    auto ignoring = std::make_shared<Harness>("on-stop-request ignore\n");
    whenConsoleShows(ignoring.get(), "idle", [&] {
        EXPECT_FALSE(ignoring->vm->requestStop().has_value());
        ignoring->loop.after(300, [&] {
            ASSERT_TRUE(ignoring->vm->canStop());
            ignoring->vm->stop([&](std::optional<vz::DomainError> error) {
                ignoring->events += error ? "stop failed;" : "stopped;";
                ignoring->loop.stop();
            });
        });
    });
    ignoring->boot();
    EXPECT_EQ(ignoring->events, "started;stopped;");
    EXPECT_EQ(ignoring->vm->state(), VirtualMachine::State::stopped);
}

TEST(ServiceVirtualMachine, AKilledServiceStopsTheVMWithAnError) {
    auto h = std::make_shared<Harness>("");
    h->loop.after(300, [&] { ::kill(h->vm->servicePid(), SIGKILL); });
    h->boot();
    EXPECT_EQ(h->events, "started;error: The virtual machine stopped unexpectedly.;");
}

TEST(VirtualMachineConfiguration, ValidateNamesTheProblem) {
    Config c;
    c.cpuCount = 1;
    c.memorySize = 512ull << 20;
    c.platform = Config::GenericPlatform{};
    c.bootLoader = Config::LinuxBootLoader{"/nonexistent/kernel", std::nullopt, ""};
    try {
        c.validate();
        FAIL() << "validated";
    } catch (const vz::DomainError& e) {
        EXPECT_STREQ(e.what(), "Invalid virtual machine configuration. The kernel at \xe2\x80\x9c/nonexistent/kernel\xe2\x80\x9d cannot be read.");
    }
    c.bootLoader = Config::MacOSBootLoader{};
    EXPECT_THROW(c.validate(), vz::DomainError);
    EXPECT_THROW(Config::DiskImageAttachment("/nonexistent.img", false, Config::CachingMode::cached, Config::SynchronizationMode::full), vz::DomainError);
    EXPECT_FALSE(Config::MACAddress::parse("02:00:00:00:00:0g"));
    EXPECT_EQ(Config::MACAddress::parse("02:AB:00:00:00:01")->text(), "02:ab:00:00:00:01");
    auto random = Config::MACAddress::randomLocallyAdministered();
    EXPECT_EQ(random.bytes[0] & 0x03, 0x02);
}

TEST(ControlChannel, ConnectionIdsAndPortsAreDecimalNumbersInRange) {
    struct Case {
        std::string text;
        std::optional<std::pair<int, std::uint32_t>> connect;
    };
    const std::vector<Case> cases = {
        {"1 1024", std::pair(1, 1024u)},
        {"2147483647 4294967295", std::pair(2147483647, 4294967295u)},
        {"0 1024", std::nullopt}, // ids begin at 1
        {"2147483648 1024", std::nullopt},
        {"1 4294967296", std::nullopt},
        {"1", std::nullopt},
        {"1 ", std::nullopt},
        {" 1 1024", std::nullopt},
        {"1  1024", std::nullopt},
        {"1 1024 2", std::nullopt},
        {"1x 1024", std::nullopt},
        {"-1 1024", std::nullopt},
        {"+1 1024", std::nullopt},
        {"1 -1", std::nullopt},
        {"1 0x400", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto parsed = ControlChannel::parseConnect(c.text);
        EXPECT_EQ(parsed ? std::optional(std::pair(parsed->id, parsed->port)) : std::nullopt, c.connect) << c.text;
    }
    for (const std::string answer : {"", "0", "7x", "x", "-7", "+7", " 7", "2147483648"})
        EXPECT_EQ(ControlChannel::parseId(answer), std::nullopt) << answer;
    EXPECT_EQ(ControlChannel::parseId("7"), 7);
    EXPECT_EQ(ControlChannel::parseId("2147483647"), 2147483647);
}

namespace {

// The service on its own, its channel end as descriptor 3 and `argument` as its channel number.
pid_t startService(int channelEnd, std::string argument) {
    std::string program = std::string(QUILLMARSH_BIN_DIR) + "/" + vz::ServiceVirtualMachine::serviceProgram;
    char* argv[] = {program.data(), argument.data(), nullptr};
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (channelEnd == 3) ::fcntl(3, F_SETFD, 0);
        else ::dup2(channelEnd, 3);
        ::execv(program.c_str(), argv);
        ::_exit(127);
    }
    return pid;
}

int exitStatus(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(ServiceProcess, ItsChannelNumberMustBeJustDigits) {
    // With the tool's end closed, a service on its channel ends at once with 0: the tool is gone.
    const std::pair<std::string, int> cases[] = {{"3", 0}, {"3x", 2}, {" 3", 2}, {"+3", 2}, {"", 2}, {"99999999999", 2}};
    for (const auto& [argument, status] : cases) {
        int pair[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
        UniqueFd toolEnd(pair[0]);
        UniqueFd serviceEnd(pair[1]);
        const pid_t pid = startService(serviceEnd.get(), argument);
        ASSERT_GT(pid, 0);
        serviceEnd.reset();
        toolEnd.reset();
        EXPECT_EQ(exitStatus(pid), status) << argument;
    }
}

TEST(ServiceProcess, AnAnswerNamingNoConnectionIsIgnored) {
    quillmarsh::test::TempFolder dir("qm-service");
    dir.write("kernel", "#!quillmarsh-guest\nreport r text\npoweroff\n");
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    UniqueFd toolEnd(pair[0]);
    UniqueFd serviceEnd(pair[1]);
    const pid_t pid = startService(serviceEnd.get(), "3");
    ASSERT_GT(pid, 0);
    serviceEnd.reset();
    Config config;
    config.bootLoader = Config::LinuxBootLoader{(dir / "kernel").string(), std::nullopt, ""};
    config.serialPorts.push_back(Config::SerialPort::fileAttachment((dir / "console.log").string()));
    ASSERT_TRUE(vz::ServiceVirtualMachine::sendConfiguration(toolEnd.get(), config));
    ControlChannel::send(toolEnd.get(), "start");
    std::vector<std::string> received;
    while (auto message = ControlChannel::receive(toolEnd.get())) {
        received.push_back(message->text);
        if (message->text == "connect 1 1025") {
            // "1x" is not connection 1: only the refusal after it answers the guest.
            ControlChannel::send(toolEnd.get(), "accept 1x");
            ControlChannel::send(toolEnd.get(), "refuse 1");
        }
        if (message->text == "guest-stopped") break;
    }
    toolEnd.reset();
    EXPECT_EQ(exitStatus(pid), 0);
    EXPECT_EQ(received, (std::vector<std::string>{"started", "connect 1 1025", "guest-stopped"}));
    const std::string console = slurp(dir / "console.log");
    EXPECT_NE(console.find("report: refused"), std::string::npos) << console;
}
