// Filter preparation and result rules, free of any process machinery.
#include "filter/filter_runner.h"

#include "platform/file_store.h"
#include "platform/find_program.h"
#include "core/line_ends.h"
#include "core/text_codec.h"
#include "texts/texts.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace kk::filter {

std::string finalLineEnd(std::string_view text) {
    // An empty text is one empty line: sort over "b\na\n" must not sort an
    // empty line first.
    return text.empty() || text.back() != '\n' ? std::string(lineEndOf(text)) : std::string();
}

int SaveTmpData(const std::string& path, std::string_view text) {
    if (path.empty()) return -1;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return -1;
    bool ok = writeAll(f, text);
    if (const std::string end = finalLineEnd(text); !end.empty()) ok = writeAll(f, end) && ok;
    ok = std::fclose(f) == 0 && ok;
    return ok ? 0 : -1;
}

Text getTextFile(const std::string& path) {
    if (path.empty()) return {};
    auto bytes = readWholeFile(path);
    if (!bytes) return {};
    return textOfOutput(std::move(*bytes));
}

Text textOfOutput(std::string bytes) {
    if (bytes.empty() || isValidUtf8(bytes)) return bytes;
    return decodeBytes(bytes);
}

std::string commandInterpreter() {
    if (const char* c = std::getenv("ComSpec"); c && *c) return c;
    return "/bin/sh";
}

namespace {

std::string shellQuote(std::string_view s) {
    std::string out = "'";
    for (const char c : s) {
        if (c == '\'') out += "'\\''";
        else out.push_back(c);
    }
    out.push_back('\'');
    return out;
}

std::string firstLine(std::string_view s) {
    while (!s.empty() && (s.front() == '\n' || s.front() == '\r')) s.remove_prefix(1);
    const std::size_t end = s.find_first_of("\r\n");
    std::string line(s.substr(0, end));
    if (line.size() > 300) line.resize(300);
    return decodeBytes(line);
}

// The first lines of a child's error output, for the user to read in full.
std::string firstLines(std::string_view s, int count) {
    std::size_t end = 0;
    for (int k = 0; k < count && end != std::string_view::npos; ++k) {
        end = s.find('\n', end);
        if (end != std::string_view::npos) ++end;
    }
    return decodeBytes(s.substr(0, end == std::string_view::npos ? s.size() : end));
}

// A word the shell takes as it stands: no quote, variable, glob, tilde,
// comment, redirection or operator in it.
bool plainWord(std::string_view word) {
    for (const unsigned char c : word) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c < 0x80 && !std::strchr("_-./:,+=@%", c)) return false;
    }
    return !word.empty();
}

// What the shell runs itself or reads as a keyword.
bool shellOwn(std::string_view word) {
    static const char* const own[] = {
        ".",     ":",      "[",     "alias", "bg",      "break",    "cd",    "chdir",  "command", "continue",
        "echo",  "eval",   "exec",  "exit",  "export",  "false",    "fc",    "fg",     "getopts", "hash",
        "jobs",  "kill",   "local", "printf", "pwd",    "read",     "readonly", "return", "set",  "shift",
        "test",  "times",  "trap",  "true",  "type",    "ulimit",   "umask", "unalias", "unset",  "wait",
        "case",  "do",     "done",  "elif",  "else",    "esac",     "fi",    "for",    "if",      "in",
        "then",  "until",  "while", "time"};
    for (const char* o : own)
        if (word == o) return true;
    return false;
}

// A file the system starts itself; the shell would read any other as a
// script of its own.
bool startsAsProgram(const std::string& path) {
    char head[4] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(head, sizeof head);
    return (in.gcount() == 4 && std::memcmp(head, "\x7f" "ELF", 4) == 0) || (in.gcount() >= 2 && head[0] == '#' && head[1] == '!');
}

// A command that is one program and its plain words runs without the shell
// in between, which would only look the program up and start it in a child
// of its own: the request then names the program, its words and the name
// it was called by.
bool runDirectly(ProcessRequest& r, std::string_view command) {
    if (std::getenv("ComSpec") && *std::getenv("ComSpec")) return false;
    std::vector<std::string> words;
    for (std::size_t at = 0; at < command.size();) {
        if (command[at] == ' ' || command[at] == '\t') {
            ++at;
            continue;
        }
        const std::size_t end = std::min(command.find_first_of(" \t", at), command.size());
        words.emplace_back(command.substr(at, end - at));
        if (!plainWord(words.back())) return false;
        at = end;
    }
    if (words.empty() || words.front().find('=') != std::string::npos || shellOwn(words.front())) return false;
    const std::string program =
        words.front().find('/') != std::string::npos ? words.front() : findProgramOnPath(words.front(), r.pathPrepend);
    // Not found, or not a program: the shell says so, or reads the script. A
    // relative path is the shell's too, found from the filter's own folder.
    if (program.empty() || program.front() != '/' || ::access(program.c_str(), X_OK) != 0 ||
        !startsAsProgram(program))
        return false;
    r.program = program;
    r.argv0 = words.front();
    r.arguments.assign(words.begin() + 1, words.end());
    r.setsPwd = true;
    return true;
}

}  // namespace

std::string translateSortCommand(std::string_view command) {
    std::istringstream in{std::string(command)};
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    std::string out;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string w = words[i];
        if (i > 0) {
            if (w == "/r" || w == "/R") w = "-r";
            else if (w == "/O" || w == "/o") w = "-o";
        }
        if (!out.empty()) out.push_back(' ');
        out += w;
    }
    return out;
}

Result<FilterJob> prepareFilter(FilterForm form, std::string_view command, std::string_view text,
                                const FilterSetup& setup) {
    FilterJob job;
    ProcessRequest& r = job.request;
    r.program = commandInterpreter();
    r.workingDirectory = setup.workingDirectory;
    if (!setup.helperDirectory.empty()) r.pathPrepend.push_back(setup.helperDirectory);
    r.capBytes = setup.maxOutputBytes;
    if (form == FilterForm::General) {
        // Through pipes: the filter starts on the text at once and nothing
        // of it touches the disk.
        if (!runDirectly(r, command)) r.arguments = {"-c", std::string(command)};
        r.stdinTail = finalLineEnd(text);
        // A file the filter can read itself is faster still (sort sizes its
        // work by it).
        if (setup.textFile >= 0 && r.stdinTail.empty()) r.stdinFd = setup.textFile;
        else r.stdinText = text;
        if (auto out = OutputFile::probe(setup.outputFile)) job.outputFile.emplace(std::move(*out));
        if (job.outputFile) {
            r.stdoutFd = job.outputFile->fd();
        } else {
            r.captureOutput = true;
            r.outputSizeHint = text.size() + r.stdinTail.size();
        }
        return job;
    }
    // The sort form names its input file and writes the file after -o.
    job.dir = std::make_unique<PrivateDir>();
    if (!job.dir->ok()) return Error{texts::Msg::FilterNoFolder, {}, -1, ErrorKind::Fault};
    const std::string input = job.dir->file("kke0.tmp");
    job.outputPath = job.dir->file("kke1.tmp");
    if (SaveTmpData(input, text) != 0)
        return Error{texts::Msg::FilterInputUnwritable, {input}, -1, ErrorKind::Fault};

    r.capFile = job.outputPath;
    r.arguments = {"-c", translateSortCommand(command) + " -o " + shellQuote(job.outputPath) + " " + shellQuote(input)};
    return job;
}

namespace {

// Whether what the filter wrote into the result's file is UTF-8 all
// through; nullopt when it could not be read back.
std::optional<bool> writtenIsUtf8(const OutputFile& out) {
    Utf8Pieces check;
    const bool read = out.read([&](std::string_view piece) { return check.take(piece); });
    if (check.failed()) return false;
    if (!read) return std::nullopt;
    return check.valid();
}

TextResult outputOf(FilterJob& job, ProcessOutcome& o) {
    if (!job.outputFile) {
        return job.request.captureOutput ? textOfOutput(std::move(o.output)) : getTextFile(job.outputPath);
    }
    OutputFile& out = *job.outputFile;
    // Checked as it was written when it was followed; else read back now.
    std::optional<bool> utf8;
    if (job.check) {
        if (out.stopFollowing()) utf8 = job.check->valid();
        else if (job.check->failed()) utf8 = false;
    }
    if (!utf8) utf8 = writtenIsUtf8(out);
    if (utf8 && *utf8) {
        job.written = true;
        return Text();
    }
    // Not UTF-8: decoded by the one policy, like any output, and written
    // again by the caller in place of the bytes as they came.
    std::string bytes;
    const bool read = utf8 && out.read([&](std::string_view piece) {
        bytes.append(piece);
        return true;
    });
    const bool cut = out.drop();
    if (!read || !cut) return Error{texts::Msg::CliStdoutUnwritable, {}, -1, ErrorKind::Fault};
    return textOfOutput(std::move(bytes));
}

// A failure leaves nothing of its output in the result's file.
Error dropped(FilterJob& job, Error e) {
    if (job.outputFile) job.outputFile->drop();
    return e;
}

}  // namespace

void followOutput(FilterJob& job) {
    if (!job.outputFile || job.collected) return;
    job.check = std::make_shared<Utf8Pieces>();
    job.outputFile->follow([check = job.check](std::string_view piece) { return check->take(piece); });
}

TextResult collectFilterResult(FilterJob& job, ProcessOutcome o) {
    job.collected = true;
    if (!o.started) return dropped(job, Error{texts::Msg::FilterDidNotStart, {o.startError}, -1, ErrorKind::Fault});
    if (o.cancelled) return dropped(job, Error{kFilterCancelled, -1, ErrorKind::Cancelled});
    if (o.outputTooBig)
        return dropped(job, Error{texts::Msg::FilterOutputTooBig, {std::to_string(job.request.capBytes >> 20)}, -1,
                                  ErrorKind::Fault});
    if (o.crashed)
        return dropped(job, Error{texts::Msg::FilterCrashed,
                                  {o.errorOutput.empty() ? "" : ": " + firstLine(o.errorOutput)}, -1,
                                  ErrorKind::Fault, firstLines(o.errorOutput, 50)});
    if (o.exitCode != 0) {
        const std::string code = std::to_string(o.exitCode);
        if (const std::string why = firstLine(o.errorOutput); !why.empty())
            return dropped(job, Error{texts::message(texts::Msg::FilterFailed, code) + ": " + why, -1,
                                      ErrorKind::Fault, firstLines(o.errorOutput, 50)});
        // A failing command that printed nothing gives no text to take: the
        // working text stays (an empty result is only that of a success).
        const bool none = job.outputFile ? job.outputFile->written() == 0 : false;
        TextResult output = none ? TextResult(Text()) : outputOf(job, o);
        if (output && output.value().empty() && !job.written)
            return dropped(job, Error{texts::Msg::FilterFailedKept, {code}, -1, ErrorKind::Fault});
        return output;
    }
    return outputOf(job, o);
}

}  // namespace kk::filter
