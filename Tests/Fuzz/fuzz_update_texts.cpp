// The texts an update download brings: the latest file, the checksum file and the bundle's
// Info.plist. None of them may crash the reader, whatever the bytes.
#include "Foundation/PropertyList.h"
#include "Update/AppUpdate.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto latest = quillmarsh::AppUpdate::parseLatest(text);
    (void)quillmarsh::AppUpdate::decide(std::string("1.4.0"), std::string(text));
    if (latest && latest->empty())
        __builtin_trap();
    auto digest = quillmarsh::AppUpdate::parseChecksum(text);
    if (digest && digest->size() != 64)
        __builtin_trap();
    (void)quillmarsh::PropertyList::dictionaryStrings(text);
    return 0;
}
