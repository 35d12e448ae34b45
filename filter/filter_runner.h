// Running a command line as a filter over a text: the text goes to the child's
// standard input through a pipe, its standard output, read as it comes, is
// the result. The sort form, which names its input and output files, has a
// private folder for them, removed when the run ends.
#pragma once

#include "platform/ports.h"
#include "platform/output_file.h"
#include "platform/private_dir.h"
#include "core/result.h"
#include "core/text_codec.h"

#include <memory>
#include <string>
#include <string_view>

namespace kk::filter {

// Writes the text (UTF-8, as it stands), plus the text's own line end when it
// does not already end with one; 0 when all of it was written, -1 otherwise
// (a full disk, no such folder).
int SaveTmpData(const std::string& path, std::string_view text);
// The line end a filter's input gets after the text: the text's own, when
// it does not already end with one.
std::string finalLineEnd(std::string_view text);
// The file's whole contents as text, decoded by the one byte policy for the
// whole file; empty when missing or empty.
Text getTextFile(const std::string& path);
// A filter's output as text, by the same policy.
Text textOfOutput(std::string bytes);

// Where the interpreter comes from: $ComSpec when set, else /bin/sh; both take "-c".
std::string commandInterpreter();

// "sort /r /O x" in the older desktop's form → "sort -r -o x" for this system's sort.
std::string translateSortCommand(std::string_view command);

enum class FilterForm { General, Sort };

// One prepared run: the request to start and, for the sort form, its folder
// and the file its output lands in.
struct FilterJob {
    std::unique_ptr<PrivateDir> dir;
    ProcessRequest request;
    std::string outputPath;
    // The result's own file, when the filter writes into it itself.
    std::optional<OutputFile> outputFile;
    // Set by collectFilterResult: the result is in outputFile as it stands,
    // and the text it returns is empty.
    bool written = false;
    // The output's check while it is written (followOutput).
    std::shared_ptr<Utf8Pieces> check;
    bool collected = false;
};

// Checks a result the filter writes into its own file as it comes, so that
// little is left to check when it ends: called once the child has started,
// a no-op after collectFilterResult. The job must stay where it is until then.
void followOutput(FilterJob& job);

// Output past this is a runaway, not a text to work on: the child is stopped.
inline constexpr std::int64_t kMaxFilterOutputBytes = 1LL << 30;

struct FilterSetup {
    std::string workingDirectory;  // the caller's folder (CLI) or the user's home (window); empty: ours
    std::string helperDirectory;   // put in front of PATH (our sortf)
    std::int64_t maxOutputBytes = kMaxFilterOutputBytes;
    // A regular file holding exactly the text (a mapped input): a filter
    // reads it directly when the text needs no line end added.
    int textFile = -1;
    // Where the result goes (the command line's standard output): when it
    // is a regular file, the filter writes there itself, and the bytes are
    // checked afterwards (General form only).
    int outputFile = -1;
};

// Prepares a run of `command` over `text` (xFil's or xFilsort's form).
Result<FilterJob> prepareFilter(FilterForm form, std::string_view command, std::string_view text,
                                const FilterSetup& setup);

// The result of a finished run: the output text, or an error when the child
// could not start, was cancelled or killed, wrote more than the cap, or exited
// non-zero with something on its error output or nothing on its standard
// output (a non-zero exit with output but a silent error output still gives
// its output). A result written into its own file stays there when it is
// UTF-8 (job.written); on an error it is cut off again, and one to decode is
// cut off and returned as text.
TextResult collectFilterResult(FilterJob& job, ProcessOutcome outcome);

inline constexpr const char* kFilterCancelled = "中止しました";

}  // namespace kk::filter
