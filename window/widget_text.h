// How the text box shows the working text, and the way back for what the
// user types. The model's text stays the truth: the box is a view, and an
// edit is mapped back by position, so what the user did not touch keeps
// its bytes (CR, CR LF, U+2028, U+2029, noncharacters, bytes that are no
// UTF-8), which the box's own plain text would turn into LF or U+FFFD.
#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

namespace kk::view {

// One element of the text as the box shows it: CR LF is one line break
// (one position), a byte that is no UTF-8 one position, a character its
// UTF-16 length.
struct Step {
    std::size_t bytes = 0;
    int units = 0;
};
Step stepAt(std::string_view text, std::size_t at);

// Positions the bytes [from, to) take in the box (both at element starts).
int unitsOf(std::string_view text, std::size_t from, std::size_t to);

// The box's form of a slice that ends at a line end (or the text's end).
// Line ends are line separators, with a paragraph break every
// `linesPerParagraph` lines (counted on in `line`); characters the box
// would change or drop are shown as private-use stand-ins, one position
// each, that read back as what they stand for.
QString toWidgetText(std::string_view text, int& line, int linesPerParagraph);

// Characters the user put into the box, as working text: a line break is
// `lineEnd`, a stand-in what it stands for.
std::string fromWidgetText(const QString& typed, std::string_view lineEnd);

}  // namespace kk::view
