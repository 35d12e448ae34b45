// The one place where text crosses between the working text's form (UTF-8,
// CR LF inside) and the outside: clipboard, filter pipes, list files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace kk {

// LF that is not part of CR LF becomes CR LF; CR LF and lone CR stay.
std::string fromPlatformLineEnds(std::string_view text);
// CR LF becomes the platform's line end (LF here); lone CR and lone LF stay.
std::string toPlatformLineEnds(std::string_view text);

// Writes the text with the platform's line ends, as toPlatformLineEnds,
// and flushes; false when a write failed.
bool writePlatformLineEnds(std::FILE* out, std::string_view text);

bool isValidUtf8(std::string_view bytes);
bool isValidUtf8Scalar(std::string_view bytes);  // the same, byte by byte (the reference)

// Bytes from outside (a filter's output, a list file): each line that is
// valid UTF-8 is kept, any other line is read as CP932, and what even CP932
// cannot read becomes U+FFFD. Never fails.
std::string decodeExternalBytes(std::string_view bytes);

// Bytes in a named charset (any name ICU knows, any case; Shift_JIS is read
// as CP932) as UTF-8; nullopt for an unknown charset or bytes it cannot read.
std::optional<std::string> decodeCharset(std::string_view bytes, const std::string& charset);

// CP932 (Shift_JIS) bytes of the text: 1 for ASCII and half-width katakana,
// 2 for other CP932 characters, the UTF-8 length for characters CP932 lacks.
std::int64_t cp932ByteLength(std::string_view utf8);

// Appends one code point as UTF-8.
void appendUtf8(std::string& out, char32_t cp);
// Decodes the code point at `pos` (valid UTF-8 assumed) and advances `pos`.
char32_t nextCodePoint(std::string_view s, std::size_t& pos);
// Number of code points in valid UTF-8.
std::int64_t codePointCount(std::string_view s);

}  // namespace kk
