// Fuzz target: mail decoding. The first byte picks the option letters, the
// rest is the text. Decoding never reads past the input, the byte wrapper
// never writes past its buffer's capacity, and valid UTF-8 in stays valid out.
#include "convert/mime/nkf_decoder.h"
#include "convert/mod_nkf32.h"
#include "core/text_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const char* kOptions[] = {"ms", "msJB", "m", "", "me", "B", "j", "msJBe"};
    const std::string options = kOptions[data[0] % 8];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const bool validIn = kk::isValidUtf8(text);

    const std::string decoded = kk::nkf::decode(text, kk::nkf::parseOptions(options));
    if (validIn && !kk::isValidUtf8(decoded)) std::abort();

    kk::convert::Bytes in(text.begin(), text.end()), out;
    const std::size_t inputSize = in.empty() || in.back() != 0 ? in.size() + 1 : in.size();
    const std::size_t capacity = inputSize * (options.find('e') != std::string::npos ? 2 : 3);
    const auto kept = kk::convert::NkfConvertBytes(in, out, options);
    if (static_cast<std::size_t>(kept) != out.size() || out.size() > capacity) std::abort();
    // The string form keeps the byte form's rules without its buffers.
    if (!options.empty()) {
        std::string o = options;
        if (kk::convert::NkfConvertStr(text, o) != std::string(out.begin(), out.end())) std::abort();
    }

    if (auto qp = kk::convert::mimeDecodeQuotedPrintable(text); qp && validIn && !kk::isValidUtf8(qp.value()))
        std::abort();
    return 0;
}
