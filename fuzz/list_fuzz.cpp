// Fuzz target: a list file's bytes. Every entry comes out as valid UTF-8
// without line ends or NULs, and writing the entries back and reading them
// again gives the same entries.
#include "lists/list_file.h"
#include "platform/text_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto entries = kk::lists::parseListFile(bytes);
    std::string written;
    for (const auto& e : entries) {
        if (!kk::isValidUtf8(e) || e.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) std::abort();
        written += kk::lists::encodeListEntry(e);
    }
    if (kk::lists::parseListFile(written) != entries) std::abort();
    (void)kk::lists::newestFirst(entries);
    return 0;
}
