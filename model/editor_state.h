// The one owner of the working state: working text, command line and its
// history, favourites, status line, changed mark, invert flag and the three
// remembered texts. It reaches the world only through the ports it is given
// and tells its view what changed; it never knows about widgets.
#pragma once

#include "model/outcome.h"
#include "model/steps.h"
#include "convert/registry.h"
#include "convert/reverse_count.h"
#include "diff/changes.h"
#include "filter/filter_runner.h"
#include "lists/recipe.h"
#include "platform/data_folder.h"
#include "platform/ports.h"
#include "core/text_out.h"
#include "core/work.h"
#include "core/result.h"
#include "regex/command.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kk {

struct Services {
    Clipboard& clipboard;
    FileStore& files;
    Prompt& prompt;
    Desktop& desktop;
    ProcessRunner& processes;
    TaskRunner& tasks;
    DataFolder folder;
    std::string helperDirectory;  // our helper programs, put on the filter child's PATH
    std::int64_t maxFilterOutputBytes = filter::kMaxFilterOutputBytes;
    // Runs are recorded in the history list and file. The command line's
    // runs leave the window's files alone unless asked.
    bool recordsHistory = true;
    // What each run changed is worked out for the view to highlight; a front
    // that shows no text (the command line) spares the work.
    bool tracksChanges = true;
    // How many runs can be undone (each level shares its text, no copy), and
    // the memory the levels may hold beyond the texts the window shows (at
    // least twice the working text).
    std::size_t undoLevels = 20;
    std::size_t undoBudgetBytes = std::size_t{256} << 20;
    // The recipe file; empty: the one in the data folder.
    std::string recipeFile = {};
    std::string docDirectory = {};  // the help page; empty: beside the helpers
    std::string homePage = {};      // the project's home page; empty: the help page stands in
    // Where a filter runs: the caller's folder for the command line, the
    // user's home for the window; never a folder of ours (a filter writing
    // kakikae1.ini there would overwrite the history).
    std::string filterFolder = {};
};

using regex::classifyCommand;
using regex::CommandMode;

// What is wrong with a block of the recipe file, for the user.
std::string describeRecipeProblem(const std::string& path, const lists::RecipeProblem& problem);

using SharedText = std::shared_ptr<const Text>;
inline SharedText share(Text text) { return std::make_shared<const Text>(std::move(text)); }

class EditorState {
public:
    enum Change : unsigned {
        WorkingText = 1u << 0,
        CommandLine = 1u << 1,
        History = 1u << 2,
        Favourites = 1u << 3,
        Status = 1u << 4,
        ChangedMark = 1u << 5,
        Busy = 1u << 6,
        Invert = 1u << 7,
        Ended = 1u << 8,    // an operation ended: lastOutcome() is new
        Changes = 1u << 9,  // lastChanges() is new
        Recipes = 1u << 10,
    };
    using Observer = std::function<void(unsigned changes)>;

    explicit EditorState(Services services);
    ~EditorState();
    void setObserver(Observer observer) { observer_ = std::move(observer); }

    // State, as the view shows it.
    const Text& workingText() const { return *workingText_; }
    SharedText sharedWorkingText() const { return workingText_; }
    const Text& commandLine() const { return commandLine_; }
    const std::vector<Text>& history() const { return history_; }
    const std::vector<Text>& favourites() const { return favourites_; }
    const std::string& status() const { return status_; }
    bool changedMark() const { return changed_; }
    bool invert() const { return invert_; }
    bool busy() const { return busy_; }
    // What the running operation has done so far (null when idle): read
    // from any thread, by the window's progress bar and the command line's
    // progress line.
    std::shared_ptr<const Work> activeWork() const { return activeWork_.load(); }
    const Text& startClip() const { return *startClip_; }
    const Text& beforeText() const { return *beforeText_; }
    const Text& afterText() const { return *afterText_; }
    std::string historyPath() const { return services_.folder.file(kHistoryFileName); }
    std::string favouritesPath() const { return services_.folder.file(kFavouritesFileName); }
    std::string recipesPath() const {
        return services_.recipeFile.empty() ? services_.folder.file(kRecipesFileName) : services_.recipeFile;
    }

    // What the user did in the widgets (no notification back).
    void setWorkingTextFromView(Text text) { workingText_ = share(std::move(text)); }
    void setCommandLineFromView(Text text) { commandLine_ = std::move(text); }
    void setInvert(bool on);
    void markChanged();  // a key typed into the working text

    // Start-up, in its order: size check, clipboard, start-up text, lists, "s///gk".
    // Where the clipboard is offered only to a focused window (Wayland), the
    // front loads it later, once it has the focus, with loadStartClipboard.
    enum class ClipboardAtStart { Now, Later };
    void formLoad(ClipboardAtStart when = ClipboardAtStart::Now);
    void loadStartClipboard(OutcomeHandler done = {});
    void checkListFileSizes();                   // myCheckIniFileLen
    void openListFile(const std::string& name);  // myOpenIniFile
    void startSystemInfo();                      // the about window's system-information button
    void openHomePage();                         // gotokakikaeHP_Click
    void openDataFolder();                       // menu_explorer_Click
    void openHelp();                             // MenuHelpindex_Click

    // Every operation below ends in one Outcome: passed to `done` (at once,
    // or later on the UI thread when the work runs off it) and kept as
    // lastOutcome(). The status line shows its message.
    const Outcome& lastOutcome() const { return lastOutcome_; }

    // Clipboard and views. A clipboard that fails keeps the working text;
    // one that holds no text (an image) empties it and is refused, so a
    // one-shot never copies back over it.
    void loadClipboard(OutcomeHandler done = {});  // clipKakunin_Click
    void copyBack(OutcomeHandler done = {});       // ClipTenso_Click
    // Loads read the PRIMARY selection (the text last selected) instead of
    // the clipboard; results still go to the clipboard. Refused where the
    // platform has no PRIMARY: reads stay with the clipboard.
    Outcome readFromPrimary(bool on);
    bool readsPrimary() const { return readsPrimary_; }
    void showStartClip();                          // History0_Click
    void showBefore();                             // History1_Click
    void showAfter();                              // HIstory2_Click

    // Running the command line (runSed_Click). AsItStands skips the line-anchor
    // rule and the window's shape check (kakikae-cli -e).
    enum class RunForm { Window, AsItStands };
    void run(OutcomeHandler done = {}, RunForm form = RunForm::Window);
    // The command line's run over a text the model does not hold (a mapped
    // input file), its result handed to `sink` as it is made: the reading,
    // history and operation of run(), for a front that only writes the
    // result out. The working text stays as it was.
    // `file`, when set, is an open regular file whose bytes are the text.
    void runOver(std::string_view text, TextSink& sink, OutcomeHandler done, RunForm form = RunForm::Window,
                 int file = -1);
    void oneShot(OutcomeHandler done = {});  // myIchigeki_Click: load, run, copy back

    // A desktop key's run, by a name: a recipe of that name, else the
    // favourite whose 【comment】 or command it is; no name: the command line
    // as it stands. Loads the clipboard (the
    // selection with `primary`), runs it, copies back, as the one-shot does;
    // a favourite runs as the run button runs a command. The command line
    // and the reading source stay as they were.
    std::optional<lists::Recipe> shortcutTarget(const std::string& name) const;
    // The names to offer: the recipes', then each favourite's comment (its
    // command where it has none).
    std::vector<std::string> shortcutNames() const;
    void runShortcut(const std::string& name, bool primary, OutcomeHandler done = {});
    void cancel();                           // ends a running filter or text operation
    // `changes`: what differs from the text it replaces, for the view to mark.
    void outTotxtBox(Text text, diff::ChangeMap changes = {});
    // `steps`: what made the text, kept with the undo level (none for a text put in as it is).
    void outTotxtBox(SharedText text, diff::ChangeMap changes = {}, std::vector<lists::RecipeStep> steps = {});

    // What the last run, conversion or filter changed in the working text
    // (spans in it), until the text is replaced or edited.
    const diff::ChangeMap& lastChanges() const { return *lastChanges_; }
    std::shared_ptr<const diff::ChangeMap> sharedLastChanges() const { return lastChanges_; }

    // A command's result over the working text without taking it: off the UI
    // thread, the one before cancelled, never busy, and nothing of the state
    // changes (working and remembered texts, history, clipboard). Filters are
    // never previewed (they may act on the world): refused.
    struct Preview {
        Outcome outcome;          // done: `count` places; refused: the command's error and column
        SharedText text;          // the result
        diff::ChangeMap changes;  // spans in `text`
        std::int64_t count = 0;   // replacements made, or lines kept (m//)
        CommandMode mode = CommandMode::Filter;
    };
    using PreviewHandler = std::function<void(std::shared_ptr<const Preview>)>;
    void preview(const Text& command, bool invert, PreviewHandler done);
    // A text conversion's result the same way (the menu item under the
    // pointer); conversions that run a filter are refused like filters.
    void previewConversion(std::string_view labelOrName, PreviewHandler done);
    void cancelPreview();

    // Runs that can be undone: every run, one-shot, conversion and clipboard
    // load keeps the text it replaced (shared, not copied; Services::undoLevels deep).
    void undoRun();
    void redoRun();
    bool canUndoRun() const { return !undo_.empty(); }
    bool canRedoRun() const { return !redo_.empty(); }

    // Built-in conversions of the whole working text, by label or short name
    // (convert/registry.h). The work runs off the UI thread; a result lands
    // through outTotxtBox, ending "変換終了".
    void runConversion(const std::string& labelOrName, OutcomeHandler done = {});
    void deleteDuplicates(OutcomeHandler done = {});   // Menumultidel_Click
    void extractDuplicates(OutcomeHandler done = {});  // Menumultiview_Click
    void countCharacters(OutcomeHandler done = {});    // MenuStrcount_Click: the count is the outcome's message
    // The same over a text the model does not hold, with what was counted.
    using CountHandler = std::function<void(const Outcome&, const convert::Counts&)>;
    void countOver(std::string_view text, CountHandler done);
    // The same over `size` bytes of `source` (named in a failure), read a piece at a time.
    void countRead(const std::string& source, std::size_t size, ReadAt read, CountHandler done);

    // Recipes: named chains of steps, kept in the recipe file. A run of a
    // recipe is one run: one undo level, one outcome. A step refused or
    // failing stops it there and leaves the working text as it was; the
    // outcome names the step.
    const lists::RecipeBook& recipeBook() const { return recipes_; }
    void loadRecipes();
    void runRecipe(const lists::Recipe& recipe, OutcomeHandler done = {});
    void runRecipe(const std::string& name, OutcomeHandler done = {});
    void previewRecipe(const lists::Recipe& recipe, PreviewHandler done);
    // Adds or replaces (the one named `replacing`) a recipe and rewrites the
    // file whole; refused for a name that is no name or another recipe's,
    // or a recipe without steps. Nothing changes when the file cannot be written.
    Outcome saveRecipe(lists::Recipe recipe, const std::string& replacing = {});
    Outcome deleteRecipe(const std::string& name);
    // The steps of the runs that can be undone, oldest first: what "save the
    // last N runs as a recipe" takes from.
    std::vector<lists::RecipeStep> stepsRun() const;

    // Lists.
    void addFavourite();                      // okimarituika_Click
    void chooseFavourite(const Text& entry);  // okimariBox_Click: the entry, comments stripped, into the command line
    void reloadLists();                       // menu_reload_Click

private:
    void notify(unsigned changes);
    void openOutside(bool opened, const std::string& what);
    void setStatus(std::string status);
    void setBusy(bool busy);
    // Refuses an operation that comes while another one runs; nothing changes.
    void refuseWhileBusy(const OutcomeHandler& done);
    // Hands an outcome on without touching the status line.
    void conclude(Outcome outcome, const OutcomeHandler& done);
    // Ends an operation: the status line shows the outcome, `done` hears it.
    void finish(Outcome outcome, const OutcomeHandler& done, unsigned changes = 0);
    void loadList(const std::string& path, std::vector<Text>& list, unsigned change, bool clearsCommandLine);
    void recordHistory(const Text& command);
    void runDuplicates(bool extracting, OutcomeHandler done);
    // A text from outside the model and where a run's result goes instead of
    // the working text.
    struct Outside {
        std::string_view text;
        TextSink* sink;
        int file = -1;  // a regular file holding the text
    };
    void runCommand(const Text& command, OutcomeHandler done, RunForm form, std::optional<Outside> outside = {});
    // The count `count` makes off the UI thread over `size` bytes: the counts, or why there are none.
    void countWith(std::size_t size, std::function<std::optional<convert::Counts>(std::string& why)> count,
                   CountHandler done);
    // Load, `step`, copy back: the one-shot around any run.
    void loadRunCopy(std::function<void(OutcomeHandler)> step, OutcomeHandler done);
    // The one way long work runs: off the UI thread, the model busy and
    // cancellable meanwhile, an exception in it a failure that keeps the text.
    // `work` returns what to do on the UI thread when it has ended.
    using Finisher = std::function<Outcome()>;
    // `total`: the bytes the work walks, for its progress; kUnknownTotal
    // where only the time it takes is known (a filter, a clipboard transfer).
    static constexpr std::uint64_t kUnknownTotal = 0;
    void runBusy(std::uint64_t total, std::function<Finisher(const Work& cancel)> work, OutcomeHandler done);
    // Marks the model busy with a fresh cancel flag: every long job starts here.
    std::shared_ptr<Work> beginBusy(std::uint64_t total);
    // A filter over the working text, busy until it ends; `ended` runs first
    // (the run's history), then its result lands or its failure is told.
    void runFilter(filter::FilterForm form, const std::string& command, std::function<void()> ended,
                   OutcomeHandler done, std::vector<lists::RecipeStep> steps, std::optional<Outside> outside = {});
    // Runs a filter command over `text`; `done` gets its result on the UI
    // thread, later, or at once when its files could not be prepared. With an
    // `outputFile` the filter may write its result there itself: `done` is
    // then told it was written, and gets an empty text.
    void startFilter(filter::FilterForm form, const std::string& command, std::string_view text, WorkLink work,
                     std::function<void(TextResult, bool written)> done, int textFile = -1, int outputFile = -1);
    // Puts a run's or a conversion's result in place: before, working and after text.
    using Steps = std::vector<lists::RecipeStep>;
    void takeResult(SharedText start, SharedText result, diff::ChangeMap changes = {}, Steps steps = {});
    // Every replacing of the working text by an operation goes through here:
    // the replaced text goes on the undo stack with the steps that replaced
    // it (none for a clipboard load), the change spans are set.
    void replaceWorkingText(SharedText text, diff::ChangeMap changes, Steps steps = {});
    void setChanges(diff::ChangeMap changes);
    // Texts smaller than this are not worth looking for among the held ones.
    static constexpr std::size_t kShareAtLeastBytes = std::size_t{1} << 20;
    SharedText heldCopyOf(SharedText text) const;
    struct UndoLevel {
        SharedText text;
        Steps steps;  // what made the text after it from this one
    };
    void stepRuns(std::vector<UndoLevel>& from, std::vector<UndoLevel>& to, const char* said);
    struct RecipeRun;
    void nextRecipeStep(std::shared_ptr<RecipeRun> run, std::size_t step);
    void recipeStepEnded(std::shared_ptr<RecipeRun> run, std::size_t step, TextResult result, bool unchanged);
    void endRecipe(std::shared_ptr<RecipeRun> run, Outcome outcome);
    Outcome writeRecipes(lists::RecipeBook book);
    lists::RecipeBook recipes_;

    Services services_;
    Observer observer_;
    // The working text and the three remembered texts are immutable buffers
    // that share storage: a run's start snapshot, the before and the after
    // text of a 200 MB text are then pointers, not 200 MB copies each.
    SharedText workingText_ = share({});
    Text commandLine_;
    std::vector<Text> history_, favourites_;
    std::string status_;
    bool changed_ = false, invert_ = false, busy_ = false;
    bool historyWarned_ = false;
    bool readsPrimary_ = false;
    Outcome lastOutcome_;
    SharedText startClip_ = workingText_, beforeText_ = workingText_, afterText_ = workingText_;
    std::shared_ptr<Work> work_;
    std::shared_ptr<Work> previewFlag_;
    std::atomic<std::shared_ptr<const Work>> activeWork_;
    // Runs `work` off the UI thread as the current preview.
    void runPreview(std::shared_ptr<Preview> result,
                    std::function<void(Preview&, const Work&)> work, PreviewHandler done);
    std::shared_ptr<const diff::ChangeMap> lastChanges_ = std::make_shared<const diff::ChangeMap>();
    std::vector<UndoLevel> undo_, redo_;
    void keepUndoWithinBudget();
    std::string undoNote_;  // said with the next status line
};

}  // namespace kk
