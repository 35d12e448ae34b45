// sortf: sorts the lines of its files (or standard input) to standard output.
// It sits next to kakikae and is on every filter's PATH.
#include "filter/sortf.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
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
        if (a == "--help" || a == "-h") { std::cout << kHelp; return 0; }
        if (a.size() > 1 && a[0] == '-') options.push_back(a);
        else files.push_back(a);
    }
    kk::filter::SortOptions o;
    std::string error;
    if (!kk::filter::parseSortOptions(options, o, error)) {
        std::cerr << "sortf: " << error << " (see --help)\n";
        return 2;
    }
    std::string text;
    if (files.empty()) {
        char buf[1 << 16];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) text.append(buf, n);
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
    }
    const std::string out = kk::filter::sortText(text, o);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
