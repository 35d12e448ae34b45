// Parsing of the command string into operator, parts and options.
#include "regex/command.h"

#include "core/text_codec.h"
#include "texts/texts.h"

#include <algorithm>

namespace kk::regex {

using texts::message;
using texts::Msg;
using texts::patternErrorText;

std::int64_t columnOf(std::string_view text, std::size_t byteOffset) {
    return codePointCount(text.substr(0, std::min(byteOffset, text.size())));
}

Error errorAt(std::string_view command, std::size_t byteOffset, Msg code, std::vector<std::string> args) {
    return Error{code, std::move(args), columnOf(command, byteOffset)};
}

namespace {

// Finds the next unescaped '/' from `pos`; a backslash escapes the byte after it.
std::size_t findDelimiter(std::string_view s, std::size_t pos) {
    while (pos < s.size()) {
        if (s[pos] == '\\') {
            pos += 2;
            continue;
        }
        if (s[pos] == '/') return pos;
        ++pos;
    }
    return std::string_view::npos;
}

}  // namespace

bool passesCommandCheck(std::string_view command) {
    if (command == names::kInitialCommand) return false;
    const auto slashes = std::count(command.begin(), command.end(), '/');
    return slashes >= 3 || (command.starts_with("m/") && slashes >= 2);
}

bool isLineAnchored(std::string_view command) {
    const std::size_t p1 = command.find('/');
    if (p1 == std::string_view::npos) return false;
    if (p1 + 1 < command.size() && command[p1 + 1] == '^') return true;
    const std::size_t p2 = command.find('/', p1 + 1);
    if (p2 == std::string_view::npos || p2 < p1 + 2) return false;
    return command[p2 - 1] == '$' && command[p2 - 2] != '\\';
}

CommandMode classifyCommand(std::string_view command) {
    if (command.starts_with("s/")) return CommandMode::Substitute;
    if (command.starts_with("m/")) return CommandMode::Match;
    // y/// is tr///, as in perl.
    if (command.starts_with("tr/") || command.starts_with("y/")) return CommandMode::Translate;
    return CommandMode::Filter;
}

Result<Command> parseCommand(std::string_view command) {
    Command cmd;
    std::size_t pos = 0;
    int parts = 0;
    switch (classifyCommand(command)) {
        case CommandMode::Substitute:
            cmd.kind = CommandKind::Substitute;
            pos = 2;
            parts = 2;
            break;
        case CommandMode::Translate:
            cmd.kind = CommandKind::Translate;
            pos = command.starts_with("y/") ? 2 : 3;
            parts = 2;
            break;
        case CommandMode::Match:
            cmd.kind = CommandKind::Match;
            pos = 2;
            parts = 1;
            break;
        case CommandMode::Filter: return errorAt(command, 0, Msg::NotRegexCommand);
    }

    cmd.patternOffset = pos;
    const std::size_t end1 = findDelimiter(command, pos);
    if (end1 == std::string_view::npos) return errorAt(command, command.size(), Msg::MissingSlashAfterPattern);
    cmd.pattern = std::string(command.substr(pos, end1 - pos));
    pos = end1 + 1;
    if (parts == 2) {
        cmd.replacementOffset = pos;
        const std::size_t end2 = findDelimiter(command, pos);
        if (end2 == std::string_view::npos)
            return errorAt(command, command.size(),
                           cmd.kind == CommandKind::Translate ? Msg::MissingSlashAfterList
                                                              : Msg::MissingSlashAfterReplacement);
        cmd.replacement = std::string(command.substr(pos, end2 - pos));
        pos = end2 + 1;
    }
    cmd.optionsOffset = pos;
    cmd.options = std::string(command.substr(pos));
    return cmd;
}

std::string perlQuantifiers(std::string_view p, std::vector<std::size_t>* inserted) {
    std::string out;
    out.reserve(p.size() + 4);
    bool inClass = false;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char c = p[i];
        if (c == '\\' && i + 1 < p.size()) {
            if (p[i + 1] == 'R' && !inClass) {
                // Perl's own definition of \R. PCRE2 10.42 gives up .?\R and .*?\R
                // over a lone CR (the dot's repeat is taken as unable to give
                // back a CR), which the spelled-out group does not.
                static constexpr std::string_view kLineBreak = "(?>\\r\\n|\\v)";
                const std::size_t at = out.size();
                out.append(kLineBreak);
                if (inserted)
                    for (std::size_t k = 2; k < kLineBreak.size(); ++k) inserted->push_back(at + k);
                ++i;
                continue;
            }
            out.append(p.substr(i, 2));
            ++i;
            continue;
        }
        if (inClass) {
            if (c == ']') inClass = false;
            out.push_back(c);
            continue;
        }
        if (c == '[') {
            inClass = true;
            out.push_back(c);
            if (i + 1 < p.size() && p[i + 1] == '^') out.push_back(p[++i]);
            if (i + 1 < p.size() && p[i + 1] == ']') out.push_back(p[++i]);  // a leading "]" is a member
            continue;
        }
        if (c == '{' && i > 0 && i + 2 < p.size() && p[i + 1] == ',') {
            std::size_t j = i + 2;
            while (j < p.size() && p[j] >= '0' && p[j] <= '9') ++j;
            if (j > i + 2 && j < p.size() && p[j] == '}') {
                out += "{0";
                if (inserted) inserted->push_back(out.size() - 1);
                continue;  // the "," and the rest follow as they are
            }
        }
        out.push_back(c);
    }
    return out;
}

Result<Options> parseOptions(const Command& cmd, std::string_view fullCommand) {
    Options o;
    for (std::size_t i = 0; i < cmd.options.size(); ++i) {
        const char c = cmd.options[i];
        const std::size_t at = cmd.optionsOffset + i;
        if (cmd.kind == CommandKind::Translate) {
            switch (c) {
                case 'c': o.complement = true; continue;
                case 'd': o.deleteUnmatched = true; continue;
                case 's': o.squeeze = true; continue;
                case 'r':
                case 'g':
                case 'k': continue;  // r: we always return a new text; g, k: no-ops
                default: break;
            }
        } else {
            switch (c) {
                case 'g': o.global = true; continue;
                case 'i': o.caseless = true; continue;
                case 'm': o.multiline = true; continue;
                case 's': o.dotall = true; continue;
                case 'x':
                    o.extendedMore = o.extended;
                    o.extended = true;
                    continue;
                case 'k':
                case 'o': continue;  // k: one character per character, always so on Unicode
                default: break;
            }
        }
        std::string what = (static_cast<unsigned char>(c) < 0x80) ? std::string(1, c) : std::string("this");
        if (c == 'e' && cmd.kind == CommandKind::Substitute)
            return errorAt(fullCommand, at, Msg::OptionENotSupported);
        return errorAt(fullCommand, at, cmd.kind == CommandKind::Translate ? Msg::UnknownTrOption : Msg::UnknownOption,
                       {what});
    }
    return o;
}

Result<ParsedCommand> readCommand(std::string_view command, CommandRules rules) {
    ParsedCommand out;
    out.mode = classifyCommand(command);
    out.source = std::string(command);
    if (out.mode == CommandMode::Filter) return out;
    if (rules == CommandRules::Window && !passesCommandCheck(command))
        return Error{Msg::CheckCommand, {}, -1, ErrorKind::Input};
    auto parts = parseCommand(command);
    if (!parts) return parts.error();
    auto options = parseOptions(parts.value(), command);
    if (!options) return options.error();
    out.parts = std::move(parts).value();
    out.options = options.value();
    if (rules != CommandRules::AsItStands && out.mode == CommandMode::Substitute && isLineAnchored(command))
        anchorToLines(out);
    return out;
}

void anchorToLines(ParsedCommand& command) {
    command.lineAnchored = true;
    command.options.multiline = true;
}

}  // namespace kk::regex
