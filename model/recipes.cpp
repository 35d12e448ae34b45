// Recipes in the model: the file, a run of a chain of steps as one run, its
// preview, and the steps of the runs that can be undone.
#include "model/editor_state.h"
#include "model/steps.h"

#include "convert/registry.h"
#include "convert/reverse_count.h"
#include "diff/line_diff.h"
#include "texts/texts.h"

#include <new>

namespace kk {

struct EditorState::RecipeRun {
    lists::Recipe recipe;
    SharedText start, text;  // the working text it began from; the result so far
    OutcomeHandler done;
};

namespace {

std::string faultText(lists::RecipeFault f) {
    using F = lists::RecipeFault;
    switch (f) {
        case F::StepOutsideRecipe: return texts::text(texts::Msg::RecipeStepOutside);
        case F::BadHeader: return texts::text(texts::Msg::RecipeBadHeader);
        case F::NoSteps: return texts::text(texts::Msg::RecipeEmpty);
        case F::UnknownLine: return texts::text(texts::Msg::RecipeUnknownLine);
        case F::SameName: return texts::text(texts::Msg::RecipeSameName);
    }
    return {};
}

// A step that stopped the recipe, named by its number and text.
Outcome stepFailed(std::size_t index, const lists::RecipeStep& step, Outcome why) {
    if (why.kind == Outcome::Kind::Cancelled) return why;
    why.message = texts::message(texts::Msg::RecipeStepFailed, std::to_string(index + 1), step.written(), why.message);
    why.column = -1;
    why.statusLine.clear();
    return why;
}

TextResult guarded(const std::function<TextResult()>& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return Error{texts::Msg::OutOfMemory, {}, -1, ErrorKind::Fault};
    } catch (const std::exception& e) {
        return Error{texts::Msg::WorkFailed, {e.what()}, -1, ErrorKind::Fault};
    }
}

}  // namespace

// ---- the file -----------------------------------------------------------------

std::string describeRecipeProblem(const std::string& path, const lists::RecipeProblem& p) {
    return texts::message(texts::Msg::RecipeFileProblem, path, std::to_string(p.line), faultText(p.fault));
}

void EditorState::loadRecipes() {
    const std::string path = recipesPath();
    recipes_ = {};
    if (services_.files.exists(path)) {
        auto bytes = services_.files.readAll(path);
        if (!bytes) {
            setStatus(texts::message(texts::Msg::RecipesUnreadable, path));
        } else {
            recipes_ = lists::RecipeBook::parse(*bytes);
            // The first block it could not read is said; the others load.
            if (!recipes_.problems().empty()) {
                setStatus(describeRecipeProblem(path, recipes_.problems().front()));
            }
        }
    }
    notify(Recipes);
}

Outcome EditorState::writeRecipes(lists::RecipeBook book) {
    services_.files.makeFolder(services_.folder.path());
    if (!services_.files.replace(recipesPath(), book.format()))
        return Outcome::failed(texts::message(texts::Msg::RecipesUnwritable, recipesPath()));
    recipes_ = std::move(book);
    notify(Recipes);
    return Outcome::done({});
}

Outcome EditorState::saveRecipe(lists::Recipe recipe, const std::string& replacing) {
    if (!lists::isRecipeName(recipe.name)) return Outcome::refused(texts::message(texts::Msg::RecipeBadName, recipe.name));
    if (recipe.steps.empty()) return Outcome::refused(texts::text(texts::Msg::RecipeNoSteps));
    const std::string& old = replacing.empty() ? recipe.name : replacing;
    if (recipe.name != old && recipes_.find(recipe.name))
        return Outcome::refused(texts::message(texts::Msg::RecipeNameTaken, recipe.name));
    lists::RecipeBook book = recipes_;
    const std::string name = recipe.name;
    book.put(std::move(recipe), old);
    Outcome o = writeRecipes(std::move(book));
    if (o.ok()) o.message = texts::message(texts::Msg::RecipeSaved, name);
    return o;
}

Outcome EditorState::deleteRecipe(const std::string& name) {
    lists::RecipeBook book = recipes_;
    if (!book.remove(name)) return Outcome::refused(texts::message(texts::Msg::NoSuchRecipe, name));
    Outcome o = writeRecipes(std::move(book));
    if (o.ok()) o.message = texts::message(texts::Msg::RecipeDeleted, name);
    return o;
}

std::vector<lists::RecipeStep> EditorState::stepsRun() const {
    std::vector<lists::RecipeStep> steps;
    for (const UndoLevel& level : undo_) steps.insert(steps.end(), level.steps.begin(), level.steps.end());
    return steps;
}

// ---- a run --------------------------------------------------------------------

void EditorState::runRecipe(const std::string& name, OutcomeHandler done) {
    const lists::Recipe* recipe = recipes_.find(name);
    if (!recipe) return conclude(Outcome::refused(texts::message(texts::Msg::NoSuchRecipe, name)), done);
    runRecipe(*recipe, std::move(done));
}

void EditorState::runRecipe(const lists::Recipe& recipe, OutcomeHandler done) {
    if (busy_) return refuseWhileBusy(done);
    if (recipe.steps.empty()) return conclude(Outcome::refused(texts::text(texts::Msg::RecipeNoSteps)), done);
    setStatus(texts::text(texts::Msg::StatusRunning));
    beginBusy(workingText_->size());
    nextRecipeStep(std::make_shared<RecipeRun>(RecipeRun{recipe, workingText_, workingText_, std::move(done)}), 0);
}

// Each step works on the result of the one before; the working text is
// touched only when the last one has ended. Filters run as their own
// process, the other steps off the UI thread.
void EditorState::nextRecipeStep(std::shared_ptr<RecipeRun> run, std::size_t index) {
    if (work_->cancelled()) return endRecipe(run, Outcome::cancelled(texts::text(texts::Msg::Cancelled)));
    const std::size_t count = run->recipe.steps.size();
    if (index == count) return endRecipe(run, Outcome::done({}));
    const lists::RecipeStep& step = run->recipe.steps[index];
    // Each step's progress from its own start; the cancel reaches the one running.
    auto work = std::make_shared<Work>();
    work->setTotal(run->text->size());
    work->setStep(static_cast<int>(index + 1), static_cast<int>(count));
    work_ = work;
    activeWork_.store(work);
    const bool emptyConversion = step.kind == lists::RecipeStep::Kind::Conversion && run->text->empty();
    if (const auto filter = filterStepOf(step); filter && !emptyConversion) {
        return startFilter(filter->form, filter->command, *run->text, work.get(), [this, run, index](TextResult r, bool) {
            recipeStepEnded(run, index, std::move(r), false);
        });
    }
    auto result = std::make_shared<TextResult>(Text());
    auto unchanged = std::make_shared<bool>(false);
    services_.tasks.run(
        [run, index, work, result, unchanged] {
            *result = guarded([&] { return applyStep(run->recipe.steps[index], *run->text, work.get(), unchanged.get()); });
            work->finish();
        },
        [this, run, index, result, unchanged] { recipeStepEnded(run, index, std::move(*result), *unchanged); });
}

void EditorState::recipeStepEnded(std::shared_ptr<RecipeRun> run, std::size_t index, TextResult result,
                                  bool unchanged) {
    if (!result) return endRecipe(run, stepFailed(index, run->recipe.steps[index], outcomeOf(result.error())));
    // The text before this step goes as soon as its result is here: a chain
    // holds the start and one result, like a single run.
    if (!unchanged) run->text = share(std::move(result).value());
    nextRecipeStep(std::move(run), index + 1);
}

void EditorState::endRecipe(std::shared_ptr<RecipeRun> run, Outcome outcome) {
    if (!outcome.ok()) {
        busy_ = false;
        activeWork_.store(nullptr);
        return finish(std::move(outcome), run->done, Busy);
    }
    // One run: one undo level, the changes from the start to the end.
    auto changes = std::make_shared<diff::ChangeMap>();
    const bool tracks = services_.tracksChanges && run->text != run->start;
    services_.tasks.run(
        [run, changes, tracks] {
            if (tracks) *changes = diff::lineChanges(*run->start, *run->text);
        },
        [this, run, changes] {
            busy_ = false;
            activeWork_.store(nullptr);
            takeResult(run->start, run->text, std::move(*changes), run->recipe.steps);
            finish(Outcome::done(texts::message(texts::Msg::RecipeDone, run->recipe.name,
                                                std::to_string(run->recipe.steps.size()))),
                   run->done, Busy);
        });
}

// ---- its preview --------------------------------------------------------------

void EditorState::previewRecipe(const lists::Recipe& recipe, PreviewHandler done) {
    cancelPreview();
    auto result = std::make_shared<Preview>();
    for (const lists::RecipeStep& step : recipe.steps) {
        if (filterStepOf(step)) {
            // A filter may act on the world: never run for a look.
            result->outcome = Outcome::refused(texts::text(texts::Msg::NoFilterPreviewRecipe));
            return done(result);
        }
    }
    const SharedText start = workingText_;
    runPreview(
        result,
        [start, recipe](Preview& p, const Work& flag) {
            SharedText text = start;
            for (std::size_t i = 0; i < recipe.steps.size(); ++i) {
                bool unchanged = false;
                TextResult r = guarded([&] { return applyStep(recipe.steps[i], *text, &flag, &unchanged); });
                if (!r) {
                    p.outcome = stepFailed(i, recipe.steps[i], outcomeOf(r.error()));
                    return;
                }
                if (!unchanged) text = share(std::move(r).value());
            }
            p.changes = diff::lineChanges(*start, *text);
            p.text = text;
            p.count = static_cast<std::int64_t>(p.changes.size());
            p.outcome = Outcome::done(
                texts::message(texts::Msg::PreviewConversion, convert::formatCount(p.count), recipe.name));
        },
        std::move(done));
}

}  // namespace kk
