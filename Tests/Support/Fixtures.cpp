#include "Support/Fixtures.h"

#include "Foundation/FileIO.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace quillmarsh::test {

std::string fixturesFolder() { return QUILLMARSH_FIXTURES; }

std::string fixture(const std::string& relative) {
    const std::string path = fixturesFolder() + "/" + relative;
    auto bytes = FileIO::readFile(path, 16 << 20);
    if (!bytes) throw std::runtime_error("cannot read fixture " + path + ": " + std::strerror(errno));
    return std::move(*bytes);
}

std::string sampleAnswer(const std::string& name) { return fixture("agent/" + name); }

} // namespace quillmarsh::test
