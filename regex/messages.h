// The one table of the regular-expression layer's messages, keyed by stable
// codes (ours) and by PCRE2's compile-error numbers, in Japanese and in
// English. The window speaks Japanese; kakikae-cli follows the locale.
#pragma once

#include <cstdint>
#include <string>

namespace kk::regex {

enum class Language { Japanese, English };
// Process-wide, set once at start-up before any work runs.
void setMessageLanguage(Language language);
Language messageLanguage();
// Japanese when LC_ALL, LC_MESSAGES or LANG (the first one set) starts with "ja".
Language languageFromEnvironment();

enum class Msg {  // never renumber: tests and scripts may match them
    NotRegexCommand = 1,
    MissingSlashAfterPattern,
    MissingSlashAfterReplacement,
    MissingSlashAfterList,
    OptionENotSupported,
    UnknownOption,        // %1: the letter
    UnknownTrOption,      // %1: the letter
    WrongCommandKind,     // %1: the kind expected
    BadPattern,           // %1: the engine's reason
    MatchFailed,          // %1: the engine's reason
    TooComplex,
    KeepMovedBack,
    NoSuchGroup,          // %1: the group, %2: how many there are
    NoSuchName,           // %1: the name
    BadNamedIndex,
    BadGroupReference,
    BadEscapeInReplacement,
    BadEscapeInTrList,
    TrRangeBackwards,
    Column,               // %1: the column (1-based)
};

// The text of a message with its arguments put in.
std::string message(Msg id, const std::string& arg1 = {}, const std::string& arg2 = {});
// PCRE2's reason for a compile error, in the message language (PCRE2's own
// English text where there is no translation).
std::string patternErrorText(int pcre2Code, const std::string& english);

}  // namespace kk::regex
