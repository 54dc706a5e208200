// Any bytes as a whole agent answer: parse and statusCode never crash, hang or read past the
// input; the only failure parse reports is an AgentError.
#include "Agent/AgentClient.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view answer(reinterpret_cast<const char*>(data), size);
    (void)quillmarsh::AgentClient::statusCode(answer);
    try {
        auto body = quillmarsh::AgentClient::parse(answer);
        if (body.size() > answer.size()) std::abort();
    } catch (const quillmarsh::AgentError& error) {
        if (error.errorDescription().empty() && error.kind() != quillmarsh::AgentError::Kind::http)
            std::abort();
    }
    return 0;
}
