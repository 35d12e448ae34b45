// Reserving room for a big text. First touch of fresh memory is most of what
// a pass over a whole text costs here (4 KB page faults); a buffer of many
// MB asks for huge pages, which fault 512 times less often.
#pragma once

#include <string>

namespace kk {

void reserveText(std::string& s, std::size_t bytes);

}  // namespace kk
