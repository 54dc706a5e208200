#include "FirstRun/LocalChecks.h"

#include "Foundation/IntegerText.h"
#include "Foundation/Text.h"
#include "Platform/MachineProbe.h"

#include <algorithm>
#include <string_view>

namespace quillmarsh {

namespace {

// The free space the agent's images and caches need, in decimal gigabytes.
constexpr std::uint64_t minimumFreeGigabytes = 80;
// macOS 14 is the oldest system the jobs run on.
constexpr std::int64_t minimumMacOSMajor = 14;

bool isArm(const std::string& machine) { return machine == "arm64" || machine == "aarch64"; }

// The processor's name without the maker's, which the row's title already says.
std::string withoutApple(std::string model) {
    static constexpr std::string_view maker = "Apple ";
    for (std::size_t at; (at = model.find(maker)) != std::string::npos;) model.erase(at, maker.size());
    return Text::trimmingWhitespace(model);
}

LocalChecks::Check processorCheck(const LocalChecks::Facts& facts) {
    if (isArm(facts.machine)) {
        std::string model = withoutApple(facts.cpuModel);
        return {"Apple silicon", model.empty() ? "Yes" : std::move(model), true};
    }
    std::string value;
    if (facts.cpuVendor == "GenuineIntel") value = "Intel";
    else if (facts.cpuVendor == "AuthenticAMD") value = "AMD";
    else value = facts.machine.empty() ? "Unknown" : facts.machine;
    return {"Apple silicon", std::move(value), false};
}

struct Version {
    std::int64_t major = 0;
    std::int64_t minor = 0;
    std::int64_t patch = 0;
};

// "major", "major.minor" or "major.minor.patch" in decimal digits; anything else gives none.
std::optional<Version> parseVersion(std::string_view text) {
    const std::vector<std::string> pieces = Text::split(text, '.');
    if (pieces.empty() || pieces.size() > 3) return std::nullopt;
    std::int64_t numbers[3] = {0, 0, 0};
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const auto number = IntegerText::parseDigits(pieces[i]);
        if (!number) return std::nullopt;
        numbers[i] = *number;
    }
    return Version{numbers[0], numbers[1], numbers[2]};
}

LocalChecks::Check systemCheck(const LocalChecks::Facts& facts) {
    if (!facts.macOSVersion) return {"macOS", facts.distribution.empty() ? "Linux" : facts.distribution, false};
    const auto version = parseVersion(*facts.macOSVersion);
    if (!version) return {"macOS", "Unknown", false};
    // Appended piece by piece: GCC 12 at -O3 takes "." + to_string(…) for an overlapping copy
    // (-Wrestrict) and the release build fails.
    std::string value = std::to_string(version->major);
    value += '.';
    value += std::to_string(version->minor);
    if (version->patch >= 1) {
        value += '.';
        value += std::to_string(version->patch);
    }
    return {"macOS", std::move(value), version->major >= minimumMacOSMajor};
}

LocalChecks::Check xcodeCheck(const LocalChecks::Facts& facts) {
    if (!facts.xcodeVersion) return {"Xcode", "Not installed", false};
    return {"Xcode", *facts.xcodeVersion, true};
}

LocalChecks::Check freeSpaceCheck(const LocalChecks::Facts& facts) {
    if (!facts.freeBytes) return {"Free space", "Unknown", false};
    const std::uint64_t gigabytes = *facts.freeBytes / 1'000'000'000;
    return {"Free space", std::to_string(gigabytes) + " GB", gigabytes >= minimumFreeGigabytes};
}

} // namespace

std::vector<LocalChecks::Check> LocalChecks::checks(const Facts& facts) {
    return {processorCheck(facts), systemCheck(facts), xcodeCheck(facts), freeSpaceCheck(facts)};
}

bool LocalChecks::isLaptop(const std::vector<PowerSupply>& supplies) {
    // A wireless mouse or keyboard reports its battery with scope "Device"; a supply without a
    // scope is the system's.
    return std::any_of(supplies.begin(), supplies.end(),
                       [](const PowerSupply& supply) { return supply.type == "Battery" && supply.scope != "Device"; });
}

std::vector<LocalChecks::Check> LocalChecks::run() {
    return checks(MachineProbe(MachineProbe::Places::system()).facts());
}

bool LocalChecks::isLaptop() {
    return isLaptop(MachineProbe(MachineProbe::Places::system()).powerSupplies());
}

std::optional<std::string> LocalChecks::ghLogin() {
    return MachineProbe(MachineProbe::Places::system()).ghLogin();
}

} // namespace quillmarsh
