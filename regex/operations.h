// The regular-expression operations over a whole text: replace (xRep),
// translate (xtrans), line-anchored replace (crdelSed), keep matching lines
// (xmatch), and the character counter used to check a command's shape.
#pragma once

#include "diff/changes.h"
#include "core/result.h"
#include "texts/texts.h"

#include "core/text_out.h"
#include "core/work.h"
#include "regex/command.h"

#include <atomic>
#include <cstdint>
#include <string_view>

namespace kk::regex {

// A work flag that long loops look at now and then; null means "never".

// A result past this is a runaway (s/x/<10,000 y>/g over a big text), not a
// text to work on: the operation stops, the same bound as a filter's output.
inline constexpr std::size_t kMaxOutputBytes = std::size_t{1} << 30;
inline Error cancelledError() { return Error{texts::Msg::Cancelled, {}, -1, ErrorKind::Cancelled}; }
inline Error outputTooBigError() { return Error{texts::Msg::OutputTooBig, {}, -1, ErrorKind::Fault}; }
inline Error outputUnwritableError() { return Error{texts::Msg::CliStdoutUnwritable, {}, -1, ErrorKind::Fault}; }

// The entry points, on whole commands. With a `report`, they also tell what
// they changed: each replacement's span (s///), each translated run (tr///),
// each kept line's match (m//), and how many there were. A replace given
// `unchanged` sets it and returns nothing when nothing matched, so a text
// without a match is never copied.
TextResult xRep(std::string_view command, std::string_view text, WorkLink work = nullptr,
                diff::Report* report = nullptr, bool* unchanged = nullptr);
TextResult xtrans(std::string_view command, std::string_view text, WorkLink work = nullptr,
                  diff::Report* report = nullptr);
// Runs the command with "m" added: "^" and "$" match at every line body's
// ends; a CR LF's CR is never seen by the pattern and stays where it was.
TextResult crdelSed(std::string_view command, std::string_view text, WorkLink work = nullptr,
                    diff::Report* report = nullptr, bool* unchanged = nullptr);
// Keeps the lines whose body (without LF or CR LF) matches, or with `invert`
// does not; each kept line keeps its own line end (a last line without one
// gets the text's own), empty lines are dropped.
TextResult xmatch(std::string_view command, std::string_view text, int invert, WorkLink work = nullptr,
                  diff::Report* report = nullptr);

// How many characters of `text` equal the one-character string `ch` (0 when
// `ch` is not exactly one character).
std::int64_t CountString(std::string_view text, std::string_view ch);

// Any command: s///, tr/// or m// (m// with `invert`); the one dispatch over
// them, on a command read once (readCommand). `unchanged` is set, and nothing
// returned, when an s/// leaves the text as it was. With a `sink` the result
// goes there as it is made (nothing is returned, and an s/// that changes
// nothing writes nothing: `unchanged` is set then, as without one).
TextResult applyCommand(const ParsedCommand& command, std::string_view text, int invert = 0, WorkLink work = nullptr,
                        diff::Report* report = nullptr, bool* unchanged = nullptr, TextSink* sink = nullptr);
// The same on a command read as it stands.
TextResult applyCommand(std::string_view command, std::string_view text, int invert = 0, WorkLink work = nullptr,
                        diff::Report* report = nullptr, bool* unchanged = nullptr);

}  // namespace kk::regex
