// Fuzz target: a list file's bytes. Every entry comes out without line ends
// or NULs (as valid UTF-8 when the file was UTF-8 or CP932; other bytes are
// kept), and writing the entries back and reading them again gives the same
// entries.
#include "lists/list_file.h"
#include "core/text_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto entries = kk::lists::parseListFile(bytes);
    std::string written;
    kk::DecodedAs as{};
    (void)kk::decodeBytes(bytes, kk::InputEncoding::Auto, &as);
    const bool text = as != kk::DecodedAs::Bytes;
    for (const auto& e : entries) {
        if ((text && !kk::isValidUtf8(e)) || e.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            std::abort();
        written += kk::lists::encodeListEntry(e);
    }
    if (kk::lists::parseListFile(written) != entries) std::abort();
    (void)kk::lists::newestFirst(entries);
    return 0;
}
