#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace velkan::platform {

// A read-only window on bytes of a file that may lie about its own layout.
// Every read is checked: one that would leave the window reads as 0 and marks
// the view bad, so a parser can read a whole header and check once.
class ByteView {
public:
    ByteView() = default;
    ByteView(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit ByteView(std::span<const std::uint8_t> bytes)
        : data_(bytes.data()), size_(bytes.size()) {}

    std::size_t size() const { return size_; }
    const std::uint8_t* data() const { return data_; }
    bool bad() const { return bad_; }

    // True when `length` bytes start at `offset` inside the view.
    bool has(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    std::uint8_t u8(std::size_t offset) const {
        if (!has(offset, 1))
            return fail();
        return data_[offset];
    }
    std::uint16_t u16(std::size_t offset) const {
        if (!has(offset, 2))
            return fail();
        return static_cast<std::uint16_t>(data_[offset] | data_[offset + 1] << 8);
    }
    std::uint32_t u32(std::size_t offset) const {
        if (!has(offset, 4))
            return fail();
        return static_cast<std::uint32_t>(data_[offset]) |
               static_cast<std::uint32_t>(data_[offset + 1]) << 8 |
               static_cast<std::uint32_t>(data_[offset + 2]) << 16 |
               static_cast<std::uint32_t>(data_[offset + 3]) << 24;
    }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }

    // The bytes [offset, offset + length); an empty, bad view when they do not fit.
    ByteView sub(std::size_t offset, std::size_t length) const {
        if (!has(offset, length)) {
            ByteView out;
            out.bad_ = true;
            return out;
        }
        return ByteView(data_ + offset, length);
    }

private:
    std::uint8_t fail() const {
        bad_ = true;
        return 0;
    }

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    mutable bool bad_ = false;
};

} // namespace velkan::platform
