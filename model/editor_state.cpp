// Start-up, clipboard and views, the run command, undo and the lists, over
// ports. Previews, conversions and recipes have files of their own.
#include "model/editor_state.h"
#include "model/steps.h"

#include "diff/line_diff.h"
#include "filter/filter_runner.h"
#include "lists/favourite.h"
#include "lists/list_file.h"
#include "platform/find_program.h"
#include "regex/operations.h"
#include "texts/texts.h"

#include <new>
#include <set>

namespace kk {

EditorState::EditorState(Services services) : services_(std::move(services)) { commandLine_ = names::kInitialCommand; }

EditorState::~EditorState() {
    if (work_) work_->cancel();
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
    if (!busy) activeWork_.store(nullptr);
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

void EditorState::formLoad(ClipboardAtStart when) {
    checkListFileSizes();
    if (when == ClipboardAtStart::Now) loadStartClipboard();
    else setStatus(texts::text(texts::Msg::StatusLoading));  // never "loaded" before the text is here
    loadList(historyPath(), history_, History, true);
    loadList(favouritesPath(), favourites_, Favourites, false);
    loadRecipes();
    commandLine_ = names::kInitialCommand;
    notify(CommandLine);
}

void EditorState::loadStartClipboard(OutcomeHandler done) {
    // The start-up text is the same plain text just loaded: a second read of
    // a 20 MB clipboard over X would double the start-up time.
    loadClipboard([this, done = std::move(done)](const Outcome& o) {
        startClip_ = workingText_;
        if (done) done(o);
    });
}

void EditorState::checkListFileSizes() {
    constexpr std::int64_t kLimit = 50'000;
    const std::int64_t h = services_.files.size(historyPath());
    const std::int64_t f = services_.files.size(favouritesPath());
    const struct {
        std::int64_t size;
        texts::Msg first;
        const char* name;
    } files[] = {
        {h, texts::Msg::HistoryTooBig, kHistoryFileName},
        {f, texts::Msg::FavouritesTooBig, kFavouritesFileName},
    };
    for (const auto& file : files) {
        if (file.size < kLimit) continue;
        const auto answer = services_.prompt.ask(texts::message(texts::Msg::ListFileTooBigAsk, texts::text(file.first)),
                                                 "", Prompt::Icon::Exclamation, Prompt::Buttons::YesNo);
        if (answer != Prompt::Answer::Yes) continue;
        openListFile(file.name);
        services_.prompt.ask(texts::text(texts::Msg::EditDoneHold), "", Prompt::Icon::None, Prompt::Buttons::Ok);
    }
}

void EditorState::openListFile(const std::string& name) {
    const std::string path = services_.folder.file(name);
    // A list that was never written still opens, as an empty file.
    if (!services_.files.exists(path)) {
        services_.files.makeFolder(services_.folder.path());
        services_.files.append(path, "");
    }
    if (!services_.desktop.openPath(path))
        services_.prompt.ask(texts::message(texts::Msg::EditorDidNotOpen, path), "", Prompt::Icon::Exclamation,
                             Prompt::Buttons::Ok);
}

void EditorState::startSystemInfo() {
    // The desktops' own system-information programs, the first one present.
    for (const char* program : {"gnome-system-monitor", "kinfocenter", "hardinfo", "xfce4-taskmanager", "lxtask"}) {
        const std::string path = findProgramOnPath(program);
        if (path.empty()) continue;
        if (services_.desktop.startProgram(path, {})) return;
        break;
    }
    services_.prompt.ask(texts::text(texts::Msg::NoSystemInfo), "", Prompt::Icon::None, Prompt::Buttons::Ok);
}

// Whatever opens something outside says so when nothing opened it.
void EditorState::openOutside(bool opened, const std::string& what) {
    if (!opened)
        services_.prompt.ask(texts::message(texts::Msg::CouldNotOpen, what), "", Prompt::Icon::Exclamation,
                             Prompt::Buttons::Ok);
}

void EditorState::openHomePage() {
    if (services_.homePage.empty()) return openHelp();
    openOutside(services_.desktop.openUrl(services_.homePage), services_.homePage);
}

void EditorState::openDataFolder() {
    services_.files.makeFolder(services_.folder.path());
    openOutside(services_.desktop.openPath(services_.folder.path()), services_.folder.path());
}

void EditorState::openHelp() {
    const std::string& dir = services_.docDirectory.empty() ? services_.helperDirectory : services_.docDirectory;
    const std::string page = dir + "/" + names::kHelpFileName;
    openOutside(services_.desktop.openPath(page), page);
}

// ---- outcomes and busy work ----------------------------------------------------

void EditorState::finish(Outcome outcome, const OutcomeHandler& done, unsigned changes) {
    status_ = outcome.statusLine.empty() ? outcome.message : outcome.statusLine;
    if (!undoNote_.empty()) {
        status_ += undoNote_;
        undoNote_.clear();
    }
    lastOutcome_ = outcome;
    notify(changes | Status | Ended);
    if (done) done(outcome);
}


std::shared_ptr<Work> EditorState::beginBusy(std::uint64_t total) {
    auto flag = std::make_shared<Work>();
    flag->setTotal(total);
    work_ = flag;
    activeWork_.store(flag);
    setBusy(true);
    return flag;
}

void EditorState::runBusy(std::uint64_t total, std::function<Finisher(const Work&)> work, OutcomeHandler done) {
    auto flag = beginBusy(total);
    auto finisher = std::make_shared<Finisher>();
    auto failure = std::make_shared<std::string>();
    services_.tasks.run(
        [flag, finisher, failure, work = std::move(work)] {
            // Whatever goes wrong in the work, the working text stays.
            try {
                *finisher = work(*flag);
            } catch (const std::bad_alloc&) {
                *failure = texts::text(texts::Msg::OutOfMemory);
            } catch (const std::exception& e) { *failure = texts::message(texts::Msg::WorkFailed, e.what()); }
            flag->finish();
        },
        [this, flag, finisher, failure, done = std::move(done)] {
            busy_ = false;
            activeWork_.store(nullptr);
            if (flag->cancelled()) return finish(Outcome::cancelled(texts::text(texts::Msg::Cancelled)), done, Busy);
            if (!failure->empty() || !*finisher) return finish(Outcome::failed(*failure), done, Busy);
            Outcome outcome;
            try {
                outcome = (*finisher)();
            } catch (const std::bad_alloc&) { outcome = Outcome::failed(texts::text(texts::Msg::OutOfMemory)); }
            finish(std::move(outcome), done, Busy);
        });
}

void EditorState::conclude(Outcome outcome, const OutcomeHandler& done) {
    lastOutcome_ = outcome;
    notify(Ended);
    if (done) done(outcome);
}

void EditorState::refuseWhileBusy(const OutcomeHandler& done) {
    conclude(Outcome::refused(texts::text(texts::Msg::Busy)), done);
}

// ---- clipboard and views ----------------------------------------------------

void EditorState::loadClipboard(OutcomeHandler done) {
    if (busy_) return refuseWhileBusy(done);
    auto maker = services_.clipboard.snapshotText();
    if (!maker) {
        const std::string why = services_.clipboard.failureReason();
        return finish(Outcome::failed(why.empty() ? texts::text(texts::Msg::ClipboardUnreadable) : why), done);
    }
    setStatus(texts::text(texts::Msg::StatusLoading));  // a big text or a slow owner takes a moment
    runBusy(kUnknownTotal,  // the owner's size is not known before it has sent it all
        [this, make = std::move(*maker)](const Work&) -> Finisher {
            auto text = std::make_shared<Text>(make());
            // Asked after the read, which is what finds it out.
            const bool holdsText = services_.clipboard.holdsText();
            const bool replaced = services_.clipboard.textHadReplacements();
            return [this, text, holdsText, replaced, primary = readsPrimary_] {
                const texts::Msg loaded = primary ? texts::Msg::StatusPrimary : texts::Msg::StatusClipboard;
                replaceWorkingText(share(std::move(*text)), {});
                changed_ = false;
                notify(WorkingText | ChangedMark);
                // Something that is no text (an image) reads as nothing: a
                // one-shot must not copy over it. The status line reads as
                // for any load.
                if (!holdsText) {
                    Outcome noText = Outcome::refused(
                        texts::text(primary ? texts::Msg::PrimaryHoldsNoText : texts::Msg::ClipboardHoldsNoText));
                    noText.statusLine = texts::text(loaded);
                    return noText;
                }
                if (replaced) return Outcome::done(texts::text(texts::Msg::ClipboardHadReplacements));
                return Outcome::done(texts::text(loaded));
            };
        },
        std::move(done));
}

Outcome EditorState::readFromPrimary(bool on) {
    const bool taken = services_.clipboard.readFrom(on ? Clipboard::Source::Primary : Clipboard::Source::Clipboard);
    readsPrimary_ = on && taken;
    if (taken) return Outcome::done({});
    services_.clipboard.readFrom(Clipboard::Source::Clipboard);
    Outcome o = Outcome::refused(texts::text(texts::Msg::PrimaryUnavailable));
    setStatus(o.message);
    return o;
}

void EditorState::copyBack(OutcomeHandler done) {
    if (busy_) return refuseWhileBusy(done);
    Clipboard& clipboard = services_.clipboard;
    runBusy(kUnknownTotal,  // handed over in one piece: only the time it takes is known
        [this, &clipboard, text = workingText_](const Work&) -> Finisher {
            auto writer = std::make_shared<Clipboard::TextWriter>(clipboard.prepareText(*text));
            return [this, writer] {
                if (!(*writer)()) return Outcome::failed(texts::text(texts::Msg::ClipboardUnwritable));
                changed_ = false;
                notify(ChangedMark);
                return Outcome::done(texts::text(texts::Msg::StatusClipboard));
            };
        },
        std::move(done));
}

void EditorState::showStartClip() {
    workingText_ = startClip_;
    status_ = texts::text(texts::Msg::StatusStartClip);
    notify(WorkingText | Status);
}

void EditorState::showBefore() {
    workingText_ = beforeText_;
    status_ = texts::text(texts::Msg::StatusBefore);
    changed_ = false;
    notify(WorkingText | Status | ChangedMark);
}

void EditorState::showAfter() {
    workingText_ = afterText_;
    status_ = texts::text(texts::Msg::StatusAfter);
    changed_ = false;
    notify(WorkingText | Status | ChangedMark);
}

// ---- running a command ------------------------------------------------------

void EditorState::outTotxtBox(Text text, diff::ChangeMap changes) {
    outTotxtBox(share(std::move(text)), std::move(changes));
}

void EditorState::outTotxtBox(SharedText text, diff::ChangeMap changes, Steps steps) {
    replaceWorkingText(std::move(text), std::move(changes), std::move(steps));
    status_ = texts::text(texts::Msg::StatusAfter);
    changed_ = false;
    afterText_ = workingText_;
    notify(WorkingText | Status | ChangedMark);
}

void EditorState::takeResult(SharedText start, SharedText result, diff::ChangeMap changes, Steps steps) {
    beforeText_ = std::move(start);
    outTotxtBox(std::move(result), std::move(changes), std::move(steps));
}

// A text equal to one the model already holds is that one: the same clipboard
// loaded again, or a run that gives what an earlier run gave, costs no second
// copy. Samples spread over the texts rule out most candidates without reading
// them whole, and at most two are compared byte for byte (about 8 ms per 100 MB).
SharedText EditorState::heldCopyOf(SharedText text) const {
    if (text->size() < kShareAtLeastBytes) return text;
    auto samplesAgree = [](const Text& a, const Text& b) {
        constexpr std::size_t kSamples = 16, kLength = 64;
        for (std::size_t i = 0; i <= kSamples; ++i) {
            const std::size_t at = std::min(a.size() - kLength, (a.size() - kLength) / kSamples * i);
            if (a.compare(at, kLength, b, at, kLength) != 0) return false;
        }
        return true;
    };
    std::vector<const SharedText*> held{&workingText_, &startClip_, &beforeText_, &afterText_};
    for (const auto* levels : {&undo_, &redo_})
        for (const UndoLevel& level : *levels) held.push_back(&level.text);
    int compared = 0;
    std::set<const Text*> seen;
    for (const SharedText* h : held) {
        const Text& candidate = **h;
        if (h->get() == text.get() || candidate.size() != text->size() || !seen.insert(h->get()).second) continue;
        if (!samplesAgree(candidate, *text)) continue;
        if (candidate == *text) return *h;
        if (++compared == 2) break;
    }
    return text;
}

void EditorState::replaceWorkingText(SharedText text, diff::ChangeMap changes, Steps steps) {
    text = heldCopyOf(std::move(text));
    if (services_.undoLevels > 0) {
        undo_.push_back({workingText_, std::move(steps)});
        if (undo_.size() > services_.undoLevels) undo_.erase(undo_.begin());
    }
    redo_.clear();
    workingText_ = std::move(text);
    keepUndoWithinBudget();
    setChanges(std::move(changes));
}

// The texts only the undo levels hold, counted once each, stay within the
// larger of Services::undoBudgetBytes and twice the working text: the
// oldest levels go first (a 100 MB clipboard run 25 times would otherwise
// hold 2 GB). The next status line says how many levels are left.
void EditorState::keepUndoWithinBudget() {
    const std::size_t budget = std::max(services_.undoBudgetBytes, 2 * workingText_->size());
    auto held = [this] {
        std::set<const Text*> seen{workingText_.get(), beforeText_.get(), afterText_.get(), startClip_.get()};
        std::size_t bytes = 0;
        for (const auto& level : undo_)
            if (seen.insert(level.text.get()).second) bytes += level.text->size();
        return bytes;
    };
    bool dropped = false;
    while (undo_.size() > 1 && held() > budget) {
        undo_.erase(undo_.begin());
        dropped = true;
    }
    if (dropped) undoNote_ = texts::message(texts::Msg::UndoLevelsKept, std::to_string(undo_.size()));
}

void EditorState::setChanges(diff::ChangeMap changes) {
    lastChanges_ = std::make_shared<const diff::ChangeMap>(std::move(changes));
    notify(Changes);
}

// One step through the runs: the text on `from`'s top comes back, the one it
// replaces goes onto `to`; the status says where in the stack we stand.
void EditorState::stepRuns(std::vector<UndoLevel>& from, std::vector<UndoLevel>& to, const char* said) {
    if (busy_ || from.empty()) return;
    to.push_back({workingText_, std::move(from.back().steps)});
    workingText_ = from.back().text;
    from.pop_back();
    changed_ = false;
    setChanges({});
    status_ = said + std::string(" (") + std::to_string(undo_.size() + 1) + "/" +
              std::to_string(undo_.size() + redo_.size() + 1) + ")";
    notify(WorkingText | Status | ChangedMark);
}

void EditorState::undoRun() { stepRuns(undo_, redo_, texts::text(texts::Msg::Undone)); }
void EditorState::redoRun() { stepRuns(redo_, undo_, texts::text(texts::Msg::Redone)); }

void EditorState::run(OutcomeHandler done, RunForm form) { runCommand(commandLine_, std::move(done), form); }

void EditorState::runOver(std::string_view text, TextSink& sink, OutcomeHandler done, RunForm form, int file) {
    runCommand(commandLine_, std::move(done), form, Outside{text, &sink, file});
}

void EditorState::runCommand(const Text& command, OutcomeHandler done, RunForm form, std::optional<Outside> outside) {
    if (busy_) return refuseWhileBusy(done);
    // Read once, here: the operation takes the parsed command.
    auto read = regex::readCommand(
        command, form == RunForm::Window ? regex::CommandRules::Window : regex::CommandRules::AsItStands);
    if (!read) {
        // Nothing changes but the status line: the message box says what is
        // wrong, and the status line says it after the box is gone (an earlier
        // run's "done" there would read as this one's).
        Outcome o = outcomeOf(read.error());
        services_.prompt.ask(o.message, "", Prompt::Icon::Error, Prompt::Buttons::Ok);
        return finish(std::move(o), done);
    }
    auto parsed = std::make_shared<const regex::ParsedCommand>(std::move(read).value());
    // The text the run starts from; it becomes the before text at the end.
    const SharedText start = workingText_;
    setStatus(texts::text(texts::Msg::StatusRunning));

    if (parsed->mode == CommandMode::Filter) {
        // A failed filter keeps the working text and the remembered texts;
        // the command still goes into the history, to be fixed and rerun.
        return runFilter(
            filter::FilterForm::General, command, [this, command] { recordHistory(command); }, std::move(done),
            {lists::RecipeStep{lists::RecipeStep::Kind::Command, command, false}}, outside);
    }

    const int invert = invert_ ? 1 : 0;
    const std::string_view over = outside ? outside->text : std::string_view(*start);
    TextSink* const sink = outside ? outside->sink : nullptr;
    runBusy(over.size(),
        [this, parsed, invert, start, over, sink, tracks = services_.tracksChanges && !sink](const Work& flag) -> Finisher {
            auto report = std::make_shared<diff::Report>();
            auto unchanged = std::make_shared<bool>(false);
            auto result = std::make_shared<TextResult>(regex::applyCommand(
                *parsed, over, invert, &flag, tracks ? report.get() : nullptr, unchanged.get(), sink));
            // A text the run left as it was goes out as it came.
            if (sink && *result && *unchanged && !sink->write(over)) *result = regex::outputUnwritableError();
            return [this, result, report, unchanged, parsed, start, invert, sink] {
                if (!*result) {
                    Outcome o = outcomeOf(result->error());
                    // The text stays; the message box and then the status
                    // line say what is wrong with the command.
                    if (o.kind == Outcome::Kind::Refused)
                        services_.prompt.ask(o.message, "", Prompt::Icon::Error, Prompt::Buttons::Ok);
                    return o;
                }
                if (sink) {
                    recordHistory(parsed->source);
                    return Outcome::done(texts::text(texts::Msg::StatusDone));
                }
                // Nothing matched: the result is the same text, shared, not copied.
                takeResult(start, *unchanged ? start : share(std::move(*result).value()), std::move(report->changes),
                           {lists::RecipeStep{lists::RecipeStep::Kind::Command, parsed->source,
                                              parsed->mode == CommandMode::Match && invert != 0}});
                recordHistory(parsed->source);
                return Outcome::done(texts::text(texts::Msg::StatusDone));
            };
        },
        std::move(done));
}

void EditorState::runFilter(filter::FilterForm form, const std::string& command, std::function<void()> ended,
                            OutcomeHandler done, Steps steps, std::optional<Outside> outside) {
    const SharedText start = workingText_;
    const auto work = beginBusy(kUnknownTotal);
    TextSink* const sink = outside ? outside->sink : nullptr;
    startFilter(form, command, outside ? outside->text : std::string_view(*start), work.get(),
                [this, start, sink, ended = std::move(ended), done = std::move(done), steps = std::move(steps)](
                    TextResult r, bool written) {
        busy_ = false;
        activeWork_.store(nullptr);
        if (ended) ended();
        // A result for a front that writes it out goes there (unless the
        // filter wrote it there itself); the working text stays.
        if (r && sink && !written && !sink->write(r.value())) r = regex::outputUnwritableError();
        if (!r) return finish(outcomeOf(r.error()), done, Busy);
        if (sink) return finish(Outcome::done(texts::text(texts::Msg::StatusDone)), done, Busy);
        // What changed, by lines; bounded, so a big sort costs a fraction of the run.
        diff::ChangeMap changes = services_.tracksChanges ? diff::lineChanges(*start, r.value()) : diff::ChangeMap();
        takeResult(start, share(std::move(r).value()), std::move(changes), steps);
        finish(Outcome::done(texts::text(texts::Msg::StatusDone)), done, Busy);
    }, outside ? outside->file : -1, sink ? sink->file() : -1);
}

void EditorState::startFilter(filter::FilterForm form, const std::string& command, std::string_view text, WorkLink work,
                              std::function<void(TextResult, bool)> done, int textFile, int outputFile) {
    filter::FilterSetup setup{services_.filterFolder, services_.helperDirectory, services_.maxFilterOutputBytes,
                              textFile, outputFile};
    auto job = filter::prepareFilter(form, command, text, setup);
    if (!job) {
        done(job.error(), false);
        return;
    }
    auto shared = std::make_shared<filter::FilterJob>(std::move(job.value()));
    shared->request.work = work;
    services_.processes.start(shared->request, [shared, done = std::move(done)](ProcessOutcome o) {
        TextResult r = Error{texts::Msg::OutOfMemory, {}, -1, ErrorKind::Fault};
        try {
            r = filter::collectFilterResult(*shared, std::move(o));
        } catch (const std::bad_alloc&) {
            if (shared->outputFile) shared->outputFile->drop();
            shared->written = false;
        }
        shared->dir.reset();  // the user's text goes from the disk as soon as it is read
        done(std::move(r), shared->written);
    });
    // Only once the child is there: no thread of ours is running at its fork.
    filter::followOutput(*shared);
}

void EditorState::oneShot(OutcomeHandler done) {
    loadRunCopy([this](OutcomeHandler ran) { run(std::move(ran)); }, std::move(done));
}

void EditorState::loadRunCopy(std::function<void(OutcomeHandler)> step, OutcomeHandler done) {
    if (busy_) return refuseWhileBusy(done);
    // Without the clipboard's text there is nothing to run over, nor a place
    // for the result: nothing is copied back.
    loadClipboard([this, step = std::move(step), done](const Outcome& loaded) {
        if (!loaded.ok()) return conclude(loaded, done);
        step([this, done](const Outcome& ran) {
            // A run that failed or was stopped copies nothing back and its
            // message stays on the status line; a refused command copies the
            // loaded text back as it was.
            if (ran.kind == Outcome::Kind::Failed || ran.kind == Outcome::Kind::Cancelled) return conclude(ran, done);
            copyBack([this, done, ran](const Outcome& copied) { conclude(copied.ok() ? ran : copied, done); });
        });
    });
}

void EditorState::cancel() {
    if (!busy_) return;
    if (work_) work_->cancel();
    services_.processes.cancel();
}

// ---- lists --------------------------------------------------------------------

void EditorState::recordHistory(const Text& command) {
    if (!services_.recordsHistory || !lists::shouldRecordInHistory(history_, command)) return;
    history_.insert(history_.begin(), command);
    notify(History);
    if (lists::fitsHistoryFile(command)) {
        services_.files.makeFolder(services_.folder.path());
        // The entry stays in the list either way; a file that cannot be
        // written (a full disk, a read-only folder) is said once a session.
        // A command holding a line break is kept for the session only: in the
        // file it would come back as two entries.
        if (lists::appendEntry(services_.files, historyPath(), command) == lists::Appended::NotWritten &&
            !historyWarned_) {
            historyWarned_ = true;
            services_.prompt.ask(texts::message(texts::Msg::HistoryUnwritable, historyPath()), "",
                                 Prompt::Icon::Exclamation, Prompt::Buttons::Ok);
        }
    }
}

void EditorState::loadList(const std::string& path, std::vector<Text>& list, unsigned change, bool clearsCommandLine) {
    if (path.empty() || !services_.files.exists(path)) return;
    // A list is a few thousand lines; a file of gigabytes is something else
    // that landed under the name, and reading it would stall or exhaust us.
    constexpr std::int64_t kMaxListBytes = 64LL << 20;
    if (const std::int64_t size = services_.files.size(path); size > kMaxListBytes) {
        setStatus(texts::message(texts::Msg::ListTooBig, std::to_string(size >> 20), path));
        return;
    }
    auto bytes = services_.files.readAll(path);
    if (!bytes) {
        setStatus(texts::message(texts::Msg::ListUnreadable, path));
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
    const lists::Appended written = lists::appendEntry(services_.files, favouritesPath(), entry);
    favourites_.insert(favourites_.begin(), entry);
    notify(Favourites);
    if (written == lists::Appended::NotWritten)
        services_.prompt.ask(texts::message(texts::Msg::FavouritesUnwritable, favouritesPath()), "",
                             Prompt::Icon::Error, Prompt::Buttons::Ok);
    else if (written == lists::Appended::NotStorable)
        services_.prompt.ask(texts::text(texts::Msg::FavouriteHasLineBreak), "", Prompt::Icon::Exclamation,
                             Prompt::Buttons::Ok);
}

void EditorState::chooseFavourite(const Text& entry) {
    commandLine_ = lists::stripFavouriteComments(entry);
    notify(CommandLine);
}

void EditorState::reloadLists() {
    loadList(historyPath(), history_, History, false);
    commandLine_ = names::kInitialCommand;
    notify(CommandLine);
    loadList(favouritesPath(), favourites_, Favourites, false);
    loadRecipes();
}

}  // namespace kk
