// Fuzz target: the built-in conversions and the run command's classifier.
// Valid UTF-8 in gives valid UTF-8 out, any bytes in never crash, counts
// never go negative; the classifier takes any command. (Reversing twice need not give the text
// back: a mark standing alone after a control joins a letter once reversed.)
#include "model/editor_state.h"
#include "convert/duplicates.h"
#include "convert/registry.h"
#include "convert/reverse_count.h"
#include "core/text_codec.h"

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
    (void)kk::regex::passesCommandCheck(text);
    (void)kk::regex::isLineAnchored(text);
    using namespace kk::convert;
    const bool valid = kk::isValidUtf8(text);
    // Every text conversion of the menus, through the same runner as the
    // model; bytes that are no UTF-8 must come through, never crash it.
    for (const auto& c : conversions()) {
        if (c.kind != ConversionKind::Text) continue;
        auto r = applyConversion(c, text);
        if (r && valid) mustBeText(r.value());
    }
    if (!valid) return 0;
    mustBeText(delJufuku(text).output);
    mustBeText(exJufuku(text).output);
    const Counts c = countText(text);
    if (c.characters < 0 || c.lines < 0 || c.bytes < 0) std::abort();
    return 0;
}
