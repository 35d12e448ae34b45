// Line ends as the text has them: LF or CR LF, kept as they came; a CR that
// is not right before an LF is an ordinary character of its line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kk {

// The text's own line end: CR LF when its first line end is CR LF, else LF
// (a text without any line end is LF).
std::string_view lineEndOf(std::string_view text);

// One line of a text: its body and the line end after it ("", "\n" or "\r\n").
struct Line {
    std::string_view body;
    std::string_view end;
};

// Walks the lines of a text; the last line is the text after the last LF
// (empty when the text ends with a line end, and then not visited).
class LineReader {
public:
    explicit LineReader(std::string_view text, std::size_t from = 0) : text_(text), pos_(from) {}
    bool next(Line& line);
    // Where the next line starts.
    std::size_t position() const { return pos_; }

private:
    std::string_view text_;
    std::size_t pos_;
};

// The text with the CR of every CR LF removed, and the way back: the
// bodies-only form that line-anchored work runs on.
class LfView {
public:
    explicit LfView(std::string_view text);
    // The text with LF line ends only (the original when it had no CR LF).
    std::string_view text() const { return crlf_ ? std::string_view(lf_) : original_; }
    bool changed() const { return crlf_; }
    // The original's offset for an offset in text(); an offset at an LF that
    // was CR LF maps to its CR.
    std::size_t originalOffset(std::size_t lfOffset) const;

private:
    std::string_view original_;
    std::string lf_;
    bool crlf_ = false;
    std::vector<std::size_t> removedAt_;  // offsets in lf_ of the LFs that had a CR
};

}  // namespace kk
