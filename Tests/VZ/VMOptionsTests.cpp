#include "VM/VMOptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using quillmarsh::VMDisk;
using quillmarsh::VMDiskBus;
using quillmarsh::VMDiskCache;
using quillmarsh::VMDiskSync;
using quillmarsh::VMOptions;
using quillmarsh::VMShare;

namespace {

using Args = std::vector<std::string>;

std::string rejection(const Args& args) {
    try {
        VMOptions::parse(args);
    } catch (const VMOptions::ParseError& error) {
        return error.description;
    }
    return "(accepted)";
}

// A minimal accepted Linux run, with extra arguments after it.
Args linux(Args extra) {
    Args args{"--disk", "d.img", "--kernel", "k"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

std::string integerMessage(const std::string& option, int minimum, const std::string& value) {
    return option + " must be an integer of at least " + std::to_string(minimum) + ", got " + value;
}

TEST(VMOptionsParseTest, RejectionsCarryTheirExactMessage) {
    struct Case {
        Args args;
        std::string message;
    };
    const std::vector<Case> cases = {
        // Checks after the loop, in their order.
        {{}, "--disk is required"},
        {{"--kernel", "k", "--efi-store", "e"}, "--disk is required"},
        {{"--disk", "d", "--kernel", "k", "--efi-store", "e"}, "--kernel and --efi-store are exclusive"},
        {{"--disk", "d", "--efi-store", ""}, "--kernel, --efi-store or --macos-bundle is required"},
        {{"--disk", "d", "--efi-store", "e", "--initrd", "i"}, "--initrd needs --kernel"},
        {{"--disk", "d", "--macos-bundle", "b", "--initrd", "i"}, "--initrd needs --kernel"},
        {{"--disk", "d", "--macos-bundle", "b", "--nested"}, "--nested is for Linux guests"},
        {linux({"--share", "rosetta=/r"}), "the tag rosetta is reserved for --rosetta"},
        {linux({"--rosetta", "--share", "rosetta=/r:ro"}), "the tag rosetta is reserved for --rosetta"},
        // Values.
        {linux({"--timeout-s"}), "--timeout-s needs a value"},
        {{"--disk"}, "--disk needs a value"},
        {linux({"--kernel", "--initrd", "/i"}), "unknown option /i"},
        {linux({"stray"}), "unknown option stray"},
        {linux({"--CPUS", "2"}), "unknown option --CPUS"},
        {{"--bogus", "--disk"}, "unknown option --bogus"},  // the first error ends the parse
        // Shares.
        {linux({"--share", "nopath"}), "--share must be tag=path, got nopath"},
        {linux({"--share", "=/p"}), "--share must be tag=path, got =/p"},
        {linux({"--share", "t="}), "--share must be tag=path, got t="},
        {linux({"--share", "t=:ro"}), "--share must be tag=path, got t=:ro"},
        // Integers.
        {linux({"--cpus", "0"}), integerMessage("--cpus", 1, "0")},
        {linux({"--cpus", "four"}), integerMessage("--cpus", 1, "four")},
        {linux({"--cpus", ""}), integerMessage("--cpus", 1, "")},
        {linux({"--cpus", "+"}), integerMessage("--cpus", 1, "+")},
        {linux({"--cpus", " 4"}), integerMessage("--cpus", 1, " 4")},
        {linux({"--cpus", "4.0"}), integerMessage("--cpus", 1, "4.0")},
        {linux({"--cpus", "9223372036854775808"}), integerMessage("--cpus", 1, "9223372036854775808")},
        {linux({"--cpus", "\xef\xbc\x94"}), integerMessage("--cpus", 1, "\xef\xbc\x94")},  // full-width 4
        {linux({"--memory-mib", "256"}), integerMessage("--memory-mib", 512, "256")},
        {linux({"--timeout-s", "0"}), integerMessage("--timeout-s", 1, "0")},
        {linux({"--stop-grace-s", "-1"}), integerMessage("--stop-grace-s", 0, "-1")},
        {linux({"--secret-timeout-s", "0"}), integerMessage("--secret-timeout-s", 1, "0")},
        {linux({"--nice", "-1"}), integerMessage("--nice", 0, "-1")},
        {linux({"--nice", "21"}), "--nice must be 0 to 20, got 21"},
        {linux({"--nice", "+021"}), "--nice must be 0 to 20, got 21"},
        {linux({"--net-fd", "2"}), integerMessage("--net-fd", 3, "2")},
        {linux({"--net-fd", "2147483648"}), "--net-fd is out of range"},
        // Vocabularies: exact and case-sensitive.
        {linux({"--disk-bus", "NVMe"}), "--disk-bus must be nvme or virtio, got NVMe"},
        {linux({"--cache", "none"}), "--cache must be uncached, cached or automatic, got none"},
        {linux({"--sync", "Full"}), "--sync must be full or none, got Full"},
        // MAC addresses: the message shows the lower-cased value.
        {linux({"--mac", "02:00:00:00:00:0G"}), "--mac must look like 02:00:00:00:00:01, got 02:00:00:00:00:0g"},
        {linux({"--mac", "02:00:00:00:00:1"}), "--mac must look like 02:00:00:00:00:01, got 02:00:00:00:00:1"},
        {linux({"--mac", "02:00:00:00::00:01"}), "--mac must look like 02:00:00:00:00:01, got 02:00:00:00::00:01"},
        {linux({"--mac", "02:00:00:00:00"}), "--mac must look like 02:00:00:00:00:01, got 02:00:00:00:00"},
        {linux({"--mac", "02-00-00-00-00-01"}), "--mac must look like 02:00:00:00:00:01, got 02-00-00-00-00-01"},
        {linux({"--mac", ""}), "--mac must look like 02:00:00:00:00:01, got "},
        {linux({"--mac", "\xc3\x84" "0:00:00:00:00:01"}), "--mac must look like 02:00:00:00:00:01, got \xc3\xa4" "0:00:00:00:00:01"},
        // A bad earlier value ends the parse although a later one would be fine.
        {linux({"--cpus", "0", "--cpus", "2"}), integerMessage("--cpus", 1, "0")},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += "[" + a + "]";
        EXPECT_EQ(rejection(c.args), c.message) << joined;
    }
}

TEST(VMOptionsParseTest, Defaults) {
    const VMOptions options = VMOptions::parse({"--disk", "d", "--macos-bundle", "b"});
    VMOptions expected;
    expected.disks = {VMDisk{"d", false}};
    expected.macBundle = "b";
    EXPECT_EQ(options, expected);
    EXPECT_EQ(options.cpus, 4);
    EXPECT_EQ(options.memoryMiB, 8192);
    EXPECT_EQ(options.cmdline, "console=hvc0 root=LABEL=cloudimg-rootfs rw");
    EXPECT_EQ(options.timeoutSeconds, 3600);
    EXPECT_EQ(options.stopGraceSeconds, 20);
    EXPECT_EQ(options.secretTimeoutSeconds, 120);
    EXPECT_EQ(options.sync, VMDiskSync::none);
    EXPECT_EQ(options.cache, VMDiskCache::uncached);
    EXPECT_EQ(options.bus, VMDiskBus::nvme);
}

TEST(VMOptionsParseTest, EveryOptionSetsItsField) {
    const VMOptions options = VMOptions::parse({
        "--disk", "/img/a.img:ro", "--disk", "/img/b.img", "--disk", ":ro", "--share", "t=/p:ro",
        "--share", "u=/x=y", "--cpus", "+4", "--cpus", "6", "--memory-mib", "512", "--initrd", "/boot/i",
        "--kernel", "--odd", "--keep-identity", "--report-dir", "/r", "--cmdline", "", "--console-log", "/c.log",
        "--timeout-s", "60", "--stop-grace-s", "0", "--rosetta", "--rosetta", "--disk-bus", "virtio",
        "--cache", "automatic", "--secret-stdin", "--secret-on-demand", "--secret-timeout-s", "9", "--nice", "20",
        "--net-fd", "2147483647", "--nested", "--mac", "02:AB:cd:00:00:0F", "--sync", "full",
    });
    VMOptions expected;
    expected.disks = {{"/img/a.img", true}, {"/img/b.img", false}, {"", true}};
    expected.shares = {{"t", "/p", true}, {"u", "/x=y", false}};
    expected.cpus = 6;
    expected.memoryMiB = 512;
    expected.kernel = "--odd";
    expected.initrd = "/boot/i";
    expected.keepIdentity = true;
    expected.reportDir = "/r";
    expected.cmdline = "";
    expected.consoleLog = "/c.log";
    expected.timeoutSeconds = 60;
    expected.stopGraceSeconds = 0;
    expected.rosetta = true;
    expected.bus = VMDiskBus::virtio;
    expected.cache = VMDiskCache::automatic;
    expected.secretStdin = true;
    expected.secretOnDemand = true;
    expected.secretTimeoutSeconds = 9;
    expected.nice = 20;
    expected.netFD = 2147483647;
    expected.nested = true;
    expected.mac = "02:ab:cd:00:00:0f";
    expected.sync = VMDiskSync::full;
    EXPECT_EQ(options, expected);

    // Each vocabulary word, and what the parse leaves to the VM configuration.
    const VMOptions other = VMOptions::parse({"--disk", "d", "--efi-store", "/e", "--macos-bundle", "/b",
                                              "--cache", "cached", "--disk-bus", "nvme", "--sync", "none",
                                              "--cache", "uncached", "--mac", "\xef\xbc\x90\xef\xbc\xa1:00:00:00:00:01"});
    EXPECT_EQ(other.efiStore, "/e");
    EXPECT_EQ(other.macBundle, "/b");
    EXPECT_EQ(other.cache, VMDiskCache::uncached);
    // Full-width digits count as hex digits; the full-width A is lower-cased.
    EXPECT_EQ(other.mac, "\xef\xbc\x90\xef\xbd\x81:00:00:00:00:01");
}

TEST(VMOptionsParseTest, ErrorsCompareByDescription) {
    EXPECT_EQ(VMOptions::ParseError("a"), VMOptions::ParseError("a"));
    EXPECT_NE(VMOptions::ParseError("a"), VMOptions::ParseError("b"));
    EXPECT_STREQ(VMOptions::ParseError("--disk is required").what(), "--disk is required");
}

} // namespace
