// kakikae-cli: the window's core without the window. Standard input is the
// "clipboard" (or the real one with --clipboard), standard output the text the
// window would show; every command and conversion goes through the model's
// own paths, so the two can never disagree.
#include "model/editor_state.h"
#include "cli/options.h"
#include "cli/progress_line.h"
#include "convert/registry.h"
#include "diff/line_diff.h"
#include "kakikae_version.h"
#include "platform/clipboard_keeper.h"
#include "platform/data_folder.h"
#include "platform/exit_cleanup.h"
#include "platform/file_store.h"
#include "platform/desktop_notification.h"
#include "platform/notify_loader.h"
#include "platform/input_bytes.h"
#include "platform/x11_clipboard.h"
#include "platform/process_runner.h"
#include "core/text_codec.h"
#include "platform/wl_clipboard.h"
#include "texts/texts.h"

#include <pthread.h>
#include <sched.h>


#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;



// Standard input going in, nothing coming out: the result is the model's
// working text, written by main once the outcome is known.
class StdinClipboard final : public kk::Clipboard {
public:
    explicit StdinClipboard(std::string in) : in_(std::move(in)) {}
    // Standard input is read once: the first read hands the text over.
    std::optional<std::string> readText() override { return std::move(in_); }
    bool writeText(const std::string&) override { return true; }

private:
    std::string in_;
};

// The result written to standard output as it is made. Redirected to a
// file, a filter may write there itself, unless that file is the input.
class StdoutSink final : public kk::TextSink {
public:
    explicit StdoutSink(int input = -1) : input_(input) {}
    bool write(std::string_view bytes) override { return kk::writeFd(STDOUT_FILENO, bytes); }
    int file() const override {
        struct stat out{}, in{};
        if (input_ >= 0 && ::fstat(STDOUT_FILENO, &out) == 0 && ::fstat(input_, &in) == 0 && in.st_dev == out.st_dev &&
            in.st_ino == out.st_ino)
            return -1;
        return STDOUT_FILENO;
    }

private:
    int input_;
};

// Messages go to standard error; questions get their safe answer.
class StderrPrompt final : public kk::Prompt {
public:
    Answer ask(const std::string& text, const std::string&, Icon, Buttons buttons) override {
        std::cerr << "kakikae-cli: " << text << "\n";
        said = text;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    std::string said;  // the last message, so the outcome is not said twice
};

class NoDesktop final : public kk::Desktop {
public:
    bool openPath(const std::string&) override { return false; }
    bool openUrl(const std::string&) override { return false; }
    bool startProgram(const std::string&, const std::vector<std::string>&) override { return false; }
};

bool failureNotices = false;

// A desktop notification, through the helpers' module: the session bus is
// loaded only when one is shown.
void notify(const std::string& summary, const std::string& body, bool error) {
    kk::notifyThroughModule(kk::InstallLayout::locate(kk::executableDirectory()).helperDir, summary, body, error);
}

// A failure as a desktop notification, when asked for.
void notifyFailure(const std::string& why) {
    if (failureNotices) notify(kk::texts::text(kk::texts::Msg::CliFailedTitle), why, true);
}

// A failure on standard error, and as a notification when asked for.
void tellFailure(const std::string& why) {
    std::cerr << "kakikae-cli: " << why << "\n";
    notifyFailure(why);
}

struct Options {
    // -e and --convert, in their order: one chain of single runs.
    std::vector<kk::lists::RecipeStep> steps;
    std::optional<std::string> command, recipe, recipeFile;
    std::optional<std::string> run;  // a recipe's or favourite's name, for a desktop key
    bool listRecipes = false;
    std::vector<std::string> files;
    bool invert = false, clipboard = false, count = false, quiet = false, verbose = false, recordHistory = false,
         diff = false, progress = false;
    std::optional<bool> notify;  // failures as desktop notifications; by default with --clipboard and no terminal
    kk::InputEncoding encoding = kk::InputEncoding::Auto;
    bool primary = false;  // --clipboard reading the PRIMARY selection
    int timeoutMs = 5000;  // how long the clipboard's owner may take to answer
};

void listConversions() {
    std::cout << "Conversions (name, aliases, then the label the window's menu passes):\n";
    for (const auto& c : kk::convert::conversions()) {
        std::string aliases;
        for (const auto& a : kk::convert::aliasesOf(c)) aliases += (aliases.empty() ? "" : ",") + a;
        std::cout << "  " << c.name << "\t" << (aliases.empty() ? "-" : aliases) << "\t" << c.label << "\n";
    }
}

// One line a recipe, its name first (for completion scripts): name, the
// number of steps, the comment; with `steps`, each step below it.
int listRecipes(const kk::lists::RecipeBook& book, bool steps) {
    for (const auto& r : book.recipes()) {
        std::cout << r.name << "\t" << r.steps.size() << "\t" << r.comment << "\n";
        if (!steps) continue;
        for (const auto& step : r.steps) std::cout << "\t- " << step.written() << "\n";
    }
    std::cout.flush();
    return std::cout.good() ? kOk : kFailed;
}

// Parses the arguments; a return value is the exit status to end with at once.
// An argument that starts with "-" is an option (or a usage error), "-" alone
// is standard input, and after "--" only the command and files follow.
std::optional<int> parse(int argc, char** argv, Options& o) {
    using kk::texts::message;
    using kk::texts::Msg;
    auto usage = [](const std::string& why) {
        const bool pointed = why.find("--list-conversions") != std::string::npos;
        std::cerr << "kakikae-cli: " << why << (pointed ? "" : " (see --help)") << "\n";
        return std::optional<int>(kUsage);
    };
    bool optionsEnded = false;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            positional.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        const kk::cli::OptionSpec* option = kk::cli::findOption(a);
        if (!option) return usage(message(Msg::CliUnknownOption, a));
        const std::string name = option->name ? option->name : option->shortName;
        std::optional<std::string> value;
        if (a.starts_with("--") && a.find('=') != std::string::npos) {
            if (!option->value) return usage(message(Msg::CliTakesNoValue, name));
            value = a.substr(a.find('=') + 1);
        } else if (option->value) {
            if (i + 1 >= argc) return usage(message(Msg::CliNeedsValue, name));
            value = argv[++i];
        }
        if (name == "--help") {
            std::cout << kk::cli::helpText();
            return kOk;
        }
        if (name == "--version") {
            std::cout << "kakikae-cli " << KAKIKAE_VERSION << "\n";
            return kOk;
        }
        if (name == "--list-conversions") {
            listConversions();
            return kOk;
        }
        if (name == "--completion") {
            std::cout << kk::cli::completionScript(*value);
            return kOk;
        }
        if (name == "--hold-clipboard") return kk::runClipboardHolder(argc, argv);
        if (name == "--invert") o.invert = true;
        else if (name == "--clipboard") o.clipboard = true;
        else if (name == "--primary") o.clipboard = o.primary = true;
        else if (name == "--count") o.count = true;
        else if (name == "--quiet") o.quiet = true;
        else if (name == "--verbose") o.verbose = true;
        else if (name == "--progress") o.progress = true;
        else if (name == "--notify") o.notify = true;
        else if (name == "--no-notify") o.notify = false;
        else if (name == "--record-history") o.recordHistory = true;
        else if (name == "--diff") o.diff = true;
        else if (name == "-e") o.steps.push_back({kk::lists::RecipeStep::Kind::Command, *value, false});
        else if (name == "--convert") o.steps.push_back({kk::lists::RecipeStep::Kind::Conversion, *value, false});
        else if (name == "--recipe") o.recipe = *value;
        else if (name == "--run") {
            o.run = *value;
            o.clipboard = true;
        }
        else if (name == "--recipe-file") o.recipeFile = *value;
        else if (name == "--list-recipes") o.listRecipes = true;
        else if (name == "--timeout") {
            char* end = nullptr;
            const double seconds = std::strtod(value->c_str(), &end);
            if (value->empty() || *end || !(seconds > 0) || seconds > 3600) return usage(message(Msg::CliBadTimeout, *value));
            o.timeoutMs = static_cast<int>(seconds * 1000);
        }
        else if (name == "--input-encoding") {
            const std::string& v = *value;
            if (v == "auto") o.encoding = kk::InputEncoding::Auto;
            else if (v == "utf-8" || v == "utf8") o.encoding = kk::InputEncoding::Utf8;
            else if (v == "cp932" || v == "shift_jis" || v == "sjis") o.encoding = kk::InputEncoding::Cp932;
            else if (v == "latin1" || v == "iso-8859-1") o.encoding = kk::InputEncoding::Latin1;
            else return usage(message(Msg::CliUnknownEncoding, v));
        }
    }
    if (o.listRecipes) return std::nullopt;
    // Without -e, --convert, --recipe or --count the first argument is the command; the rest are files.
    auto rest = positional.begin();
    if (o.steps.empty() && !o.recipe && !o.count && !o.run && rest != positional.end()) o.command = *rest++;
    o.files.assign(rest, positional.end());
    if (o.clipboard && !o.files.empty()) return usage(message(Msg::CliClipboardTakesNoFile));
    const int modes =
        (o.command ? 1 : 0) + (o.steps.empty() ? 0 : 1) + (o.recipe ? 1 : 0) + (o.count ? 1 : 0) + (o.run ? 1 : 0);
    if (modes != 1) return usage(message(Msg::CliOneMode));
    if (o.command) {
        if (const auto c = kk::regex::classifyCommand(*o.command); c == kk::regex::CommandMode::Filter && o.invert)
            return usage(message(Msg::CliInvertNeedsMatch));
    }
    for (const auto& step : o.steps) {
        if (step.kind == kk::lists::RecipeStep::Kind::Command) {
            if (kk::regex::classifyCommand(step.text) == kk::regex::CommandMode::Filter)
                return usage(message(Msg::CliExpressionNotRegex, step.text));
        } else if (!kk::convert::findConversion(step.text)) {
            std::string near;
            for (const auto& n : kk::convert::closestNames(step.text)) near += (near.empty() ? "" : ", ") + n;
            return usage(message(near.empty() ? Msg::CliUnknownConversion : Msg::CliUnknownConversionNear,
                                 step.text, near));
        }
    }
    if (o.diff && (o.count || o.clipboard)) return usage(message(Msg::CliDiffMode));
    return std::nullopt;
}

// What the runner's threads hand back, run here while a run is awaited.
kk::PostedCalls posted;

// Waits for an operation that ends through its handler, later or at once.
kk::Outcome await(const std::function<void(kk::OutcomeHandler)>& start) {
    std::optional<kk::Outcome> result;
    start([&](const kk::Outcome& o) { result = o; });
    posted.runUntil([&] { return result.has_value(); });
    return *result;
}

}  // namespace

int main(int argc, char** argv) {
    // Messages in Japanese under a Japanese locale, in English otherwise.
    kk::texts::setLanguage(kk::texts::languageFromEnvironment());
    Options o;
    if (const auto exit = parse(argc, argv, o)) return *exit;
    // Ended by a signal, a run leaves neither the user's text on the disk nor
    // its filter running.
    kk::cleanUpOnSignals();

    // Under a desktop key nobody reads standard error: a failure of a
    // clipboard run is also shown as a notification.
    failureNotices = o.notify.value_or(o.clipboard && !::isatty(STDERR_FILENO));
    auto fail = [](const std::string& why) {
        tellFailure(why);
        return kFailed;
    };
    // --run with no name: the window's command line, which only a running window has.
    if (o.run && o.run->empty()) return fail(kk::texts::text(kk::texts::Msg::RunNeedsWindow));
    // The clipboard: a Wayland session's through wl-clipboard (a compositor
    // gives no clipboard to a client without a focused window); X11's over a
    // connection of our own.
    std::unique_ptr<kk::Clipboard> clipboard;
    const kk::InstallLayout layout = kk::InstallLayout::locate(kk::executableDirectory());
    // One command or the count, written to standard output: the model runs
    // over the input where it lies and hands the result on as it is made.
    const bool single = o.command || o.count ||
        (o.steps.size() == 1 && o.steps.front().kind == kk::lists::RecipeStep::Kind::Command);
    const bool streams = single && !o.clipboard && !o.diff && !o.run && !o.listRecipes;
    std::optional<kk::InputBytes> mappedInput;
    std::future<bool> utf8Check;  // whether a text taken as its bytes is all UTF-8
    bool takenAsIs = false;       // the reading decided from the input's start
    std::optional<kk::InputFile> countedFile;  // a count's input, read a piece at a time
    std::string convertedInput;
    std::string_view streamed;
    const std::string inputName = o.files.empty() || o.files.front() == "-" ? "-" : o.files.front();
    // How the input was read is a warning, not a status: --quiet keeps it.
    auto warnDecoded = [&o](kk::DecodedAs as) {
        if (o.encoding == kk::InputEncoding::Auto && as == kk::DecodedAs::Cp932)
            std::cerr << "kakikae-cli: " << kk::texts::text(kk::texts::Msg::CliReadAsCp932) << "\n";
        if (o.encoding == kk::InputEncoding::Auto && as == kk::DecodedAs::Bytes)
            std::cerr << "kakikae-cli: " << kk::texts::text(kk::texts::Msg::CliKeptAsBytes) << "\n";
    };
    const bool wayland = o.clipboard && kk::inWaylandSession();
    if (wayland) {
        if (const std::string missing = kk::WlClipboard::missingTools(); !missing.empty())
            return fail(kk::texts::message(kk::texts::Msg::CliWaylandToolsMissing, missing));
        auto wl = std::make_unique<kk::WlClipboard>();
        wl->setTimeout(o.timeoutMs);
        clipboard = std::move(wl);
    } else if (o.clipboard) {
        // X11 without a toolkit: read over a connection of our own, the
        // result handed straight to the keeper. What a desktop key feels is
        // the time between the key and the paste.
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) return fail(kk::texts::text(kk::texts::Msg::CliNoClipboard));
        auto x11 = kk::X11KeeperClipboard::connect(kk::keeperProgram(layout.helperDir, layout.commandLineTool()));
        if (!x11) return fail(std::string(kk::texts::text(kk::texts::Msg::CliNoClipboard)) + ": " + display);
        x11->setTimeout(o.timeoutMs);
        clipboard = std::move(x11);
    } else if (o.listRecipes) {
        clipboard = std::make_unique<StdinClipboard>(std::string());
    } else if (streams) {
        // Only read and written out: a lone file is mapped, not copied, and
        // the result goes out as it is made.
        std::string failed;
        // The count keeps nothing: a file whose reading its start settles is
        // read a piece at a time where it lies.
        if (o.count) {
            if (auto file = kk::InputFile::open(o.files);
                file && kk::takenAsTheyAre(file->start(std::size_t{64} << 10), o.encoding)) {
                countedFile.emplace(std::move(*file));
                takenAsIs = true;
            }
        }
        if (!countedFile) {
            auto opened = kk::InputBytes::open(
                o.files, &failed, "kakikae-cli: " + kk::texts::message(kk::texts::Msg::CliInputCutShort, inputName) + "\n");
            if (!opened) {
                const std::string why = std::strerror(errno);
                return fail(kk::texts::message(kk::texts::Msg::CliFileUnreadable, failed.empty() ? "-" : failed, why));
            }
            mappedInput.emplace(std::move(*opened));
            if (kk::takenAsTheyAre(mappedInput->view(), o.encoding)) {
                // The text is its bytes whatever the rest holds: the run starts
                // at once, while a worker brings the pages in and finds out
                // whether there is anything to warn of (the count finds that
                // out itself, in the pass it makes anyway).
                streamed = mappedInput->view();
                takenAsIs = true;
                const bool readsItsFile = o.command && mappedInput->file() >= 0 &&
                                          kk::regex::classifyCommand(*o.command) == kk::regex::CommandMode::Filter;
                if (readsItsFile) {
                    // The filter reads the file itself: read it past the
                    // mapping (whose first touch costs more), in the time the
                    // filter leaves the processor idle.
                    utf8Check = std::async(std::launch::async, [fd = mappedInput->file(), size = streamed.size()] {
                        const sched_param idle{};
                        pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
                        int error = 0;
                        return kk::isValidUtf8Read(size, kk::readerOf(fd), error) || error != 0;
                    });
                } else if (!o.count) {
                    utf8Check = std::async(std::launch::async, [&in = *mappedInput] {
                        in.populate();
                        return kk::isValidUtf8(in.view());
                    });
                }
            } else {
                mappedInput->populate();
                const kk::DecodedAs as = kk::decideEncoding(mappedInput->view(), o.encoding, convertedInput);
                warnDecoded(as);
                streamed = as == kk::DecodedAs::Cp932 || as == kk::DecodedAs::Latin1
                               ? std::string_view(convertedInput)
                               : mappedInput->view();
            }
        }
        clipboard = std::make_unique<StdinClipboard>(std::string());
    } else {
        std::string failed;
        // Read into the string the model keeps: the input is in memory once.
        auto bytes = kk::InputBytes::readFiles(o.files, &failed);
        if (!bytes) {
            const std::string why = std::strerror(errno);
            return fail(kk::texts::message(kk::texts::Msg::CliFileUnreadable, failed.empty() ? "-" : failed, why));
        }
        kk::DecodedAs as{};
        std::string text = kk::decodeBytes(std::move(*bytes), o.encoding, &as);
        warnDecoded(as);
        clipboard = std::make_unique<StdinClipboard>(std::move(text));
    }
    kk::LocalFileStore files;
    StderrPrompt prompt;
    NoDesktop desktop;
    kk::PosixProcessRunner processes(posted.poster());
    kk::InlineTaskRunner tasks;
    kk::Services services{
        *clipboard,      files, prompt, desktop, processes, tasks, kk::DataFolder::locate(layout.executableDir),
        layout.helperDir};
    services.recordsHistory = o.recordHistory;
    services.tracksChanges = false;
    services.undoLevels = 0;  // one run, no one to undo it: no text kept for it
    services.recipeFile = o.recipeFile.value_or("");
    // services.filterFolder stays empty: a filter runs in the caller's folder.
    kk::EditorState state(services);
    state.setInvert(o.invert);
    if (o.primary) {
        if (const kk::Outcome p = state.readFromPrimary(true); !p.ok()) return fail(p.message);
    }
    // --run NAME is a recipe's run or, for a favourite, its command's.
    if (o.run) {
        state.reloadLists();
        const auto target = state.shortcutTarget(*o.run);
        if (!target) {
            tellFailure(kk::texts::message(kk::texts::Msg::NoSuchShortcut, *o.run));
            return kUsage;
        }
        if (state.recipeBook().find(*o.run)) o.recipe = *o.run;
        else o.command = target->steps.front().text;
    }
    if (o.recipe || o.listRecipes) {
        if (o.recipeFile && !files.exists(*o.recipeFile))
            return fail(kk::texts::message(kk::texts::Msg::RecipesUnreadable, *o.recipeFile));
        state.loadRecipes();
        // Blocks it could not read are warnings: the other recipes still run.
        for (const auto& p : state.recipeBook().problems())
            std::cerr << "kakikae-cli: " << kk::describeRecipeProblem(state.recipesPath(), p) << "\n";
        if (o.listRecipes) return listRecipes(state.recipeBook(), o.verbose);
        if (!state.recipeBook().find(*o.recipe)) {
            std::cerr << "kakikae-cli: " << kk::texts::message(kk::texts::Msg::NoSuchRecipe, *o.recipe)
                      << " (--list-recipes)\n";
            return kUsage;
        }
    }

    // Long work shows how far it has come on a terminal; the line goes before
    // anything else is written.
    std::optional<kk::cli::ProgressLine> progress;
    if (o.progress || (::isatty(STDERR_FILENO) && !o.quiet))
        progress.emplace([&state] { return state.activeWork(); }, STDERR_FILENO);

    // Silent on success: a failure always speaks, a status line only when asked.
    auto say = [&](const kk::Outcome& outcome) {
        progress.reset();
        if (outcome.message.empty()) return;
        if (outcome.message == prompt.said) {  // on standard error already
            if (!outcome.ok()) notifyFailure(outcome.message);
            return;
        }
        if (!outcome.ok()) tellFailure(outcome.message);
        else if (o.verbose && !o.quiet) std::cerr << "kakikae-cli: " << outcome.message << "\n";
    };
    if (streams) {
        StdoutSink out(mappedInput ? mappedInput->file() : -1);
        kk::Outcome ran;
        if (o.count) {
            bool strayBytes = false;
            ran = await([&](kk::OutcomeHandler done) {
                auto counted = [&, done = std::move(done)](const kk::Outcome& r, const kk::convert::Counts& c) {
                    strayBytes = c.strayBytes;
                    done(r);
                };
                if (countedFile) state.countRead(inputName, countedFile->size(), countedFile->reader(), counted);
                else state.countOver(streamed, counted);
            });
            if (strayBytes && takenAsIs) warnDecoded(kk::DecodedAs::Bytes);
            if (ran.ok() && !out.write(ran.message + "\n")) return fail(kk::texts::text(kk::texts::Msg::CliStdoutUnwritable));
        } else {
            state.setCommandLineFromView(o.command ? *o.command : o.steps.front().text);
            const auto form = o.command ? kk::EditorState::RunForm::Window : kk::EditorState::RunForm::AsItStands;
            // A filter may read the file itself when the text is its bytes as they are.
            const int file = streamed.data() == mappedInput->view().data() ? mappedInput->file() : -1;
            ran = await([&](kk::OutcomeHandler done) { state.runOver(streamed, out, std::move(done), form, file); });
        }
        progress.reset();
        if (utf8Check.valid() && !utf8Check.get()) warnDecoded(kk::DecodedAs::Bytes);
        // A file changed in place while it was read gives no output to trust.
        if (countedFile ? countedFile->changed() : mappedInput->changedSinceMapped()) return fail(kk::texts::message(kk::texts::Msg::CliInputChanged, inputName));
        if (!ran.ok()) {
            say(ran);
            return kFailed;
        }
        if (!o.count) say(ran);
        return kOk;
    }
    kk::Outcome outcome = await([&](kk::OutcomeHandler done) { state.loadClipboard(std::move(done)); });
    if (!outcome.ok()) {
        say(outcome);
        return kFailed;
    }
    const kk::SharedText input = state.sharedWorkingText();
    if (o.command) {
        state.setCommandLineFromView(*o.command);
        outcome = await([&](kk::OutcomeHandler done) { state.run(std::move(done)); });
    } else if (o.recipe) {
        outcome = await([&](kk::OutcomeHandler done) { state.runRecipe(*o.recipe, std::move(done)); });
    } else if (o.count) {
        outcome = await([&](kk::OutcomeHandler done) { state.countCharacters(std::move(done)); });
        if (outcome.ok()) {
            progress.reset();
            std::cout << outcome.message << "\n";
            std::cout.flush();
            return std::cout.good() ? kOk : fail(kk::texts::text(kk::texts::Msg::CliStdoutUnwritable));
        }
    } else {
        for (const auto& step : o.steps) {
            if (step.kind == kk::lists::RecipeStep::Kind::Conversion) {
                outcome = await([&](kk::OutcomeHandler done) { state.runConversion(step.text, std::move(done)); });
            } else {
                state.setCommandLineFromView(step.text);
                outcome = await([&](kk::OutcomeHandler done) {
                    state.run(std::move(done), kk::EditorState::RunForm::AsItStands);
                });
            }
            if (!outcome.ok()) break;
        }
    }
    if (!outcome.ok()) {
        say(outcome);
        return kFailed;
    }
    // The status line is said only once the result is out.
    const kk::Outcome ran = outcome;
    progress.reset();

    if (o.clipboard) {
        outcome = await([&](kk::OutcomeHandler done) { state.copyBack(std::move(done)); });
        if (!outcome.ok()) {
            say(outcome);
            return kFailed;
        }
        // The copy-back outlives us: on X11 a copy of us and then the keeper
        // took it, on Wayland wl-copy's own server.
        say(ran);
        // A desktop key's run by name tells its result too: there is no window to look at.
        if (o.run && failureNotices) notify(kk::runTitle(*o.run), ran.message, false);
        return kOk;
    }
    if (o.diff) {
        const bool colour = ::isatty(STDOUT_FILENO) && !std::getenv("NO_COLOR");
        std::string what = o.command ? *o.command : o.recipe ? "--recipe " + *o.recipe : std::string();
        for (const auto& step : o.steps) what += (what.empty() ? "" : " ") + step.written();
        if (!kk::writeAll(stdout,
                          kk::diff::unifiedDiff(*input, state.workingText(), "input", "result (" + what + ")", colour)))
            return fail(kk::texts::text(kk::texts::Msg::CliStdoutUnwritable));
        say(ran);
        return kOk;
    }
    if (!kk::writeAll(stdout, state.workingText())) return fail(kk::texts::text(kk::texts::Msg::CliStdoutUnwritable));
    say(ran);
    return kOk;
}
