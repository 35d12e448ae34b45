// The replacement part of s///, parsed once into pieces: literal text, group
// references ($&, $1, ${n}, \1, $+, $+{name}, $-{name}[i], $`, $') and
// Perl's case and quoting escapes (\u \l \U \L \Q \F \E).
#pragma once

#include "core/result.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kk::regex {

// Capture names and the group numbers each stands for (several with (?J)).
using GroupNames = std::map<std::string, std::vector<int>, std::less<>>;

// What one match offers a replacement: its groups and the text around it.
class MatchView {
public:
    virtual ~MatchView() = default;
    // Group n's text; set(n) false when it did not take part.
    virtual std::string_view group(int n) const = 0;
    virtual bool set(int n) const = 0;
    virtual std::string_view prematch() const = 0;
    virtual std::string_view postmatch() const = 0;
    virtual int groupCount() const = 0;
};

class Replacement {
public:
    // `offset` is where the replacement starts in `command`, for error columns.
    static Result<Replacement> parse(std::string_view raw, int captureCount, const GroupNames& names,
                                     std::string_view command, std::size_t offset);

    // Appends the expansion for one match to `out`.
    void expand(std::string& out, const MatchView& match) const;
    // Whether expand needs more than group 0 (a literal search can serve it).
    bool usesOnlyWholeMatch() const { return onlyWholeMatch_; }

private:
    struct Piece {
        enum Kind {
            Literal,
            Group,
            Named,
            LastGroup,
            Prematch,
            Postmatch,
            CaseStart,  // text: the escape's letter (u l U L Q F)
            CaseEnd
        };
        Kind kind;
        std::string text;
        std::vector<int> groups;  // Group: one; Named: the leftmost set one is taken
    };
    // ucfirst, lcfirst, uc, lc, quotemeta or fc of the text, by the escape's letter.
    static std::string applyCase(char op, std::string_view text);

    std::vector<Piece> pieces_;
    bool hasCaseOps_ = false;
    bool onlyWholeMatch_ = true;
};

// Decodes a Perl escape that yields one character (\n \r \t \e \f \a \0..,
// \NNN octal, \o{...}, \xHH, \x{H..}, \N{U+H..}, \cX); `pos` points after the
// backslash and is advanced. Returns false when the escape is not one of
// these. (A replacement reads \1..\9 as groups before asking this.)
bool decodeCharEscape(std::string_view s, std::size_t& pos, char32_t& out);

}  // namespace kk::regex
