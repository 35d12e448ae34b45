// Fuzz target: the first line is a command (s///, tr///, m//), the rest the
// text it runs over. Any input must give a result or an error, never a crash,
// and valid UTF-8 in must stay valid UTF-8 out.
#include "core/text_codec.h"
#include "regex/operations.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nl = input.find('\n');
    if (nl == std::string_view::npos) return 0;
    const std::string_view command = input.substr(0, nl);
    const std::string_view text = input.substr(nl + 1);
    const int invert = command.size() % 2;
    auto result = kk::regex::applyCommand(command, text, invert);
    const bool validIn = kk::isValidUtf8(command) && kk::isValidUtf8(text);
    if (result && validIn && !kk::isValidUtf8(result.value())) std::abort();
    if (command.size() > 1 && command[0] == 's') {
        auto anchored = kk::regex::crdelSed(command, text);
        if (anchored && validIn && !kk::isValidUtf8(anchored.value())) std::abort();
    }
    (void)kk::regex::CountString(text, command.substr(0, 1));
    return 0;
}
