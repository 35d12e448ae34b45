// Reserving room for a big text. First touch of fresh memory is most of what
// a pass over a whole text costs here (4 KB page faults); a buffer of many
// MB asks for huge pages, which fault 512 times less often.
#pragma once

#include <string>

namespace kk {

void reserveText(std::string& s, std::size_t bytes);
// Room for `more` bytes at the end, doubling: for a text whose size is not
// known until it has all come.
void growText(std::string& s, std::size_t more);

}  // namespace kk
