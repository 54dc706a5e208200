#include "SecretBytes.h"

#include <cstring>
#include <new>
#include <utility>

namespace quillmarsh {

SecretBytes::SecretBytes(std::string_view bytes) { append(bytes.data(), bytes.size()); }

SecretBytes::SecretBytes(const SecretBytes& other) { append(other.data_, other.size_); }

SecretBytes::SecretBytes(SecretBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)), capacity_(std::exchange(other.capacity_, 0)) {}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept {
    if (this != &other) {
        wipe();
        delete[] data_;
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

SecretBytes::~SecretBytes() {
    wipe();
    delete[] data_;
}

void SecretBytes::append(const void* data, std::size_t size) {
    if (size == 0) return;
    if (size_ + size > capacity_) {
        std::size_t capacity = capacity_ ? capacity_ : 256;
        while (capacity < size_ + size) capacity *= 2;
        char* grown = new char[capacity];
        if (size_) std::memcpy(grown, data_, size_);
        if (data_) explicit_bzero(data_, capacity_);
        delete[] data_;
        data_ = grown;
        capacity_ = capacity;
    }
    std::memcpy(data_ + size_, data, size);
    size_ += size;
}

void SecretBytes::pop_back() {
    if (size_ == 0) return;
    data_[--size_] = 0;
}

void SecretBytes::wipe() {
    if (data_) explicit_bzero(data_, capacity_);
    size_ = 0;
}

} // namespace quillmarsh
