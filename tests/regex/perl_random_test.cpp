// Random commands against perl: a small grammar makes s///, tr/// and m//
// commands and texts (LF and CR LF), and all of them go through one perl run.
// A fixed seed per CI run; KK_PERL_FUZZ_CASES and KK_PERL_FUZZ_SEED for long
// runs (make fuzz-perl). A mismatch is shrunk to a minimal command and text.
// Left out on purpose, where perl and PCRE2 (or we) define things apart:
// variable-length lookbehinds, quantified anchors, @ and $name in
// replacements (perl interpolates), references to groups that do not
// exist (an error for us), a repeated capturing group, patterns our match
// limit calls too complex, /i on characters with multi-character folds,
// \K inside lookarounds, tr's r option, a blank atom under /x, a quantified
// \R, a possessive repeat of a group, and commands perl itself refuses
// (\U\U, \F\F) or runs away on (given up after two seconds).
#include "../support/run_tool.h"
#include "regex/operations.h"
#include "texts/texts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace kk::regex {
namespace {

struct Case {
    char mode = 's';                 // s: the command over the whole text; m / v: m// per line
    std::vector<std::string> head;   // the command in pieces: operator and first part
    std::vector<std::string> tail;   // replacement or second list
    std::string options;
    std::vector<std::string> text;
    std::string command() const {
        std::string c;
        for (const auto& p : head) c += p;
        if (mode == 's' && (c.starts_with("s/") || c.starts_with("tr/") || c.starts_with("y/"))) {
            c += "/";
            for (const auto& p : tail) c += p;
        }
        return c + "/" + options;
    }
    std::string joined() const {
        std::string t;
        for (const auto& p : text) t += p;
        return t;
    }
};

// Perl's answers for a batch of cases: each record is mode, command and text
// (unit separators between, a record separator after: no text holds them);
// the answers come back in the same order.
// A command that runs away in perl (which has no match limit) is given up
// after two seconds and counts as refused.
const char* kPerlBatch = R"PERL(
local $/ = "\x1e";
$SIG{ALRM} = sub { die "timeout\n" };
while (my $rec = <STDIN>) {
    chomp $rec;
    my ($mode, $cmd, $text) = split /\x1f/, $rec, 3;
    my $out = '';
    if ($mode eq 's') {
        local $_ = $text;
        alarm 2;
        $out = (eval "$cmd; 1") ? $_ : "\x{1}error: $@";
        alarm 0;
    } else {
        my $own = $text =~ /\A[^\n]*\r\n/ ? "\r\n" : "\n";
        for my $l ($text =~ /[^\n]*\n|[^\n]+\z/g) {
            local $_ = $l;
            my $e = s/(\r?\n)\z// ? $1 : $own;
            alarm 2;
            my $hit = eval "$cmd";
            alarm 0;
            if ($@) { $out = "\x{1}error: $@"; last }
            $out .= $_ . $e if length($_) && ($mode eq 'm' ? $hit : !$hit);
        }
    }
    print $out, "\x1e";
}
)PERL";

std::optional<std::vector<std::string>> perlAnswers(const std::vector<Case>& cases) {
    std::string input;
    for (const auto& c : cases) input += std::string(1, c.mode) + '\x1f' + c.command() + '\x1f' + c.joined() + '\x1e';
    // Unsafe signals: the alarm must reach perl inside a long match.
    ::setenv("PERL_SIGNALS", "unsafe", 1);
    auto out = kk::testing::runTool("perl", {"-CSD", "-Mutf8", "-e", kPerlBatch}, input);
    if (!out) return std::nullopt;
    std::vector<std::string> answers;
    for (std::size_t at = 0; at < out->size();) {
        const std::size_t end = out->find('\x1e', at);
        if (end == std::string::npos) break;
        answers.push_back(out->substr(at, end - at));
        at = end + 1;
    }
    return answers;
}

std::string ours(const Case& c) {
    const std::string cmd = c.command(), text = c.joined();
    auto r = c.mode == 's' ? applyCommand(cmd, text) : xmatch(cmd, text, c.mode == 'v' ? 1 : 0);
    return r ? r.value() : "\x01" "error: " + r.error().message;
}

// The same bytes, or perl refused the command (perl's own syntax limits,
// such as \U\U, are not ours to copy).
bool agree(const std::string& mine, const std::string& perls) {
    if (perls.starts_with("\x01" "error")) return true;
    // Our match limit stops what perl's optimiser may still finish.
    if (mine == std::string("\x01" "error: ") + texts::text(texts::Msg::TooComplex)) return true;
    return mine == perls;
}

class Generator {
public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {}

    Case next() {
        Case c;
        groups_ = 0;
        named_ = false;
        const int kind = pick(10);
        if (kind < 6) {
            c.options = flags("gimsx");
            extended_ = c.options.find('x') != std::string::npos;
            c.head = {"s/"};
            sequence(c.head, 1 + pick(4), 0);
            replacement(c.tail);
        } else if (kind < 8) {
            c.options = flags("imsx");
            extended_ = c.options.find('x') != std::string::npos;
            c.head = {"m/"};
            sequence(c.head, 1 + pick(4), 0);
            c.mode = pick(2) ? 'm' : 'v';
        } else {
            c.head = {pick(4) ? "tr/" : "y/", list()};
            c.tail = {pick(3) ? list() : ""};
            c.options = flags("cds");
        }
        for (int k = pick(14); k > 0; --k) c.text.push_back(any(kTextPieces));
        return c;
    }

private:
    inline static const std::vector<std::string> kTextPieces = {
        "a", "b", "ab", "aB", "あ", "い", "ア", "漢字", "é", "🙂", " ", "\t", "1", "２", "_", ".", "-", "\n", "\r\n", "x", "\r", "、"};
    inline static const std::vector<std::string> kAtoms = {
        "a", "b", "あ", "漢", "é", "🙂", "\\.", "x", " ", "[ab]", "[^a]", "[a-c]", "[ぁ-ゖ]", "[[:alpha:]]",
        "[[:^graph:]あ]", "[[:^print:]、]", "[[:digit:]x]", "\\w", "\\d", "\\s", "\\S", "\\W", "\\p{Han}",
        "\\p{Hiragana}", "\\P{L}", ".", "\\h", "\\r", "\\n", "[\\r\\n]", "[^\\r\\n]", "\\x{3042}"};
    inline static const std::vector<std::string> kQuantifiers = {"", "", "", "", "*", "+", "?", "{1,2}", "*?", "+?",
                                                                  "??", "*+", "++", "{2}", "{0,}"};
    inline static const std::vector<std::string> kAnchors = {"^", "$", "\\b", "\\B", "\\A", "\\z", "(?=a)", "(?!b)",
                                                             "(?<=a)", "(?<!b)"};

    int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    const std::string& any(const std::vector<std::string>& v) { return v[static_cast<std::size_t>(pick(static_cast<int>(v.size())))]; }

    std::string flags(const char* letters) {
        std::string f;
        for (const char* l = letters; *l; ++l)
            if (pick(3) == 0) f.push_back(*l);
        return f;
    }

    void sequence(std::vector<std::string>& out, int length, int depth) {
        for (int k = 0; k < length; ++k) {
            const int what = pick(10);
            if (what < 6 || depth > 1) {
                // Under /x a blank is no atom: perl then reads a following {2}
                // as text, PCRE2 as a quantifier of nothing.
                const std::string& atom = any(kAtoms);
                out.push_back((extended_ && atom == " " ? "\\ " : atom) + any(kQuantifiers));
                // \R unquantified: perl's optimiser gives up \R{0,}[\r\n]{2} over CR LF.
                if (pick(12) == 0) out.push_back("\\R");
            } else if (what < 8) {
                // "$" last only: perl reads "$\" and the like as variables.
                const std::string& a = any(kAnchors);
                out.push_back(a == "$" && (depth > 0 || k + 1 < length) ? "\\z" : a);
            } else if (what == 8 && depth == 0 && pick(4) == 0) {
                out.push_back("\\K");
            } else {
                const int form = pick(4);
                std::string open = "(?:";
                if (form == 0 || form == 1) {
                    open = "(";
                    ++groups_;
                } else if (form == 2 && !named_) {
                    open = "(?<n>";
                    named_ = true;
                    ++groups_;
                }
                std::vector<std::string> inner;
                const int groupsBefore = groups_;
                sequence(inner, 1 + pick(2), depth + 1);
                if (pick(3) == 0) {
                    inner.push_back("|");
                    sequence(inner, 1 + pick(2), depth + 1);
                }
                std::string g = open;
                for (const auto& p : inner) g += p;
                // A capturing group is not repeated: what it holds after a
                // repeat whose last round matched nothing, or was given up,
                // is defined apart by perl and PCRE2. No possessive repeats.
                std::string q = open == "(?:" && groups_ == groupsBefore ? any(kQuantifiers) : "";
                if (q.ends_with("+") && q.size() > 1) q.pop_back();
                out.push_back(g + ")" + q);
            }
        }
    }

    void replacement(std::vector<std::string>& out) {
        std::vector<std::string> pieces = {"X", "-", "あ", "\\n", "\\t", "\\r", "$&", "$`", "\\u", "\\l",
                                           "\\U", "\\L", "\\Q", "\\E", "\\F"};
        for (int g = 1; g <= groups_; ++g) {
            pieces.push_back("$" + std::to_string(g));
            pieces.push_back("${" + std::to_string(g) + "}");
        }
        if (named_) pieces.push_back("$+{n}");
        if (groups_ > 0) pieces.push_back("$+");
        for (int k = pick(6); k > 0; --k) out.push_back(any(pieces));
        // Last only: perl reads $'X as the variable $main::X (' was a package separator).
        if (pick(6) == 0) out.push_back("$'");
    }

    std::string list() {
        static const std::vector<std::string> items = {"a-c", "あ-お", "x", "\\n", "é", "0-9", "ア", "b", "\\r", " "};
        std::string l;
        for (int k = 1 + pick(3); k > 0; --k) l += any(items);
        return l;
    }

    std::mt19937 rng_;
    int groups_ = 0;
    bool named_ = false;
    bool extended_ = false;
};

// The smallest case that still differs: pieces of the text, then of the
// command, taken away one at a time while the difference stays.
Case shrink(Case c) {
    // A smaller case must still be one we take (no reference to a group it lost).
    const bool refused = ours(c).starts_with("\x01" "error");
    auto differs = [refused](const Case& k) {
        const std::string mine = ours(k);
        if (!refused && mine.starts_with("\x01" "error")) return false;
        auto theirs = perlAnswers({k});
        return theirs && theirs->size() == 1 && !agree(mine, theirs->front());
    };
    for (bool progress = true; progress;) {
        progress = false;
        for (auto* parts : {&c.text, &c.tail, &c.head}) {
            // The operator and one piece of the pattern stay: perl's empty
            // pattern means the last one that matched.
            for (std::size_t i = parts == &c.head ? 1 : 0; i < parts->size(); ++i) {
                if (parts == &c.head && c.head.size() <= 2) break;
                Case smaller = c;
                auto& p = parts == &c.text ? smaller.text : parts == &c.tail ? smaller.tail : smaller.head;
                p.erase(p.begin() + static_cast<std::ptrdiff_t>(i));
                if (differs(smaller)) {
                    c = smaller;
                    progress = true;
                    --i;
                }
            }
        }
    }
    return c;
}

TEST(PerlRandom, CommandsAgreeWithPerl) {
    KK_REQUIRE_TOOL(kk::testing::runTool("perl", {"-e", "1"}, ""), "perl");
    const char* count = std::getenv("KK_PERL_FUZZ_CASES");
    const char* seed = std::getenv("KK_PERL_FUZZ_SEED");
    const int n = count ? std::atoi(count) : 2000;
    const std::uint32_t s = seed ? static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10)) : 20261208u;
    std::cout << "seed " << s << ", " << n << " cases\n";
    Generator gen(s);
    std::vector<Case> cases;
    for (int k = 0; k < n; ++k) cases.push_back(gen.next());
    for (std::size_t from = 0; from < cases.size(); from += 2000) {
        const std::vector<Case> batch(cases.begin() + static_cast<std::ptrdiff_t>(from),
                                      cases.begin() + static_cast<std::ptrdiff_t>(std::min(cases.size(), from + 2000)));
        auto theirs = perlAnswers(batch);
        ASSERT_TRUE(theirs && theirs->size() == batch.size());
        int reported = 0;
        for (std::size_t i = 0; i < batch.size(); ++i) {
            const std::string mine = ours(batch[i]);
            if (agree(mine, (*theirs)[i])) continue;
            if (++reported > 10) continue;
            const Case small = shrink(batch[i]);
            ADD_FAILURE() << "mode " << small.mode << ": " << ::testing::PrintToString(small.command()) << " over "
                          << ::testing::PrintToString(small.joined()) << "\n  ours:  "
                          << ::testing::PrintToString(ours(small))
                          << "\n  perl:  " << ::testing::PrintToString(perlAnswers({small})->front());
        }
    }
}

// Every pair and triple of the case escapes before a group and before a
// literal, as perl nests them.
TEST(PerlRandom, CaseEscapesStackAsInPerl) {
    KK_REQUIRE_TOOL(kk::testing::runTool("perl", {"-e", "1"}, ""), "perl");
    const std::vector<std::string> ops = {"\\u", "\\l", "\\U", "\\L", "\\Q", "\\E", "\\F"};
    std::vector<std::string> prefixes;
    for (const auto& a : ops)
        for (const auto& b : ops) {
            prefixes.push_back(a + b);
            for (const auto& c : ops) prefixes.push_back(a + b + c);
        }
    std::vector<Case> cases;
    for (const auto& p : prefixes)
        for (const char* target : {"$1", "éx.Y$1", "$1-w.Z\\Ed.E"}) {
            Case c;
            c.head = {"s/(aB\\.c)"};
            c.tail = {p + target};
            c.options = "g";
            c.text = {"aB.c dÉf aB.c"};
            cases.push_back(c);
        }
    auto theirs = perlAnswers(cases);
    ASSERT_TRUE(theirs && theirs->size() == cases.size());
    // Perl refuses some stacks outright (\U\U, \F\F: a syntax error); we take
    // them as they nest.
    int compared = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if ((*theirs)[i].starts_with("\x01" "error")) continue;
        ++compared;
        EXPECT_EQ(ours(cases[i]), (*theirs)[i]) << cases[i].command();
    }
    EXPECT_GT(compared, 500);
}

// What the random runs found: PCRE2's JIT with [:^graph:], perl's nesting
// of case escapes, and PCRE2 giving up .?\R over a lone CR.
TEST(PerlRandom, KnownFaults) {
    const struct {
        const char* command;
        const char* text;
        const char* expected;
    } cases[] = {
        {"s/[[:^graph:]あ]/X/", "あ", "X"},        {"s/[[:^print:]、]/X/", "、", "X"},
        {"s/[[:^graph:]ぁ-ゖ]/X/", "あ", "X"},     {"s/[[:^graph:]\\x{3042}]/X/", "あ", "X"},
        {"s/(a)/\\u\\l$1/", "a", "A"},             {"s/a/\\u\\Eb/", "a", "b"},
        {"s/(ab)/\\U\\l$1/", "ab", "aB"},          {"s/(AB)/\\L\\u$1/", "AB", "Ab"},
        {"s/(ab)/\\u\\Q\\U$1.\\Ex.y/", "ab", "AB\\.x\\.y"},  // \E closes \U, not \Q
        {"s/.*?\\R//", "\r", ""},                  {"s/.?\\R/X/", "a\r", "X"},
    };
    for (const auto& c : cases) {
        auto r = applyCommand(c.command, c.text);
        ASSERT_TRUE(r) << c.command;
        EXPECT_EQ(r.value(), c.expected) << c.command;
    }
}

}  // namespace
}  // namespace kk::regex
