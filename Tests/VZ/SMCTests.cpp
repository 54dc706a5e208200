#include "LinuxSMCService.h"
#include "Support/Fixtures.h"
#include "VM/SMC.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace SMC = quillmarsh::SMC;
using quillmarsh::LinuxSMCService;

namespace {

TEST(SMCTest, KeyCodes) {
    EXPECT_EQ(SMC::code("FNum"), 0x464E756Du);
    EXPECT_EQ(SMC::code("#KEY"), 0x234B4559u);
    EXPECT_EQ(SMC::code("FNu"), std::nullopt);
    EXPECT_EQ(SMC::code("FNums"), std::nullopt);
    EXPECT_EQ(SMC::code(""), std::nullopt);
    EXPECT_EQ(SMC::code("\xc3\xa9\xc3\xa9"), std::nullopt);  // two 2-byte characters: 4 bytes, not ASCII
}

TEST(SMCTest, RequestBlocksHaveTheirBytesInPlace) {
    const SMC::Block info = SMC::request(*SMC::code("FNum"), SMC::Command::keyInfo, 0);
    SMC::Block expected(80, 0);
    expected[0] = 'm';
    expected[1] = 'u';
    expected[2] = 'N';
    expected[3] = 'F';
    expected[42] = 9;
    EXPECT_EQ(info, expected);

    const SMC::Block read = SMC::request(*SMC::code("FNum"), SMC::Command::readKey, 1);
    expected[28] = 1;
    expected[42] = 5;
    EXPECT_EQ(read, expected);

    const SMC::Block wide = SMC::request(0x01020304, SMC::Command::readKey, 0x0A0B0C0D);
    EXPECT_EQ((SMC::Block(wide.begin(), wide.begin() + 4)), (SMC::Block{4, 3, 2, 1}));
    EXPECT_EQ((SMC::Block(wide.begin() + 28, wide.begin() + 32)), (SMC::Block{0x0D, 0x0C, 0x0B, 0x0A}));
    EXPECT_EQ(SMC::commandFromRaw(5), SMC::Command::readKey);
    EXPECT_EQ(SMC::commandFromRaw(9), SMC::Command::keyInfo);
    EXPECT_EQ(SMC::commandFromRaw(6), std::nullopt);
}

TEST(SMCTest, ReplyFieldsAndWrongSizedBlocks) {
    SMC::Block reply(80, 0);
    reply[40] = 0x84;
    reply[28] = 2;
    reply[29] = 1;
    for (int i = 48; i < 80; ++i) reply[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(SMC::result(reply), 0x84);
    EXPECT_EQ(SMC::dataSize(reply), 258u);
    EXPECT_EQ(SMC::bytes(reply, 2), (SMC::Block{48, 49}));
    EXPECT_EQ(SMC::bytes(reply, 32), SMC::Block(reply.begin() + 48, reply.end()));
    EXPECT_EQ(SMC::bytes(reply, 33), SMC::Block{});
    EXPECT_EQ(SMC::bytes(reply, 0), SMC::Block{});

    const SMC::Block short79(79, 0);
    EXPECT_EQ(SMC::result(short79), 255);
    EXPECT_EQ(SMC::dataSize(short79), 0u);
    EXPECT_EQ(SMC::bytes(short79, 1), SMC::Block{});
    EXPECT_EQ(SMC::result(SMC::Block(81, 0)), 255);

    EXPECT_EQ(SMC::fanCount({}), std::nullopt);
    EXPECT_EQ(SMC::fanCount({2, 0}), std::nullopt);
    EXPECT_EQ(SMC::fanCount({2}), 2);
    EXPECT_EQ(SMC::fanCount({255}), 255);
}

// An SMC that answers "FNum" with a chosen size and value, and can fail at each step. It records
// the calls, so every path can be checked for closing and releasing what it opened.
struct FakeSMC final : SMC::Service {
    std::uint32_t service = 7;
    bool opens = true;
    std::uint32_t size = 1;
    std::uint8_t value = 2;
    std::uint8_t infoResult = 0;
    std::uint8_t readResult = 0;
    int callStatus = 0;
    bool shortReply = false;

    std::vector<SMC::Block> requests;
    std::string className;
    int opened = 0, closed = 0, released = 0;

    std::uint32_t matching(std::string_view name) override {
        className = name;
        return service;
    }
    std::optional<std::uint32_t> open(std::uint32_t handle) override {
        EXPECT_EQ(handle, service);
        if (!opens) return std::nullopt;
        ++opened;
        return 42;
    }
    int callStructMethod(std::uint32_t connection, std::uint32_t selector, const SMC::Block& input,
                         SMC::Block& output) override {
        EXPECT_EQ(connection, 42u);
        EXPECT_EQ(selector, 2u);
        EXPECT_EQ(output, SMC::Block(80, 0));
        requests.push_back(input);
        if (input[42] == 9) {
            output[40] = infoResult;
            output[28] = static_cast<std::uint8_t>(size);
        } else {
            output[40] = readResult;
            output[48] = value;
            output[49] = 9;
        }
        if (shortReply) output.resize(79);
        return callStatus;
    }
    void close(std::uint32_t connection) override {
        EXPECT_EQ(connection, 42u);
        EXPECT_EQ(released, 0) << "closed after the release";
        ++closed;
    }
    void release(std::uint32_t handle) override {
        EXPECT_EQ(handle, service);
        ++released;
    }
};

TEST(SMCTest, FanCountExchange) {
    FakeSMC smc;
    EXPECT_EQ(SMC::readFanCount(smc), 2);
    EXPECT_EQ(smc.className, "AppleSMC");
    ASSERT_EQ(smc.requests.size(), 2u);
    EXPECT_EQ(smc.requests[0], SMC::request(1179546989u, SMC::Command::keyInfo, 0));
    EXPECT_EQ(smc.requests[1], SMC::request(1179546989u, SMC::Command::readKey, 1));
    EXPECT_EQ(smc.closed, 1);
    EXPECT_EQ(smc.released, 1);
}

TEST(SMCTest, FailedExchangesGiveNoCountAndStillCloseAndRelease) {
    struct Case {
        const char* what;
        std::function<void(FakeSMC&)> setUp;
        std::size_t requests;
        int closed;
    };
    const std::vector<Case> cases = {
        {"failed open", [](FakeSMC& s) { s.opens = false; }, 0, 0},
        {"key unknown", [](FakeSMC& s) { s.infoResult = 0x84; }, 1, 1},
        {"read rejected", [](FakeSMC& s) { s.readResult = 1; }, 2, 1},
        {"call fails", [](FakeSMC& s) { s.callStatus = -536870206; }, 1, 1},
        {"size 2", [](FakeSMC& s) { s.size = 2; }, 2, 1},
        {"size 0", [](FakeSMC& s) { s.size = 0; }, 2, 1},
        {"size 33", [](FakeSMC& s) { s.size = 33; }, 2, 1},
        {"short reply", [](FakeSMC& s) { s.shortReply = true; }, 1, 1},
    };
    for (const auto& c : cases) {
        FakeSMC smc;
        c.setUp(smc);
        EXPECT_EQ(SMC::readFanCount(smc), std::nullopt) << c.what;
        EXPECT_EQ(smc.requests.size(), c.requests) << c.what;
        EXPECT_EQ(smc.closed, c.closed) << c.what;
        EXPECT_EQ(smc.released, 1) << c.what;
    }

    FakeSMC none;
    none.service = 0;
    EXPECT_EQ(SMC::readFanCount(none), std::nullopt);
    EXPECT_EQ(none.opened, 0);
    EXPECT_EQ(none.released, 0);
}

TEST(SMCTest, LinuxServiceCountsFanInputs) {
    const std::string fixtures = quillmarsh::test::fixturesFolder() + "/sensors";
    LinuxSMCService busy(fixtures + "/busy");
    EXPECT_EQ(SMC::readFanCount(busy), 3);
    LinuxSMCService idle(fixtures + "/idle");
    EXPECT_EQ(SMC::readFanCount(idle), 0);
    LinuxSMCService missing(fixtures + "/empty");
    EXPECT_EQ(SMC::readFanCount(missing), std::nullopt);

    // Other keys, selectors and block sizes are refused.
    EXPECT_EQ(busy.matching("IOPlatformExpertDevice"), 0u);
    const auto connection = busy.open(busy.matching("AppleSMC"));
    ASSERT_TRUE(connection);
    SMC::Block output(80, 0);
    ASSERT_EQ(busy.callStructMethod(*connection, 2, SMC::request(*SMC::code("TC0P"), SMC::Command::readKey, 2), output), 0);
    EXPECT_EQ(SMC::result(output), LinuxSMCService::keyNotFound);
    EXPECT_NE(busy.callStructMethod(*connection, 3, SMC::request(*SMC::code("FNum"), SMC::Command::readKey, 1), output), 0);
    EXPECT_NE(busy.callStructMethod(*connection, 2, SMC::Block(79, 0), output), 0);
}

} // namespace
