// Our stand-in for the kanji-filter library the mail menu relies on: MIME
// encoded words (B and Q, any charset ICU reads) and ISO-2022-JP, also with
// its ESC bytes lost, decoded into our UTF-8 text. Text in, text out; what
// cannot be decoded stays as it stood.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kk::nkf {

struct Options {
    bool mime = false;       // m: decode =?charset?B|Q?...?= words
    bool brokenJis = false;  // B: "$B" "$@" "(B" "(J" standing without ESC shift too
};

// Option letters as the library spells them; letters we need not act on
// ("s" output is always our text form, "J" input is always recognised) are
// accepted and ignored.
Options parseOptions(std::string_view letters);

std::string decode(std::string_view text, const Options& options);

// The library's two calls. The options stay set until the next call, per
// thread. NkfConvert reads `in` up to its NUL and writes at most `capacity`
// bytes (whole characters) and a NUL into `out`, which holds capacity + 1.
void SetNkfOption(std::string_view letters);
void NkfConvert(char* out, std::size_t capacity, const char* in);
// What NkfConvert writes, as a string: `in` (all of it) decoded by the
// options set last, cut to `capacity` bytes at a character boundary.
std::string NkfConvertString(std::string_view in, std::size_t capacity);

}  // namespace kk::nkf
