// The encoding doctor: text whose bytes were read in the wrong encoding
// (Shift_JIS, EUC-JP or UTF-8 read as CP1252 or Latin-1, UTF-8 read as
// CP932) is put back, when undoing the misreading gives clean text that
// reads more like Japanese than what came in. Clean text is never touched.
#pragma once

#include "core/result.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kk::convert {

// How a text was misread: the bytes were `original`, read as `readAs`.
struct Misreading {
    const char* original;  // an ICU converter name
    const char* readAs;
};
const std::vector<Misreading>& misreadings();

// The text the misreading made of `text` (for tests and the corpus), or
// nothing when `text` cannot be written in `m.original` or its bytes do not
// all read in `m.readAs`.
std::optional<std::string> misread(std::string_view text, const Misreading& m);

// How much a text reads like Japanese: above zero for kana, kanji and
// Japanese punctuation, below for what mojibake is made of (Latin-1 and
// CP1252 signs, controls, half-width katakana among kanji), per character.
double japanesePlausibility(std::string_view text);

// The repaired text, or an Input error saying no repair was found (the text
// then stays as it is).
TextResult repairMojibake(std::string_view text);

}  // namespace kk::convert
