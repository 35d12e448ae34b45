// kakikae-cli: the window's core without the window. Standard input is the
// "clipboard" (or the real one with --clipboard), standard output the result.
#include "app/editor_state.h"
#include "app/texts.h"
#include "convert/duplicates.h"
#include "convert/kana_width.h"
#include "convert/mod_nkf32.h"
#include "convert/reverse_count.h"
#include "platform/clipboard_keeper.h"
#include "platform/data_folder.h"
#include "platform/file_store.h"
#include "platform/input_bytes.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_desktop.h"
#include "platform/qt_process_runner.h"
#include "platform/text_codec.h"
#include "regex/operations.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

const char* kHelp = R"(usage: kakikae-cli [options] [COMMAND]

Runs one command over standard input and writes the result to standard output
(UTF-8; any line ends in, the platform's line ends out).

  COMMAND              run like the window's run button: s/// tr/// m// are
                       regular-expression commands (a pattern starting with ^
                       or ending in $ works line by line); anything else runs
                       as a shell filter (sort, grep, awk, pipes ...)
  -e CMD               apply one s///, tr/// or m// command as it stands (no
                       line-anchor rule); may repeat, applied in order
  --invert             m// keeps the lines that do not match (the -v box)
  --clipboard          read the system clipboard instead of standard input and
                       put the result back on it (the one-shot button)
  --convert NAME       a built-in conversion: hankaku-to-zenkaku,
                       zenkaku-to-hankaku, reverse, dedupe, extract-duplicates,
                       mime (MIME header words), mime-broken (also JIS text
                       whose ESC bytes were lost), mime-qp (quoted-printable
                       JIS text)
  --convert LABEL      any menu conversion, by its label or short name (case,
                       width, kana, sorts, uniq ...): see --list-conversions
  --list-conversions   the conversions' names and labels
  --count              print the character / line / byte count
  --help, --version

Exit status: 0 done, 1 the command failed, 2 bad usage.
)";

void writeAllStdout(std::string_view s) { kk::writeAll(stdout, s); }

kk::Text inputText(std::string_view bytes) { return kk::decodeBytes(bytes); }

// A clipboard that is standard input going in and a string coming out.
class StdioClipboard final : public kk::Clipboard {
public:
    explicit StdioClipboard(std::string in) : in_(std::move(in)) {}
    // Standard input is read once: the first read hands the text over.
    std::optional<std::string> readText() override { return std::move(in_); }
    bool writeText(const std::string& utf8) override { out = utf8; written = true; return true; }
    std::string out;
    bool written = false;
private:
    std::string in_;
};

// Messages go to standard error; questions get their safe answer.
class StderrPrompt final : public kk::Prompt {
public:
    Answer ask(const std::string& text, const std::string&, Icon icon, Buttons buttons) override {
        std::cerr << "kakikae-cli: " << text << "\n";
        if (icon == Icon::Error) lastError = text;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    std::string lastError;
};

class NoDesktop final : public kk::Desktop {
public:
    bool openPath(const std::string&) override { return false; }
    bool openUrl(const std::string&) override { return false; }
    bool startProgram(const std::string&, const std::vector<std::string>&) override { return false; }
};

using Conversion = kk::Text (*)(std::string_view);

kk::Text dedupe(std::string_view t) {
    auto r = kk::convert::delJufuku(t);
    return r.outcome == kk::convert::DuplicateResult::Outcome::Found ? std::move(r.output) : kk::Text(t);
}
kk::Text extractDuplicates(std::string_view t) {
    auto r = kk::convert::exJufuku(t);
    return r.outcome == kk::convert::DuplicateResult::Outcome::Found ? std::move(r.output) : kk::Text();
}

// Line comparisons give the same lines over LF text as over its CR LF form
// when there is no CR at all, so such a text skips both line-end crossings.
bool worksOnLfText(Conversion fn) { return fn == &dedupe || fn == &extractDuplicates; }

kk::Text mimeQuotedPrintable(std::string_view t) {
    auto r = kk::convert::mimeDecodeQuotedPrintable(t);
    return r ? std::move(r).value() : kk::Text(t);
}

const std::map<std::string, Conversion>& conversions() {
    static const std::map<std::string, Conversion> m = {
        {"hankaku-to-zenkaku", &kk::convert::hankakuToZenkaku2},
        {"zenkaku-to-hankaku", &kk::convert::zenkakuToHankaku},
        {"reverse", &kk::convert::xrev},
        {"dedupe", &dedupe},
        {"extract-duplicates", &extractDuplicates},
        {"mime", &kk::convert::mimeDecode},
        {"mime-broken", &kk::convert::mimeDecodeBroken},
        {"mime-qp", &mimeQuotedPrintable},
    };
    return m;
}

// What the window does to its text, through the same model: `act` starts it
// and calls `done` when it has ended.
using Action = std::function<void(kk::EditorState&, std::function<void()> done)>;

int runLikeWindow(int argc, char** argv, bool useClipboard, const Action& act) {
    std::unique_ptr<QCoreApplication> app;
    if (useClipboard) app = std::make_unique<QGuiApplication>(argc, argv);
    else app = std::make_unique<QCoreApplication>(argc, argv);

    std::unique_ptr<kk::Clipboard> clipboard;
    StdioClipboard* stdio = nullptr;
    if (useClipboard) {
        clipboard = std::make_unique<kk::QtClipboard>();
    } else {
        auto c = std::make_unique<StdioClipboard>(kk::decodeBytes(kk::InputBytes::fromStdin().view()));
        stdio = c.get();
        clipboard = std::move(c);
    }
    const std::string exeDir = kk::executableDirectory();
    kk::LocalFileStore files;
    StderrPrompt prompt;
    NoDesktop desktop;
    kk::QtProcessRunner processes;
    kk::InlineTaskRunner tasks;
    kk::EditorState state(kk::Services{*clipboard, files, prompt, desktop, processes, tasks,
                                       kk::DataFolder::locate(exeDir), exeDir});
    state.loadClipboard();
    bool done = false;
    QEventLoop loop;
    act(state, [&] {
        done = true;
        loop.quit();
    });
    if (!done) loop.exec();
    if (state.status() != kk::texts::kStatusDone && !state.workingText().empty()) {
        if (prompt.lastError.empty()) std::cerr << "kakikae-cli: " << state.status() << "\n";
        return kFailed;
    }
    if (useClipboard) {
        state.copyBack();
        std::string text;
        if (kk::ownsClipboardText(&text) && !kk::handClipboardToHolder(exeDir + "/kakikae-cli", text)) {
            std::cerr << "kakikae-cli: could not keep the result on the clipboard\n";
            return kFailed;
        }
        return kOk;
    }
    (void)stdio;
    writeAllStdout(state.workingText());
    return kOk;
}

Action runCommand(const std::string& command, bool invert) {
    return [command, invert](kk::EditorState& state, std::function<void()> done) {
        state.setCommandLineFromView(command);
        state.setInvert(invert);
        state.run(std::move(done));
    };
}

Action runConversion(const std::string& label) {
    return [label](kk::EditorState& state, std::function<void()> done) {
        state.setObserver([&state, done](unsigned changes) {
            if ((changes & kk::EditorState::Busy) && !state.busy()) done();
        });
        state.runConversion(label);
        if (!state.busy()) done();
    };
}

// Short names for the menu conversions (their Japanese labels work too).
const std::map<std::string, std::string>& conversionAliases() {
    static const std::map<std::string, std::string> m = {
        {"to-half-width", "全角を半角に"}, {"to-full-width", "半角を全角に"}, {"capitalize-words", "単語先頭を大文字に"},
        {"upper", "大文字に変換"}, {"lower", "小文字に変換"}, {"hiragana-to-katakana", "ひらがなをカタカナに"},
        {"katakana-to-hiragana", "カタカナをひらがなに"}, {"sort", "昇順ソート"}, {"sort-reverse", "降順ソート"},
        {"sort-numeric", "昇順ソートn"}, {"sort-numeric-reverse", "降順ソートn"}, {"sort-japanese", "sortf_J_a"},
        {"sort-japanese-reverse", "sortf_J_d"}, {"uniq", "uniq_n"}, {"uniq-d", "uniq_d"}, {"uniq-dc", "uniq_dc"},
        {"hankaku-to-zenkaku", "ｶﾀｶﾅをカタカナに"}, {"zenkaku-to-hankaku", "カタカナをｶﾀｶﾅに"}, {"reverse", "文字反転"},
        {"mime", "MIMEデコード"}, {"mime-broken", "MIMEデコードB"}, {"mime-qp", "MIMEデコードQ"},
    };
    return m;
}

void listConversions() {
    std::cout << "Menu conversions (name, then the label the window's menu passes):\n";
    for (const auto& [alias, label] : conversionAliases()) std::cout << "  " << alias << "\t" << label << "\n";
    std::cout << "Duplicate lines (the 重複行 menu's own items):\n  dedupe\n  extract-duplicates\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> expressions;
    std::string command, conversion;
    bool haveCommand = false, invert = false, useClipboard = false, count = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") { std::cout << kHelp; return kOk; }
        if (a == "--version") { std::cout << "kakikae-cli " << KAKIKAE_VERSION << "\n"; return kOk; }
        if (a == "--hold-clipboard") return kk::runClipboardHolder(argc, argv);
        if (a == "--invert") { invert = true; continue; }
        if (a == "--clipboard") { useClipboard = true; continue; }
        if (a == "--count") { count = true; continue; }
        if (a == "--list-conversions") { listConversions(); return kOk; }
        if (a == "-e" || a == "--convert") {
            if (i + 1 >= argc) { std::cerr << "kakikae-cli: " << a << " needs an argument\n"; return kUsage; }
            (a == "-e" ? (expressions.push_back(argv[++i]), void()) : (conversion = argv[++i], void()));
            continue;
        }
        if (a == "--") {
            if (i + 1 < argc) { command = argv[++i]; haveCommand = true; }
            continue;
        }
        if (a.size() > 1 && a[0] == '-' && !haveCommand && a.find('/') == std::string::npos) {
            std::cerr << "kakikae-cli: unknown option " << a << " (see --help)\n";
            return kUsage;
        }
        if (haveCommand) { std::cerr << "kakikae-cli: only one COMMAND may be given\n"; return kUsage; }
        command = a;
        haveCommand = true;
    }
    const int modes = (haveCommand ? 1 : 0) + (expressions.empty() ? 0 : 1) + (conversion.empty() ? 0 : 1) + (count ? 1 : 0);
    if (modes != 1) {
        std::cerr << "kakikae-cli: give one of COMMAND, -e CMD, --convert NAME or --count (see --help)\n";
        return kUsage;
    }
    if (haveCommand) return runLikeWindow(argc, argv, useClipboard, runCommand(command, invert));
    if (useClipboard) { std::cerr << "kakikae-cli: --clipboard goes with COMMAND\n"; return kUsage; }

    Conversion fn = nullptr;
    if (!conversion.empty()) {
        // The text-only conversions run directly; the rest (filters among
        // them) through the model, as the window runs them.
        if (const auto it = conversions().find(conversion); it != conversions().end()) {
            fn = it->second;
        } else {
            const auto alias = conversionAliases().find(conversion);
            const std::string label = alias != conversionAliases().end() ? alias->second : conversion;
            if (!kk::isConversionLabel(label)) {
                std::cerr << "kakikae-cli: unknown conversion \"" << conversion << "\" (see --list-conversions)\n";
                return kUsage;
            }
            return runLikeWindow(argc, argv, false, runConversion(label));
        }
    }
    std::optional<kk::InputBytes> input{kk::InputBytes::fromStdin()};
    const std::string_view bytes = input->view();
    if (fn && worksOnLfText(fn) && bytes.find('\r') == std::string_view::npos && kk::isValidUtf8(bytes)) {
        // Straight from the input to the output, no result text built.
        const bool extract = fn == &extractDuplicates;
        bool ok = true;
        if (bytes.find('\n') == std::string_view::npos) {
            if (!extract) ok = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
        } else {
            kk::convert::scanDuplicates(bytes, extract, [&ok](std::string_view piece) {
                ok = ok && std::fwrite(piece.data(), 1, piece.size(), stdout) == piece.size();
            });
        }
        return std::fflush(stdout) == 0 && ok ? kOk : kFailed;
    }
    kk::Text text = inputText(bytes);
    input.reset();  // the working text is a copy now; let the input's pages go
    if (count) {
        std::cout << kk::convert::countStatus(kk::convert::countText(text)) << "\n";
        return kOk;
    }
    if (fn) {
        writeAllStdout(fn(text));
        return kOk;
    }
    for (const auto& e : expressions) {
        auto r = kk::regex::applyCommand(e, text, invert ? 1 : 0);
        if (!r) {
            std::cerr << "kakikae-cli: " << e << ": " << r.error().message << "\n";
            return kFailed;
        }
        text = std::move(r).value();
    }
    writeAllStdout(text);
    return kOk;
}
