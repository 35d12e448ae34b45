// Splits a Perl-style command (s/pat/rep/opts, tr/a/b/opts, m/pat/opts) into
// its parts, keeping where each part starts so errors can point at a column.
#pragma once

#include "core/result.h"
#include "texts/texts.h"

#include <string>
#include <string_view>
#include <vector>

namespace kk::regex {

enum class CommandKind { Substitute, Translate, Match };

// What a command line is, by its first characters alone, exactly and
// case-sensitively: "s/", "m/", "tr/" and "y/" (perl's other name for tr)
// are regular-expression commands, anything else (an upper-case S, a leading
// blank, the empty line) runs as a shell filter. The one place this is decided.
enum class CommandMode { Filter, Substitute, Translate, Match };
CommandMode classifyCommand(std::string_view command);
// The window's check of a regular-expression command's shape: enough
// delimiters, and not the untouched initial command.
bool passesCommandCheck(std::string_view command);
// The window's line-anchor rule: a pattern starting with "^" or ending in an
// unescaped "$" works line by line ("^" and "$" at every line body).
bool isLineAnchored(std::string_view command);

struct Command {
    CommandKind kind = CommandKind::Substitute;
    std::string pattern;            // s and m: the pattern; tr: the search list (raw, escapes kept)
    std::string replacement;        // s: the replacement; tr: the replacement list (raw)
    std::string options;            // option letters as written
    std::size_t patternOffset = 0;  // byte offsets into the command
    std::size_t replacementOffset = 0;
    std::size_t optionsOffset = 0;
};

struct Options {
    bool global = false, caseless = false, multiline = false, dotall = false, extended = false;
    bool extendedMore = false;                                          // xx: blanks inside [...] are ignored too
    bool complement = false, deleteUnmatched = false, squeeze = false;  // tr only
};

// A command line read once, where it enters the model: what it is, its
// parts and options, and whether it works line by line. The operations take
// this value; nothing after the door parses the string again.
struct ParsedCommand {
    CommandMode mode = CommandMode::Filter;
    std::string source;        // the command as typed: error columns point into it
    Command parts;             // s, tr, m only
    Options options;
    bool lineAnchored = false; // s/// under the line-anchor rule: "^" and "$" at every line body
};
// The rules a command is read by: the window's run (the shape check, then the
// line-anchor rule), the preview while it is typed (the line-anchor rule; a
// half-typed command's own parse error says more than the shape check), or
// as it stands (kakikae-cli -e, tests).
enum class CommandRules { Window, Typing, AsItStands };
// A filter comes back as it is (mode Filter, source only); a command that
// fails the shape check or does not parse is an input error.
Result<ParsedCommand> readCommand(std::string_view command, CommandRules rules);
// Makes an s/// work line by line: its pattern runs with perl's m, "^" and
// "$" at every line body.
void anchorToLines(ParsedCommand& command);

// Parses a whole command. Unknown option letters, a missing delimiter or an
// unknown operator are errors with the column (in characters) of the fault.
Result<Command> parseCommand(std::string_view command);
Result<Options> parseOptions(const Command& cmd, std::string_view fullCommand);

// Perl's quantifier {,n} ("at most n"), which PCRE2 reads as literal text,
// written as {0,n}, and \R as perl defines it, (?>\r\n|\v); other escapes and
// [...] classes are left as they are.
// `inserted` gets where in the result a "0" was put, to map error offsets back.
std::string perlQuantifiers(std::string_view pattern, std::vector<std::size_t>* inserted = nullptr);

// The column in characters of byte offset `byteOffset` in `text`.
std::int64_t columnOf(std::string_view text, std::size_t byteOffset);
// An error of the table pointing at byte `byteOffset` of the command.
Error errorAt(std::string_view command, std::size_t byteOffset, texts::Msg code, std::vector<std::string> args = {});

}  // namespace kk::regex
