// The one place where bytes from outside (standard input, a filter's output,
// list files) become working text: UTF-8 with the line ends exactly as the
// user's clipboard or file has them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kk {

// Writes all of the text and flushes; false when any write failed (a full
// disk, a closed pipe).
bool writeAll(std::FILE* out, std::string_view text);

bool isValidUtf8(std::string_view bytes);
bool isValidUtf8Scalar(std::string_view bytes);  // the same, byte by byte (the reference)
// How many bytes from the start are valid UTF-8 (the whole size when all are).
std::size_t validUtf8Prefix(std::string_view bytes);
// Whether bytes that come in pieces are UTF-8 all through; a character cut
// by a piece's end is joined to the next piece.
class Utf8Pieces {
public:
    // False once a piece shows the bytes are not UTF-8.
    bool take(std::string_view piece);
    // After the last piece: true when every byte was UTF-8 and nothing is left open.
    bool valid() const { return valid_ && carry_.empty(); }
    // A piece so far was not UTF-8.
    bool failed() const { return !valid_; }

private:
    std::string carry_;  // an unfinished character, its lead first
    bool valid_ = true;
};
// Where a character left unfinished at the end of `bytes` starts (a lead
// whose continuations are not all there); bytes.size() when there is none.
std::size_t unfinishedTail(std::string_view bytes);
// Whether a valid UTF-8 character starts at `pos` (false for a stray byte).
bool startsCharacter(std::string_view bytes, std::size_t pos);
// Hands each maximal run of valid UTF-8 to `visit` (valid = true) and each
// byte between them on its own (valid = false), in order; a valid text is
// one call.
void forEachValidRun(std::string_view bytes, const std::function<void(std::string_view, bool valid)>& visit);

// How bytes from outside are read, decided once for the whole input.
enum class InputEncoding { Auto, Utf8, Cp932, Latin1 };
enum class DecodedAs {
    Utf8,    // valid UTF-8, taken as it is
    Cp932,   // read as CP932 (Shift_JIS) and converted
    Latin1,  // read as ISO 8859-1 and converted (only when asked for)
    Bytes,  // neither: kept byte for byte; the bytes that are no UTF-8 never match and pass through
};
// Auto: valid UTF-8 as it is; else CP932 when all of it decodes as CP932
// without error and it reads as Japanese (ICU's charset detection names
// Shift_JIS with clear confidence, or the text holds kana); else the bytes as they are (Latin-1 that happens to decode as CP932
// stays bytes). Utf8 keeps the bytes whatever they are; Cp932 converts,
// keeping the bytes that CP932 cannot read; Latin1 converts every byte.
// Nothing is replaced or dropped, at any length.
std::string decodeBytes(std::string_view bytes, InputEncoding wanted = InputEncoding::Auto,
                        DecodedAs* decidedAs = nullptr);
// The same, taking the bytes over: a text that stays as it is is not copied.
std::string decodeBytes(std::string&& bytes, InputEncoding wanted = InputEncoding::Auto,
                        DecodedAs* decidedAs = nullptr);
// How `bytes` read under `wanted`, by the rules above: Utf8 and Bytes mean
// the text is the bytes as they are (`converted` stays empty), Cp932 and
// Latin1 that it is `converted`.
DecodedAs decideEncoding(std::string_view bytes, InputEncoding wanted, std::string& converted);
// Whether decideEncoding is sure to take the bytes as they are (Utf8 or
// Bytes) from a look at their start only: under Auto, a start that does not
// read as CP932 rules CP932 out for the whole. Whether the rest is UTF-8 then
// changes nothing in the text, only what is said about it.
bool takenAsTheyAre(std::string_view bytes, InputEncoding wanted);
// CP932 to UTF-8 in slices (no 32-bit length anywhere); bytes that do not
// decode are copied as they are, or with `stopAtError` end the conversion
// there. False when the converter is missing.
bool convertCp932(std::string_view bytes, std::string& out, bool* hadErrors = nullptr, bool stopAtError = false);

// Bytes in a named charset (any name ICU knows, any case; Shift_JIS is read
// as CP932) as UTF-8; nullopt for an unknown charset or bytes it cannot read.
std::optional<std::string> decodeCharset(std::string_view bytes, const std::string& charset);

// CP932 (Shift_JIS) bytes of the text: 1 for ASCII and half-width katakana,
// 2 for other CP932 characters, the UTF-8 length for characters CP932 lacks.
std::int64_t cp932ByteLength(std::string_view utf8);

// Code points, line ends (LF, and of them those after a CR) and the CP932
// byte length of a text, in one pass that also finds whether the text is
// all UTF-8 (a stray byte counts one code point and one byte).
struct TextTally {
    std::int64_t codePoints = 0, lineEnds = 0, cp932Bytes = 0, crlfs = 0;
    bool valid = true;
    // Adds the tally of the bytes that follow; `crLfBetween`: this part ends
    // in a CR and that one starts with an LF.
    void add(const TextTally& next, bool crLfBetween);
};
// Whether a pass over that many bytes is worth two halves on two threads.
bool inTwoHalves(std::size_t bytes);
TextTally tallyText(std::string_view utf8);
// Reads up to `room` bytes at `offset` into `into`: how many it read, 0 at
// the end, -errno on a failure.
using ReadAt = std::function<std::ptrdiff_t(std::size_t offset, char* into, std::size_t room)>;
// The same over `size` bytes read a piece at a time (so never all in memory,
// on two threads when big): what a file costs when only its tally is wanted.
// `error`: the errno of a failed read (0: none); a source that ends early
// ends the tally there.
TextTally tallyRead(std::size_t size, const ReadAt& read, int& error);
// Reads [from, to) a piece at a time into one buffer that stays in the cache
// and hands each piece to `each` (false: stop). A piece never ends inside a
// character that may go on in the next read, nor between a CR and what
// follows it. False on a failed read (its errno in `error`).
bool readInPieces(std::size_t from, std::size_t to, const ReadAt& read, int& error,
                  const std::function<bool(std::string_view)>& each);
// Whether `size` bytes read a piece at a time are all UTF-8.
bool isValidUtf8Read(std::size_t size, const ReadAt& read, int& error);

// Appends one code point as UTF-8.
void appendUtf8(std::string& out, char32_t cp);
// Decodes the code point at `pos` (valid UTF-8 assumed) and advances `pos`.
char32_t nextCodePoint(std::string_view s, std::size_t& pos);
// Number of code points in valid UTF-8.
std::int64_t codePointCount(std::string_view s);

}  // namespace kk
