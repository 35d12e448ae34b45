// All of standard input as bytes. A regular file is mapped rather than
// copied: a 100 MB input then costs no read copy and no fresh pages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kk {

class InputBytes {
public:
    static InputBytes fromStdin();
    InputBytes(InputBytes&& other) noexcept;
    InputBytes& operator=(InputBytes&&) = delete;
    ~InputBytes();

    std::string_view view() const { return map_ ? std::string_view(map_, mapSize_) : std::string_view(owned_); }

private:
    InputBytes() = default;
    std::string owned_;
    const char* map_ = nullptr;
    std::size_t mapSize_ = 0;
};

}  // namespace kk
