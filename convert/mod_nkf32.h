// The mail menu's decoding: the wrappers around the kanji-filter calls (text
// to text, bytes to bytes with the buffer rule, the cut at the first NUL),
// and the three menu conversions. Our text form is UTF-8, so the "bytes" are
// UTF-8 and no code-page crossing loses a character.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kk::convert {

// Growing a byte array leaves the new bytes as they come: the output buffer
// is three times the text and the decoder writes its NUL itself, so a zero
// fill would cost more than the decoding and change nothing.
template <class T>
struct UninitializedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <class U>
    UninitializedAllocator(const UninitializedAllocator<U>&) {}
    template <class U>
    void construct(U* p) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using Bytes = std::vector<unsigned char, UninitializedAllocator<unsigned char>>;

// An empty option string becomes "ms", in the caller's variable too.
Text NkfConvertStr(std::string_view text, std::string& options);
// Appends a NUL to the input when it has none; the output gets capacity + 1
// zero bytes (capacity = input size × 3, × 2 with "e" in the options); an
// empty option string means "j". Returns the bytes kept before the first NUL.
std::int64_t NkfConvertBytes(Bytes& input, Bytes& output, std::string options);
// Cuts at the first NUL; returns the bytes kept.
std::int64_t TrimNulBytes(Bytes& bytes);

// "ISO-2022-JPヘッダ", "Escブロークン", "quoted-printable". The last joins
// soft line breaks and restores "=3D" and "=1B" first; a step that fails
// leaves the text as it was and says why.
Text mimeDecode(std::string_view text);
Text mimeDecodeBroken(std::string_view text);
TextResult mimeDecodeQuotedPrintable(std::string_view text);

}  // namespace kk::convert
