// The replacement part of s///, parsed once into pieces: literal text, group
// references ($&, $1, ${n}, \1) and Perl's case escapes (\u \l \U \L \E).
#pragma once

#include "platform/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace kk::regex {

class Replacement {
public:
    // `offset` is where the replacement starts in `command`, for error columns.
    static Result<Replacement> parse(std::string_view raw, int captureCount, std::string_view command,
                                     std::size_t offset);

    // Appends the expansion for one match to `out`. `groupText(n)` gives the
    // text of group n (empty when it did not take part).
    template <class GroupText>
    void expand(std::string& out, GroupText&& groupText) const {
        if (!hasCaseOps_) {
            for (const Piece& p : pieces_) {
                if (p.kind == Piece::Literal) out.append(p.text);
                else out.append(groupText(p.group));
            }
            return;
        }
        CaseState st;
        for (const Piece& p : pieces_) {
            switch (p.kind) {
                case Piece::Literal: appendCased(out, p.text, st); break;
                case Piece::Group: appendCased(out, groupText(p.group), st); break;
                default: applyCaseOp(p.kind, st); break;
            }
        }
    }

    bool isLiteral() const { return pieces_.size() <= 1 && (pieces_.empty() || pieces_[0].kind == Piece::Literal); }
    std::string literalText() const { return pieces_.empty() ? std::string() : pieces_[0].text; }

private:
    struct Piece {
        enum Kind { Literal, Group, Upper, Lower, End, OneUpper, OneLower } kind;
        std::string text;
        int group = 0;
    };
    struct CaseState {
        Piece::Kind mode = Piece::End;      // Upper, Lower or End (none)
        Piece::Kind oneShot = Piece::End;   // OneUpper, OneLower or End (none)
    };
    static void appendCased(std::string& out, std::string_view text, CaseState& st);
    static void applyCaseOp(Piece::Kind op, CaseState& st);

    std::vector<Piece> pieces_;
    bool hasCaseOps_ = false;
};

// Decodes a Perl escape that yields one character (\n \r \t \e \f \a \0..,
// \xHH, \x{H..}, \N{U+H..}); `pos` points after the backslash and is advanced.
// Returns false when the escape is not one of these.
bool decodeCharEscape(std::string_view s, std::size_t& pos, char32_t& out);

}  // namespace kk::regex
