#include "LinuxSMCService.h"

#include <algorithm>
#include <filesystem>

namespace quillmarsh {
namespace {

constexpr std::uint32_t serviceHandle = 1;
constexpr std::uint32_t connectionHandle = 1;
constexpr int badArgument = -1;

bool isFanInput(const std::string& name) {
    // fan<N>_input
    constexpr std::string_view prefix = "fan";
    constexpr std::string_view suffix = "_input";
    if (name.size() <= prefix.size() + suffix.size()) return false;
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
    const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    return number.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::uint32_t LinuxSMCService::matching(std::string_view className) {
    std::error_code error;
    if (className != "AppleSMC" || !std::filesystem::is_directory(hwmon(), error)) return 0;
    return serviceHandle;
}

std::optional<std::uint32_t> LinuxSMCService::open(std::uint32_t service) {
    if (service != serviceHandle) return std::nullopt;
    return connectionHandle;
}

std::int64_t LinuxSMCService::fans() const {
    namespace fs = std::filesystem;
    std::error_code error;
    std::int64_t count = 0;
    for (fs::directory_iterator devices(hwmon(), error), end; !error && devices != end; devices.increment(error)) {
        std::error_code inner;
        for (fs::directory_iterator files(devices->path(), inner), filesEnd; !inner && files != filesEnd;
             files.increment(inner)) {
            if (isFanInput(files->path().filename().string())) ++count;
        }
    }
    return count;
}

int LinuxSMCService::callStructMethod(std::uint32_t connection, std::uint32_t selector, const SMC::Block& input,
                                      SMC::Block& output) {
    if (connection != connectionHandle || selector != SMC::selector ||
        input.size() != static_cast<std::size_t>(SMC::paramSize) ||
        output.size() != static_cast<std::size_t>(SMC::paramSize)) {
        return badArgument;
    }
    std::fill(output.begin(), output.end(), 0);
    const std::uint32_t key = std::uint32_t{input[0]} | std::uint32_t{input[1]} << 8 |
                              std::uint32_t{input[2]} << 16 | std::uint32_t{input[3]} << 24;
    const auto command = SMC::commandFromRaw(input[42]);
    if (key != SMC::code("FNum") || !command) {
        output[40] = keyNotFound;
        return 0;
    }
    output[28] = 1;  // "FNum" is one byte
    if (*command == SMC::Command::readKey) {
        output[48] = static_cast<std::uint8_t>(std::min<std::int64_t>(fans(), 255));
    }
    return 0;
}

} // namespace quillmarsh
