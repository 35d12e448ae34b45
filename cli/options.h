// kakikae-cli's options, in one table: the parser, --help and both shell
// completions are made from it, so they cannot disagree.
#pragma once

#include <string>
#include <vector>

namespace kk::cli {

enum class Completion { None, Command, Conversion, Encoding, Recipe, File };

struct OptionSpec {
    const char* name;       // "--convert"; nullptr for a short-only option
    const char* shortName;  // "-e"; nullptr when there is none
    const char* value;      // the value's name ("NAME"), nullptr for a switch
    Completion completion;
    const char* helpEn;
    const char* helpJa;
    bool hidden = false;  // internal: not in --help or the completions
};

const std::vector<OptionSpec>& options();
// The option an argument names ("--convert", "-q", "--convert=x"), or null.
const OptionSpec* findOption(const std::string& argument);
// What --help prints, in the message language.
std::string helpText();
// The completion script for "bash" or "zsh".
std::string completionScript(const std::string& shell);

// The examples --help ends with, each run by the tests.
struct Example {
    const char* commandLine;
    const char* en;
    const char* ja;
};
const std::vector<Example>& examples();

}  // namespace kk::cli
