#pragma once

#include <cstddef>
#include <string_view>

namespace quillmarsh {

// Bytes of the runner configuration. Every buffer it ever used is overwritten with zeros before it
// is freed (on growth, wipe and destruction), so no copy is left behind in freed memory.
class SecretBytes {
public:
    SecretBytes() = default;
    explicit SecretBytes(std::string_view bytes);
    SecretBytes(const SecretBytes& other);
    SecretBytes& operator=(const SecretBytes&) = delete;
    SecretBytes(SecretBytes&& other) noexcept;
    SecretBytes& operator=(SecretBytes&& other) noexcept;
    ~SecretBytes();

    void append(const void* data, std::size_t size);
    void push_back(char c) { append(&c, 1); }
    void pop_back();
    // Overwrites every byte with zeros and empties the buffer.
    void wipe();

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    char back() const { return data_[size_ - 1]; }
    std::string_view view() const { return {data_, size_}; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace quillmarsh
