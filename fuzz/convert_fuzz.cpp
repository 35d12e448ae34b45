// Fuzz target: the built-in conversions and the run command's classifier.
// Valid UTF-8 in gives valid UTF-8 out and counts never go negative; the
// classifier takes any command. (Reversing twice need not give the text
// back: a mark standing alone after a control joins a letter once reversed.)
#include "app/editor_state.h"
#include "convert/case_width.h"
#include "convert/duplicates.h"
#include "convert/kana_width.h"
#include "convert/reverse_count.h"
#include "platform/text_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
void mustBeText(const std::string& s) {
    if (!kk::isValidUtf8(s)) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)kk::classifyCommand(text);
    (void)kk::passesCommandCheck(text);
    (void)kk::isLineAnchored(text);
    if (!kk::isValidUtf8(text)) return 0;  // the working text is always valid UTF-8
    using namespace kk::convert;
    for (auto* f : {&hankakuToZenkaku2, &zenkakuToHankaku, &xrev, &toUpperCase, &toLowerCase, &toWordCapitals,
                    &toFullWidth, &toHalfWidth, &hiraganaToKatakana, &katakanaToHiragana})
        mustBeText(f(text));
    mustBeText(delJufuku(text).output);
    mustBeText(exJufuku(text).output);
    const Counts c = countText(text);
    if (c.characters < 0 || c.lines < 0 || c.bytes < 0) std::abort();
    return 0;
}
