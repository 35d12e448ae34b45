// The wrappers follow the library's calling rules exactly; the decoding
// itself is our own (platform/nkf_decoder).
#include "convert/mod_nkf32.h"

#include "convert/mime/nkf_decoder.h"
#include "regex/operations.h"

#include <algorithm>

namespace kk::convert {

std::int64_t TrimNulBytes(Bytes& bytes) {
    const auto nul = std::find(bytes.begin(), bytes.end(), static_cast<unsigned char>(0));
    bytes.erase(nul, bytes.end());
    return static_cast<std::int64_t>(bytes.size());
}

namespace {

// The output room the library's callers give: twice the input (with its NUL)
// for EUC output, three times otherwise.
std::size_t outputCapacity(std::size_t inputWithNul, const std::string& options) {
    return inputWithNul * (options.find('e') != std::string::npos ? 2 : 3);
}

}  // namespace

std::int64_t NkfConvertBytes(Bytes& input, Bytes& output, std::string options) {
    if (input.empty() || input.back() != 0) input.push_back(0);
    if (options.empty()) options = "j";
    const std::size_t capacity = outputCapacity(input.size(), options);
    nkf::SetNkfOption(options);
    output.resize(capacity + 1);  // the decoder writes its NUL within it
    output[0] = 0;
    nkf::NkfConvert(reinterpret_cast<char*>(output.data()), capacity, reinterpret_cast<const char*>(input.data()));
    return TrimNulBytes(output);
}

Text NkfConvertStr(std::string_view text, std::string& options) {
    if (options.empty()) options = "ms";
    // The byte form's rules without its two buffers (a copy of the input with
    // its NUL, an output buffer three times as big): the input up to its first
    // NUL, the output within the capacity and up to its own first NUL.
    const bool endsInNul = !text.empty() && text.back() == '\0';
    const std::size_t capacity = outputCapacity(text.size() + (endsInNul ? 0 : 1), options);
    nkf::SetNkfOption(options);
    Text out = nkf::NkfConvertString(text.substr(0, text.find('\0')), capacity);
    if (const std::size_t nul = out.find('\0'); nul != Text::npos) out.resize(nul);
    return out;
}

Text mimeDecode(std::string_view text) {
    std::string options;
    return NkfConvertStr(text, options);
}

Text mimeDecodeBroken(std::string_view text) {
    std::string options = "msJB";
    return NkfConvertStr(text, options);
}

TextResult mimeDecodeQuotedPrintable(std::string_view text) {
    // Each step reads the one before; the first reads the caller's text, so
    // no copy of it is made up front.
    Text t;
    std::string_view in = text;
    for (const char* step : {"s/=3D/=/gk", "s/=\\r?\\n//gk", "s/=1B/\\e/gk"}) {
        auto r = regex::xRep(step, in);
        if (!r) return r.error();
        t = std::move(r).value();
        in = t;
    }
    return mimeDecodeBroken(t);
}

}  // namespace kk::convert
