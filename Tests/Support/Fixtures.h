#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace quillmarsh::test {

// The folder of the test fixtures (Tests/Fixtures).
std::string fixturesFolder();
// The bytes of Tests/Fixtures/<relative>. Throws when the file cannot be read, so a test whose
// fixture is missing fails on that and not on an empty text.
std::string fixture(const std::string& relative);
// A sample agent answer: the bytes of Tests/Fixtures/agent/<name>.
std::string sampleAnswer(const std::string& name);
// The sample's jobs answer with every job repeated `times` times, each copy under an id of its own
// (the job id, "-", the copy's number): a long answer of real-looking jobs.
nlohmann::json repeatedJobs(int times);

} // namespace quillmarsh::test
