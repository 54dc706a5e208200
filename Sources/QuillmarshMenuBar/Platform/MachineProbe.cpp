#include "Platform/MachineProbe.h"

namespace quillmarsh {

MachineProbe::Places MachineProbe::Places::system() { return {}; }
MachineProbe::MachineProbe(Places places) : places_(std::move(places)) {}
LocalChecks::Facts MachineProbe::facts() const { return {}; }
std::vector<LocalChecks::PowerSupply> MachineProbe::powerSupplies() const { return {}; }
std::optional<std::string> MachineProbe::ghLogin() const { return std::nullopt; }
std::string MachineProbe::ghConfigFolder(const std::map<std::string, std::string>&, const std::string&) { return {}; }

} // namespace quillmarsh
