// Start-up, clipboard and views, the run command and the lists, over ports.
#include "app/editor_state.h"

#include "app/texts.h"
#include "convert/case_width.h"
#include "convert/duplicates.h"
#include "convert/kana_width.h"
#include "convert/mod_nkf32.h"
#include "convert/reverse_count.h"
#include "filter/filter_runner.h"
#include "lists/favourite.h"
#include "lists/list_file.h"
#include "platform/find_program.h"
#include "platform/text_codec.h"
#include "regex/operations.h"

#include <cstdio>
#include <map>

namespace kk {

bool passesCommandCheck(std::string_view command) {
    if (command == texts::kInitialCommand) return false;
    const std::int64_t slashes = regex::CountString(command, "/");
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

EditorState::EditorState(Services services) : services_(std::move(services)) {
    commandLine_ = texts::kInitialCommand;
}

EditorState::~EditorState() {
    if (cancelFlag_) cancelFlag_->store(true);
}

void EditorState::notify(unsigned changes) {
    if (observer_ && changes) observer_(changes);
}

void EditorState::setStatus(std::string status) {
    status_ = std::move(status);
    notify(Status);
}

void EditorState::setBusy(bool busy) {
    busy_ = busy;
    notify(Busy);
}

void EditorState::setInvert(bool on) {
    invert_ = on;
    notify(Invert);
}

void EditorState::markChanged() {
    if (changed_) return;
    changed_ = true;
    notify(ChangedMark);
}

// ---- start-up ---------------------------------------------------------------

void EditorState::formLoad() {
    checkListFileSizes();
    // The start-up text is the same plain text just loaded: a second read of
    // a 20 MB clipboard over X would double the start-up time.
    loadClipboard([this](bool) { startClip_ = workingText_; });
    loadList(historyPath(), history_, History, true);
    loadList(favouritesPath(), favourites_, Favourites, false);
    commandLine_ = texts::kInitialCommand;
    notify(CommandLine);
}

void EditorState::checkListFileSizes() {
    constexpr std::int64_t kLimit = 50'000;
    const std::int64_t h = services_.files.size(historyPath());
    const std::int64_t f = services_.files.size(favouritesPath());
    const std::string rest =
        "\r\n整理すると起動が速くなります。\r\nkakikaeを起動してからOptionでも編集できます\r\n整理しますか？";
    const struct { std::int64_t size; const char* first; const char* name; } files[] = {
        {h, "履歴ファイルのサイズが50Kを超えています。", kHistoryFileName},
        {f, "お気まきの表現ファイルのサイズが50Kを超えています。", kFavouritesFileName},
    };
    for (const auto& file : files) {
        if (file.size < kLimit) continue;
        const auto answer = services_.prompt.ask(std::string(file.first) + rest, "", Prompt::Icon::Exclamation,
                                                 Prompt::Buttons::YesNo);
        if (answer != Prompt::Answer::Yes) continue;
        openListFile(file.name);
        services_.prompt.ask(texts::kEditDoneHold, "", Prompt::Icon::None, Prompt::Buttons::Ok);
    }
}

void EditorState::openListFile(const std::string& name) {
    const std::string path = services_.folder.file(name);
    // A list that was never written still opens, as an empty file.
    if (!services_.files.exists(path)) {
        services_.files.makeFolder(services_.folder.path());
        services_.files.append(path, "");
    }
    auto openAssociated = [&] {
        if (!services_.desktop.openPath(path))
            services_.prompt.ask("エディタで開けませんでした: " + path, "", Prompt::Icon::Exclamation, Prompt::Buttons::Ok);
    };
    constexpr std::int64_t kEditorLimit = 64'000;
    const bool modern = !services_.family || services_.family->isNtPlatform();
    if (services_.files.size(path) < kEditorLimit || modern) {
        openAssociated();
        return;
    }
    const auto answer = services_.prompt.ask(
        "ファイルサイズが64Kを超えています。wordpadで開きますか？\r\n"
        "Noを選択すると関連づけられたエディタで開きます。\r\n"
        "ただし､64K以上を編集できないエディタだと落ちる可能性があります｡ ",
        "", Prompt::Icon::Exclamation, Prompt::Buttons::YesNoCancel);
    if (answer == Prompt::Answer::No) {
        openAssociated();
    } else if (answer == Prompt::Answer::Yes) {
        const std::string wordpad = wordpadPath();
        if (!wordpad.empty()) services_.desktop.startProgram(wordpad, {path});
    }
}

std::string EditorState::wordpadPath() {
    constexpr std::uint32_t kClassesRoot = 0x80000000u;
    std::optional<std::string> w;
    if (services_.registry)
        w = services_.registry->readString(kClassesRoot, "Wordpad.Document.1\\Protocol\\StdFileEditing\\Server", "");
    if (!w || w->empty()) {
        services_.prompt.ask("wordpadがインストールされているか確認してください。", "Error!", Prompt::Icon::None,
                             Prompt::Buttons::Ok);
        return {};
    }
    return *w;
}

void EditorState::startSystemInfo() {
    // The desktops' own system-information programs, the first one present.
    for (const char* program : {"gnome-system-monitor", "kinfocenter", "hardinfo", "xfce4-taskmanager", "lxtask"}) {
        const std::string path = findProgramOnPath(program);
        if (path.empty()) continue;
        if (services_.desktop.startProgram(path, {})) return;
        break;
    }
    services_.prompt.ask("現時点ではｼｽﾃﾑ情報を使用できません", "", Prompt::Icon::None, Prompt::Buttons::Ok);
}

void EditorState::openHomePage() { services_.desktop.openUrl(texts::kHomePage); }

void EditorState::openDataFolder() {
    services_.files.makeFolder(services_.folder.path());
    services_.desktop.openPath(services_.folder.path());
}

void EditorState::openHelp() {
    // The help page ships next to the program.
    services_.desktop.openPath(services_.helperDirectory + "/" + texts::kHelpFileName);
}

// ---- clipboard and views ----------------------------------------------------

void EditorState::loadClipboard(std::function<void(bool)> then) {
    auto done = [then](bool ok) { if (then) then(ok); };
    if (busy_) return done(false);
    auto maker = services_.clipboard.snapshotText();
    if (!maker) {
        setStatus(texts::kClipboardUnreadable);
        return done(false);
    }
    auto text = std::make_shared<Text>();
    setStatus(texts::kStatusLoading);  // a big text takes a moment
    runBusy([text, make = std::move(*maker)] { *text = make(); },
            [this, text, done] {
                workingText_ = share(std::move(*text));
                status_ = texts::kStatusClipboard;
                changed_ = false;
                notify(WorkingText | Status | ChangedMark);
                done(true);
            },
            [done] { done(false); });
}

void EditorState::copyBack(std::function<void(bool)> then) {
    auto done = [then](bool ok) { if (then) then(ok); };
    if (busy_) return done(false);
    auto writer = std::make_shared<Clipboard::TextWriter>();
    Clipboard& clipboard = services_.clipboard;
    runBusy(
        [writer, &clipboard, text = workingText_] { *writer = clipboard.prepareText(*text); },
        [this, writer, done] {
            if (!(*writer)()) {
                setStatus(texts::kClipboardUnwritable);
                return done(false);
            }
            status_ = texts::kStatusClipboard;
            changed_ = false;
            notify(Status | ChangedMark);
            done(true);
        },
        [done] { done(false); });
}

void EditorState::showStartClip() {
    workingText_ = startClip_;
    status_ = texts::kStatusStartClip;
    notify(WorkingText | Status);
}

void EditorState::showBefore() {
    workingText_ = beforeText_;
    status_ = texts::kStatusBefore;
    changed_ = false;
    notify(WorkingText | Status | ChangedMark);
}

void EditorState::showAfter() {
    workingText_ = afterText_;
    status_ = texts::kStatusAfter;
    changed_ = false;
    notify(WorkingText | Status | ChangedMark);
}

// ---- running a command ------------------------------------------------------

void EditorState::outTotxtBox(Text text) {
    workingText_ = share(std::move(text));
    status_ = texts::kStatusAfter;
    changed_ = false;
    afterText_ = workingText_;
    notify(WorkingText | Status | ChangedMark);
}

void EditorState::run(std::function<void()> finished) {
    if (busy_) return;
    const Text command = commandLine_;
    const CommandMode mode = classifyCommand(command);
    if (mode != CommandMode::Filter && !passesCommandCheck(command)) {
        services_.prompt.ask(texts::kCheckCommand, "", Prompt::Icon::Error, Prompt::Buttons::Ok);
        if (finished) finished();
        return;
    }
    // The text the run starts from; it becomes the before text at the end.
    const SharedText start = workingText_;
    const std::string statusBefore = status_;
    setStatus(texts::kStatusRunning);
    setBusy(true);
    cancelFlag_ = std::make_shared<std::atomic<bool>>(false);

    if (mode == CommandMode::Filter) {
        startFilter(filter::FilterForm::General, command, *start, [this, command, start, finished](TextResult r) {
            finishRun(command, start, std::move(r));
            if (finished) finished();
        });
        return;
    }

    const bool anchored = mode == CommandMode::Substitute && isLineAnchored(command);
    const int invert = invert_ ? 1 : 0;
    auto result = std::make_shared<TextResult>(Text());
    auto flag = cancelFlag_;
    services_.tasks.run(
        [=] {
            const regex::CancelFlag c = flag.get();
            switch (mode) {
                case CommandMode::Substitute:
                    *result = anchored ? regex::crdelSed(command, *start, c) : regex::xRep(command, *start, c);
                    break;
                case CommandMode::Translate: *result = regex::xtrans(command, *start, c); break;
                case CommandMode::Match: *result = regex::xmatch(command, *start, invert, c); break;
                case CommandMode::Filter: break;
            }
        },
        [this, result, command, start, statusBefore, finished] {
            if (result->ok()) {
                finishRun(command, start, std::move(*result));
            } else {
                // The text stays; the user reads what is wrong with the command.
                setBusy(false);
                setStatus(statusBefore);
                if (result->error().message != regex::kCancelledMessage)
                    services_.prompt.ask(result->error().message, "", Prompt::Icon::Error, Prompt::Buttons::Ok);
                else
                    setStatus(filter::kFilterCancelled);
            }
            if (finished) finished();
        });
}

void EditorState::startFilter(filter::FilterForm form, const std::string& command, const Text& text,
                              std::function<void(TextResult)> done) {
    // The child works in the data folder; when that cannot be made, it still
    // runs, in our own working folder.
    const std::string folder = services_.files.makeFolder(services_.folder.path()) ? services_.folder.path() : std::string();
    filter::FilterSetup setup{folder, services_.helperDirectory, services_.maxFilterOutputBytes};
    auto job = filter::prepareFilter(form, command, text, setup);
    if (!job) {
        done(job.error());
        return;
    }
    auto shared = std::make_shared<filter::FilterJob>(std::move(job.value()));
    services_.processes.start(shared->request, [shared, done = std::move(done)](ProcessOutcome o) {
        done(filter::collectFilterResult(*shared, o));
    });
}

void EditorState::finishRun(const Text& command, SharedText start, TextResult result) {
    busy_ = false;
    if (!result.ok()) {
        // A failed filter keeps the working text and the remembered texts;
        // the command still goes into the history, to be fixed and rerun.
        recordHistory(command);
        status_ = result.error().message;
        notify(Busy | Status);
        return;
    }
    beforeText_ = std::move(start);
    workingText_ = share(std::move(result).value());
    status_ = texts::kStatusAfter;
    changed_ = false;
    afterText_ = workingText_;
    recordHistory(command);
    status_ = texts::kStatusDone;
    notify(Busy | WorkingText | Status | ChangedMark);
}

void EditorState::oneShot() {
    if (busy_) return;
    // Without the clipboard's text there is nothing to run over, nor a place
    // for the result.
    loadClipboard([this](bool loaded) {
        if (!loaded) return;
        run([this] {
            // A run that failed keeps its message on the status line after the
            // copy-back, so the user is not told only that the clipboard is set.
            const std::string outcome = status_;
            copyBack([this, outcome](bool copied) {
                if (copied && outcome != texts::kStatusDone) setStatus(outcome);
            });
        });
    });
}

void EditorState::cancel() {
    if (!busy_) return;
    if (cancelFlag_) cancelFlag_->store(true);
    services_.processes.cancel();
}

// ---- built-in conversions -------------------------------------------------------

void EditorState::runBusy(std::function<void()> work, std::function<void()> done,
                          std::function<void()> cancelled) {
    auto flag = std::make_shared<std::atomic<bool>>(false);
    cancelFlag_ = flag;
    setBusy(true);
    services_.tasks.run(std::move(work), [this, flag, done = std::move(done), cancelled = std::move(cancelled)] {
        setBusy(false);
        if (!flag->load()) return done();
        setStatus(filter::kFilterCancelled);
        if (cancelled) cancelled();
    });
}

void EditorState::runTextTask(std::function<void(const Text&)> work, std::function<void(const SharedText&)> done) {
    if (busy_) return;
    const SharedText start = workingText_;
    runBusy([start, work = std::move(work)] { work(*start); }, [start, done = std::move(done)] { done(start); });
}

namespace {

using Conversion = TextResult (*)(std::string_view);
template <Text (*F)(std::string_view)>
TextResult always(std::string_view text) { return F(text); }

// A width step, then its fix-up replace for the backslash and "￥".
template <Text (*F)(std::string_view), const char* FixUp>
TextResult withFixUp(std::string_view text) { return regex::xsed(FixUp, F(text)); }
constexpr char kYenToBackslash[] = "s/￥/\\\\/gk";  // the replacement is an escaped backslash
constexpr char kBackslashToYen[] = "s/\\\\/￥/gk";  // the pattern is an escaped backslash

struct ConversionStep {
    Conversion convert = nullptr;    // a text operation, or
    const char* filter = nullptr;    // a filter command
    bool sortForm = false;           // run by the sort form of the filter runner
};

// The dispatcher's labels and what each one runs.
const ConversionStep* conversionFor(const std::string& label) {
    static const std::map<std::string, ConversionStep> table = {
        {texts::kConvHalfToFullKana, {&always<convert::hankakuToZenkaku2>}},
        {texts::kConvFullToHalfKana, {&always<convert::zenkakuToHankaku>}},
        {texts::kConvToHalf, {&withFixUp<convert::toHalfWidth, kYenToBackslash>}},
        {texts::kConvToFull, {&withFixUp<convert::toFullWidth, kBackslashToYen>}},
        {texts::kConvWordCapitals, {&always<convert::toWordCapitals>}},
        {texts::kConvUpper, {&always<convert::toUpperCase>}},
        {texts::kConvLower, {&always<convert::toLowerCase>}},
        {texts::kConvHiraToKata, {&always<convert::hiraganaToKatakana>}},
        {texts::kConvKataToHira, {&always<convert::katakanaToHiragana>}},
        {texts::kConvReverse, {&always<convert::xrev>}},
        {texts::kConvMime, {&always<convert::mimeDecode>}},
        {texts::kConvMimeBroken, {&always<convert::mimeDecodeBroken>}},
        {texts::kConvMimeQuoted, {&convert::mimeDecodeQuotedPrintable}},
        {"昇順ソート", {nullptr, "sort", true}},
        {"降順ソート", {nullptr, "sort /r", true}},
        {"昇順ソートn", {nullptr, "sortf -n -s"}},
        {"降順ソートn", {nullptr, "sortf -n -r -s"}},
        {"sortf_J_a", {nullptr, "sortf -J -b -s"}},
        {"sortf_J_d", {nullptr, "sortf -J -b -s -r"}},
        {"uniq_n", {nullptr, "uniq"}},
        {"uniq_d", {nullptr, "uniq -d"}},
        {"uniq_dc", {nullptr, "uniq -dc"}},
    };
    const auto it = table.find(label);
    return it == table.end() ? nullptr : &it->second;
}

}  // namespace

bool isConversionLabel(const std::string& label) { return conversionFor(label) != nullptr; }

void EditorState::runConversion(const std::string& label) {
    const ConversionStep* step = conversionFor(label);
    if (!step) {
        std::fprintf(stderr, "kakikae: no conversion is labelled \"%s\"\n", label.c_str());
        return;
    }
    if (workingText_->empty() || busy_) return;
    setStatus(texts::kStatusRunning);
    // The text and the remembered texts stay when a step fails; the status says why.
    auto finish = [this](const SharedText& start, TextResult result) {
        if (!result.ok()) {
            setStatus(result.error().message);
            return;
        }
        beforeText_ = start;
        outTotxtBox(std::move(result).value());
        setStatus(texts::kStatusDone);
    };
    if (step->filter) {
        const SharedText start = workingText_;
        setBusy(true);
        cancelFlag_.reset();
        startFilter(step->sortForm ? filter::FilterForm::Sort : filter::FilterForm::General, step->filter, *start,
                    [this, start, finish](TextResult r) {
                        setBusy(false);
                        finish(start, std::move(r));
                    });
        return;
    }
    const Conversion convert = step->convert;
    auto result = std::make_shared<TextResult>(Text());
    runTextTask([convert, result](const Text& text) { *result = convert(text); },
                [result, finish](const SharedText& start) { finish(start, std::move(*result)); });
}

void EditorState::runDuplicates(bool extracting) {
    auto result = std::make_shared<convert::DuplicateResult>();
    runTextTask(
        [extracting, result](const Text& text) {
            *result = extracting ? convert::exJufuku(text) : convert::delJufuku(text);
        },
        [this, extracting, result](const SharedText& start) {
            using Outcome = convert::DuplicateResult::Outcome;
            if (result->outcome == Outcome::Found) {
                afterText_ = share(std::move(result->output));
                beforeText_ = start;
                workingText_ = afterText_;
                changed_ = false;
                notify(WorkingText | ChangedMark);
            }
            setStatus(convert::duplicateStatus(*result, extracting));
        });
}

void EditorState::deleteDuplicates() { runDuplicates(false); }
void EditorState::extractDuplicates() { runDuplicates(true); }

void EditorState::countCharacters() {
    auto counts = std::make_shared<convert::Counts>();
    runTextTask([counts](const Text& text) { *counts = convert::countText(text); },
                [this, counts](const SharedText&) { setStatus(convert::countStatus(*counts)); });
}

// ---- lists --------------------------------------------------------------------

void EditorState::recordHistory(const Text& command) {
    if (!lists::shouldRecordInHistory(history_, command)) return;
    history_.insert(history_.begin(), command);
    notify(History);
    if (lists::fitsHistoryFile(command)) {
        services_.files.makeFolder(services_.folder.path());
        // The entry stays in the list either way; a file that cannot be
        // written (a full disk, a read-only folder) is said once a session.
        if (!services_.files.append(historyPath(), lists::encodeListEntry(command)) && !historyWarned_) {
            historyWarned_ = true;
            services_.prompt.ask("履歴ファイルに書き込めませんでした。履歴はこの起動の間だけ残ります: " + historyPath(), "",
                                 Prompt::Icon::Exclamation, Prompt::Buttons::Ok);
        }
    }
}

void EditorState::loadList(const std::string& path, std::vector<Text>& list, unsigned change,
                           bool clearsCommandLine) {
    if (path.empty() || !services_.files.exists(path)) return;
    // A list is a few thousand lines; a file of gigabytes is something else
    // that landed under the name, and reading it would stall or exhaust us.
    constexpr std::int64_t kMaxListBytes = 64LL << 20;
    if (const std::int64_t size = services_.files.size(path); size > kMaxListBytes) {
        setStatus("一覧ファイルが大きすぎるので読み込みませんでした (" + std::to_string(size >> 20) + " MB): " + path);
        return;
    }
    auto bytes = services_.files.readAll(path);
    if (!bytes) {
        setStatus("一覧ファイルを読めませんでした: " + path);
        return;
    }
    list = lists::newestFirst(lists::parseListFile(*bytes));
    if (clearsCommandLine) {
        commandLine_.clear();
        change |= CommandLine;
    }
    notify(change);
}

void EditorState::addFavourite() {
    const Text entry = commandLine_;
    services_.files.makeFolder(services_.folder.path());
    const bool written = services_.files.append(favouritesPath(), lists::encodeListEntry(entry));
    favourites_.insert(favourites_.begin(), entry);
    notify(Favourites);
    if (!written)
        services_.prompt.ask("おきまりファイルに書き込めませんでした: " + favouritesPath(), "", Prompt::Icon::Error,
                             Prompt::Buttons::Ok);
}

void EditorState::chooseFavourite(const Text& entry) {
    commandLine_ = lists::stripFavouriteComments(entry);
    notify(CommandLine);
}

void EditorState::reloadLists() {
    loadList(historyPath(), history_, History, false);
    commandLine_ = texts::kInitialCommand;
    notify(CommandLine);
    loadList(favouritesPath(), favourites_, Favourites, false);
}

}  // namespace kk
