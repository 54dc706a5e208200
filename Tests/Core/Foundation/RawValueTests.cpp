#include "Foundation/RawValue.h"
#include "Records/AccountMachine.h"
#include "VM/VMOptions.h"
#include "VM/VMRunResult.h"
#include "Vocabulary/JobFilter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quillmarsh {
namespace {

// The text with the case of its first letter flipped.
std::string flippedFirst(std::string_view text) {
    std::string out(text);
    char& c = out.front();
    c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : static_cast<char>(c - 'A' + 'a');
    return out;
}

// Every case in display order with its wire text; each text reads back exactly, and only exactly.
template <class E>
void expectWireTexts(const std::vector<std::pair<E, std::string_view>>& expected) {
    const auto cases = allCases<E>();
    ASSERT_EQ(cases.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [value, text] = expected[i];
        SCOPED_TRACE(std::string(text));
        EXPECT_EQ(cases[i], value);
        EXPECT_EQ(rawValue(value), text);
        EXPECT_EQ(fromRaw<E>(text), value);
        EXPECT_EQ(fromRaw<E>(flippedFirst(text)), std::nullopt);
        EXPECT_EQ(fromRaw<E>(" " + std::string(text)), std::nullopt);
        EXPECT_EQ(fromRaw<E>(std::string(text) + " "), std::nullopt);
        EXPECT_EQ(fromRaw<E>(text.substr(0, text.size() - 1)), std::nullopt);
    }
    EXPECT_EQ(fromRaw<E>(""), std::nullopt);
    EXPECT_EQ(rawValue(static_cast<E>(expected.size())), "");
}

// Mode, StayAwake, AppPane and AgentStatus::State have tests of their own that read every wire
// text back; these are the other vocabularies.
TEST(RawValueTest, VocabulariesReadBackExactlyTheirOwnWireTexts) {
    expectWireTexts<JobFilter>({{JobFilter::all, "All"}, {JobFilter::running, "Running"}, {JobFilter::failed, "Failed"}});
    using Routing = AccountMachine::Routing;
    expectWireTexts<Routing>({{Routing::primary, "primary"}, {Routing::backup, "backup"}, {Routing::off, "off"}});
    using Reason = VMRunResult::Reason;
    expectWireTexts<Reason>({{Reason::guestStopped, "guest_stopped"},
                             {Reason::timeout, "timeout"},
                             {Reason::cancelled, "cancelled"},
                             {Reason::error, "error"}});
    expectWireTexts<VMDiskSync>({{VMDiskSync::full, "full"}, {VMDiskSync::none, "none"}});
    expectWireTexts<VMDiskCache>(
        {{VMDiskCache::uncached, "uncached"}, {VMDiskCache::cached, "cached"}, {VMDiskCache::automatic, "automatic"}});
    expectWireTexts<VMDiskBus>({{VMDiskBus::nvme, "nvme"}, {VMDiskBus::virtio, "virtio"}});
}

} // namespace
} // namespace quillmarsh
