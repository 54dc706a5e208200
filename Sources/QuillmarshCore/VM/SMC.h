#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quillmarsh {

// The System Management Controller's parameter block and the fan-count exchange.
//
// The block is 80 bytes, multi-byte fields little-endian: key at 0 (4 bytes), data size at 28
// (4 bytes), result at 40 (0 on success), command at 42, data bytes at 48 (32 bytes). Requests are
// zeros apart from the key, the data size and the command.
namespace SMC {

using Block = std::vector<std::uint8_t>;

inline constexpr std::uint32_t selector = 2;  // the user client's struct method
inline constexpr int paramSize = 80;

enum class Command : std::uint8_t { readKey = 5, keyInfo = 9 };
std::optional<Command> commandFromRaw(std::uint8_t raw);

// A four-character ASCII key as a number, first character most significant ("FNum" is 0x464E756D).
std::optional<std::uint32_t> code(std::string_view key);
Block request(std::uint32_t key, Command command, std::uint32_t dataSize);
// The result byte, or 255 for a block of the wrong size.
std::uint8_t result(const Block& block);
// The data size, or 0 for a block of the wrong size.
std::uint32_t dataSize(const Block& block);
// The first size data bytes; empty for a block of the wrong size or a size above 32.
Block bytes(const Block& block, std::uint32_t size);
// The fan count: the value of exactly one byte.
std::optional<std::int64_t> fanCount(const Block& data);

// The service the exchange talks to: find it, open a connection, call its struct method, close
// the connection and release the service.
class Service {
public:
    virtual ~Service() = default;
    // The first service of that class, or 0 when there is none.
    virtual std::uint32_t matching(std::string_view className) = 0;
    // A connection to the service, or none when it cannot be opened.
    virtual std::optional<std::uint32_t> open(std::uint32_t service) = 0;
    // 0 on success. output comes in with paramSize bytes and may be resized by the call.
    virtual int callStructMethod(std::uint32_t connection, std::uint32_t selector, const Block& input,
                                 Block& output) = 0;
    virtual void close(std::uint32_t connection) = 0;
    virtual void release(std::uint32_t service) = 0;
};

// Reads "FNum" through the service: key information first, then the key with the size it gave.
// Every connection opened is closed and every service found is released again.
std::optional<std::int64_t> readFanCount(Service& service);

} // namespace SMC

} // namespace quillmarsh
