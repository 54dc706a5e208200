#include "FirstRun/LocalChecks.h"

namespace quillmarsh {

std::vector<LocalChecks::Check> LocalChecks::checks(const Facts&) { return {}; }
bool LocalChecks::isLaptop(const std::vector<PowerSupply>&) { return false; }
std::vector<LocalChecks::Check> LocalChecks::run() { return {}; }
bool LocalChecks::isLaptop() { return false; }
std::optional<std::string> LocalChecks::ghLogin() { return std::nullopt; }

} // namespace quillmarsh
