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

nlohmann::json repeatedJobs(int times) {
    const nlohmann::json sample = nlohmann::json::parse(sampleAnswer("jobs.json"));
    nlohmann::json out = {{"running", nlohmann::json::array()}, {"recent", nlohmann::json::array()}};
    for (const char* list : {"running", "recent"})
        for (int copy = 0; copy < times; ++copy)
            for (nlohmann::json job : sample[list]) {
                job["job_id"] = job["job_id"].get<std::string>() + "-" + std::to_string(copy);
                out[list].push_back(std::move(job));
            }
    return out;
}

} // namespace quillmarsh::test
