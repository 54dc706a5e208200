#pragma once

#include <stdexcept>
#include <string>

namespace vz {

// An error of the VM layer or of the tool: a domain, a code and the description shown to the user.
class DomainError : public std::runtime_error {
public:
    DomainError(std::string domain, int code, const std::string& description)
        : std::runtime_error(description), domain_(std::move(domain)), code_(code), description_(description) {}
    explicit DomainError(const std::string& description) : DomainError("vz", 1, description) {}
    const std::string& domain() const { return domain_; }
    int code() const { return code_; }
    // The whole description, also past a zero byte (what() ends at the first one).
    const std::string& localizedDescription() const { return description_; }

private:
    std::string domain_;
    int code_;
    std::string description_;
};

} // namespace vz
