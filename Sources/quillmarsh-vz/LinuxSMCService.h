#pragma once

#include "VM/SMC.h"

#include <string>

namespace quillmarsh {

// An SMC that knows one key, "FNum": the number of fan*_input files of the hwmon devices under
// root's /sys/class/hwmon (at most 255). There is no service when that folder is missing; any
// other key answers "key not found".
class LinuxSMCService final : public SMC::Service {
public:
    static constexpr std::uint8_t keyNotFound = 0x84;

    explicit LinuxSMCService(std::string root = "/") : root_(std::move(root)) {}

    std::uint32_t matching(std::string_view className) override;
    std::optional<std::uint32_t> open(std::uint32_t service) override;
    int callStructMethod(std::uint32_t connection, std::uint32_t selector, const SMC::Block& input,
                         SMC::Block& output) override;
    void close(std::uint32_t) override {}
    void release(std::uint32_t) override {}

private:
    std::string hwmon() const { return root_ + "/sys/class/hwmon"; }
    std::int64_t fans() const;

    std::string root_;
};

} // namespace quillmarsh
