#include "MainLoop.h"
#include "Virtualization/ServiceVirtualMachine.h"
#include "Virtualization/VirtioSocketConnection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;
using vz::VirtualMachine;
using Config = vz::VirtualMachineConfiguration;

namespace {

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A VM over a guest script, driven on a real main loop, that records what the VM layer reports.
struct Harness : vz::VirtualMachineDelegate, vz::VirtioSocketListenerDelegate, std::enable_shared_from_this<Harness> {
    fs::path dir;
    quillmarsh::MainLoop loop;
    std::unique_ptr<vz::ServiceVirtualMachine> vm;
    std::string events;
    std::string answer = "hello\n";
    bool acceptConnections = true;
    std::shared_ptr<vz::VirtioSocketListener> portListener = std::make_shared<vz::VirtioSocketListener>();

    explicit Harness(const std::string& script) {
        dir = fs::temp_directory_path() / ("qm-vm-" + std::to_string(::getpid()) + "-" + std::to_string(rand()));
        fs::create_directories(dir / "share");
        std::ofstream(dir / "kernel") << "#!quillmarsh-guest\n" << script;
        std::ofstream(dir / "disk.img") << "disk";
    }
    ~Harness() override { fs::remove_all(dir); }

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

// Runs action on the harness's loop once the guest's console shows text: a stop request sent
// before the guest has read its script would meet the default "obey".
static void whenConsoleShows(Harness* h, std::string text, std::function<void()> action) {
    h->loop.after(10, [h, text = std::move(text), action = std::move(action)]() mutable {
        if (slurp(h->dir / "console.log").find(text) != std::string::npos) {
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
