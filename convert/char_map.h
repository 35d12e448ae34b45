// Copying a text with some of its characters written another way: the one
// walk the character-by-character conversions share.
#pragma once

#include "core/result.h"
#include "core/text_codec.h"

#include <string_view>

namespace kk::convert {

// Each character `map` takes is written as it says (it appends and returns
// true); the others keep their own bytes. ASCII is passed to `map` too.
template <typename Map>
Text mapCharacters(std::string_view text, Map map) {
    Text out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            if (!map(static_cast<char32_t>(text[pos]), out)) out += text[pos];
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        const char32_t c = nextCodePoint(text, pos);
        if (!map(c, out)) out.append(text.substr(start, pos - start));
    }
    return out;
}

}  // namespace kk::convert
