#include "VM/SMC.h"

namespace quillmarsh {
namespace {

constexpr std::size_t keyOffset = 0;
constexpr std::size_t dataSizeOffset = 28;
constexpr std::size_t resultOffset = 40;
constexpr std::size_t commandOffset = 42;
constexpr std::size_t dataOffset = 48;
constexpr std::size_t dataCapacity = 32;

void put(std::uint32_t value, std::size_t offset, SMC::Block& block) {
    for (std::size_t i = 0; i < 4; ++i) block[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool wellSized(const SMC::Block& block) {
    return block.size() == static_cast<std::size_t>(SMC::paramSize);
}

} // namespace

std::optional<SMC::Command> SMC::commandFromRaw(std::uint8_t raw) {
    switch (raw) {
    case 5: return Command::readKey;
    case 9: return Command::keyInfo;
    default: return std::nullopt;
    }
}

std::optional<std::uint32_t> SMC::code(std::string_view key) {
    if (key.size() != 4) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : key) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) return std::nullopt;
        value = value * 256 + byte;
    }
    return value;
}

SMC::Block SMC::request(std::uint32_t key, Command command, std::uint32_t dataSize) {
    Block block(paramSize, 0);
    put(key, keyOffset, block);
    put(dataSize, dataSizeOffset, block);
    block[commandOffset] = static_cast<std::uint8_t>(command);
    return block;
}

std::uint8_t SMC::result(const Block& block) {
    return wellSized(block) ? block[resultOffset] : 255;
}

std::uint32_t SMC::dataSize(const Block& block) {
    if (!wellSized(block)) return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{block[dataSizeOffset + i]} << (8 * i);
    return value;
}

SMC::Block SMC::bytes(const Block& block, std::uint32_t size) {
    if (!wellSized(block) || size > dataCapacity) return {};
    return Block(block.begin() + dataOffset, block.begin() + dataOffset + size);
}

std::optional<std::int64_t> SMC::fanCount(const Block& data) {
    if (data.size() != 1) return std::nullopt;
    return data.front();
}

std::optional<std::int64_t> SMC::readFanCount(Service& service) {
    const std::uint32_t handle = service.matching("AppleSMC");
    if (handle == 0) return std::nullopt;
    const std::optional<std::uint32_t> connection = service.open(handle);
    if (!connection) {
        service.release(handle);
        return std::nullopt;
    }
    // One exchange: the reply block when the call succeeds and the SMC reports success.
    const auto call = [&](const Block& input) -> std::optional<Block> {
        Block output(paramSize, 0);
        if (service.callStructMethod(*connection, selector, input, output) != 0) return std::nullopt;
        if (result(output) != 0) return std::nullopt;
        return output;
    };
    std::optional<std::int64_t> count;
    if (const auto key = code("FNum")) {
        if (const auto info = call(request(*key, Command::keyInfo, 0))) {
            const std::uint32_t size = dataSize(*info);
            if (const auto reply = call(request(*key, Command::readKey, size))) count = fanCount(bytes(*reply, size));
        }
    }
    service.close(*connection);
    service.release(handle);
    return count;
}

} // namespace quillmarsh
