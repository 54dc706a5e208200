// Any bytes as a chunked body: dechunk never crashes, hangs or reads past the input, and its
// output is never longer than its input.
#include "Agent/AgentClient.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view body(reinterpret_cast<const char*>(data), size);
    auto out = quillmarsh::AgentClient::dechunk(body);
    if (out.size() > body.size()) std::abort();
    return 0;
}
