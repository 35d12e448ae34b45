// sortf: sorts the lines of its files (or standard input) to standard output.
// It sits next to kakikae and is on every filter's PATH.
#include "filter/sortf.h"
#include "platform/input_bytes.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* kHelp = R"(usage: sortf [-n] [-r] [-s] [-b] [-J] [FILE...]

Sorts lines (UTF-8, LF line ends) and writes them to standard output.
  -n   numeric: by the number each line starts with; lines without one first
  -r   reverse order
  -s   stable: lines with equal keys keep their input order
  -b   ignore leading blanks
  -J   Japanese dictionary order (kana order; width and hiragana/katakana
       only break ties)
Without -n or -J lines sort by their bytes.
)";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> options, files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kHelp;
            return 0;
        }
        if (a.size() > 1 && a[0] == '-') options.push_back(a);
        else files.push_back(a);
    }
    kk::filter::SortOptions o;
    std::string error;
    if (!kk::filter::parseSortOptions(options, o, error)) {
        std::cerr << "sortf: " << error << " (see --help)\n";
        return 2;
    }
    // Standard input is mapped when it is a file (it is, under the filter
    // runner): the lines then point into it and no copy is made.
    std::optional<kk::InputBytes> input;
    std::string text;
    std::string_view whole;
    if (files.empty()) {
        auto in = kk::InputBytes::fromStdin();
        if (!in) {
            std::cerr << "sortf: cannot read standard input\n";
            return 2;
        }
        input.emplace(std::move(*in));
        whole = input->view();
    } else {
        for (const auto& f : files) {
            std::ifstream in(f, std::ios::binary);
            if (!in) {
                std::cerr << "sortf: cannot read " << f << "\n";
                return 2;
            }
            std::string part((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!part.empty() && part.back() != '\n') part.push_back('\n');
            text += part;
        }
        whole = text;
    }
    const std::string out = kk::filter::sortText(whole, o);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
