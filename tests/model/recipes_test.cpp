// Recipes on the model: the same bytes as the chain of single runs, a failing
// step that leaves the text and names itself, one undo for the whole run,
// the file kept whole, and the preview.
#include "fakes.h"
#include "texts/texts.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

namespace kk {
namespace {

using testing::HeldRig;
using testing::Rig;
using Kind = lists::RecipeStep::Kind;

lists::RecipeStep cmd(std::string text, bool invert = false) { return {Kind::Command, std::move(text), invert}; }
lists::RecipeStep conv(std::string name) { return {Kind::Conversion, std::move(name), false}; }

const char* kRecipes = "/data/kakikae-recipes.txt";

Outcome wait(const std::function<void(OutcomeHandler)>& start) {
    return testing::awaitOutcome(start).value_or(Outcome::failed("timed out"));
}

// One single run of a step, as the window's command line or menu runs it.
Outcome runSingle(Rig& r, const lists::RecipeStep& step) {
    if (step.kind == Kind::Conversion)
        return wait([&](OutcomeHandler d) { r.state.runConversion(step.text, std::move(d)); });
    r.state.setInvert(step.invert);
    r.state.setCommandLineFromView(step.text);
    const Outcome o = wait([&](OutcomeHandler d) { r.state.run(std::move(d)); });
    r.state.setInvert(false);
    return o;
}

// Every kind of step: anchored and plain s///, tr, -v m//, text conversions,
// a filter command, a sort conversion (our sortf), adjacent duplicates.
const lists::Recipe kEveryKind{"every kind",
                               "",
                               {cmd("s/^ +//"), cmd("s/ +$//"), cmd("tr/a-c/A-C/"), cmd("m/^#/", true),
                                conv("zenkaku"), conv("hiragana"), cmd("sort"), conv("dedupe"), cmd("s/\\r?$/;/"),
                                conv("sort-japanese-reverse")}};

TEST(Recipe, GivesTheSameBytesAsTheChainOfSingleRuns) {
    const char* texts[] = {
        "  b x \n#c\na\na\nあ \n",        // LF
        "  b x \r\n#c\r\na\r\na\r\nあ \r\n",  // CR LF
        "b\r\na\n  c",                       // mixed, no final line end
        "",
        "# only a comment\n",
    };
    int done = 0;
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        Rig chain(KK_BIN_DIR), recipe(KK_BIN_DIR);
        for (Rig* r : {&chain, &recipe}) {
            r->clipboard.text = text;
            r->state.formLoad();
        }
        for (const auto& step : kEveryKind.steps) {
            const Outcome o = runSingle(chain, step);
            // A single run over one line refuses to look for duplicates; so
            // does the recipe's step (asserted below).
            if (!o.ok()) break;
        }
        const Text before = recipe.state.workingText();
        const Outcome o = wait([&](OutcomeHandler d) { recipe.state.runRecipe(kEveryKind, std::move(d)); });
        if (o.ok()) {
            ++done;
            EXPECT_EQ(recipe.state.workingText(), chain.state.workingText());
            EXPECT_EQ(o.message, texts::message(texts::Msg::RecipeDone, "every kind", "10"));
        } else {
            EXPECT_EQ(recipe.state.workingText(), before);
        }
    }
    EXPECT_GE(done, 4);
}

TEST(Recipe, AFailingStepLeavesTheTextAndNamesItself) {
    const struct {
        std::vector<lists::RecipeStep> steps;
        Outcome::Kind kind;
        const char* number;
        const char* named;  // the step as the message names it
    } cases[] = {
        {{cmd("s/a/A/"), cmd("s/(/x/"), cmd("s/b/B/")}, Outcome::Kind::Refused, "2", "s/(/x/"},
        {{cmd("s/a/A/"), conv("no-such-one")}, Outcome::Kind::Refused, "2", "--convert no-such-one"},
        {{cmd("s/a/A/"), cmd("exit 3"), cmd("s/b/B/")}, Outcome::Kind::Failed, "2", "exit 3"},
        {{cmd("tr/a/b/"), cmd("s/a/b/"), cmd("s///gk")}, Outcome::Kind::Refused, "3", "s///gk"},
    };
    for (const auto& c : cases) {
        Rig r(KK_BIN_DIR);
        r.clipboard.text = "abc\n";
        r.state.formLoad();
        const Outcome o = wait([&](OutcomeHandler d) { r.state.runRecipe(lists::Recipe{"r", "", c.steps}, std::move(d)); });
        SCOPED_TRACE(o.message);
        EXPECT_EQ(o.kind, c.kind);
        EXPECT_TRUE(o.message.starts_with(texts::message(texts::Msg::RecipeStepFailed, c.number, c.named, "")));
        EXPECT_EQ(r.state.status(), o.message);
        EXPECT_EQ(r.state.workingText(), "abc\n");
        EXPECT_TRUE(r.state.stepsRun().empty());
        EXPECT_FALSE(r.state.busy());
    }
}

TEST(Recipe, OneUndoRestoresTheTextBeforeIt) {
    Rig r(KK_BIN_DIR);
    r.clipboard.text = "b\na\n";
    r.state.formLoad();
    r.state.setCommandLineFromView("s/a/x/");
    wait([&](OutcomeHandler d) { r.state.run(std::move(d)); });
    const lists::Recipe recipe{"r", "", {cmd("sort"), cmd("s/^/> /g"), conv("upper")}};
    ASSERT_TRUE(wait([&](OutcomeHandler d) { r.state.runRecipe(recipe, std::move(d)); }).ok());
    EXPECT_EQ(r.state.workingText(), "> B\n> X\n");
    EXPECT_EQ(r.state.beforeText(), "b\nx\n");
    // The steps of every undoable run, the recipe's each on its own.
    const std::vector<lists::RecipeStep> ran = {cmd("s/a/x/"), cmd("sort"), cmd("s/^/> /g"), conv("upper")};
    EXPECT_EQ(r.state.stepsRun(), ran);
    r.state.undoRun();
    EXPECT_EQ(r.state.workingText(), "b\nx\n");
    EXPECT_EQ(r.state.stepsRun(), (std::vector<lists::RecipeStep>{cmd("s/a/x/")}));
    r.state.redoRun();
    EXPECT_EQ(r.state.workingText(), "> B\n> X\n");
    EXPECT_EQ(r.state.stepsRun(), ran);
}

TEST(Recipe, CancelledBetweenStepsKeepsTheText) {
    HeldRig r;
    r.clipboard.text = "abc";
    r.state.formLoad();
    r.tasks.release();
    std::optional<Outcome> got;
    r.state.runRecipe(lists::Recipe{"r", "", {cmd("s/a/A/"), cmd("s/b/B/")}}, [&](const Outcome& o) { got = o; });
    r.state.cancel();
    r.tasks.release();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->kind, Outcome::Kind::Cancelled);
    EXPECT_EQ(r.state.workingText(), "abc");
    EXPECT_FALSE(r.state.busy());
}

TEST(Recipe, FileLoadsSavesAndKeepsWhatItCannotRead) {
    Rig r;
    r.files.files[kRecipes] = "[bad\n- s/a/b/\n[good]\n- s/a/b/\n";
    r.state.formLoad();
    ASSERT_EQ(r.state.recipeBook().recipes().size(), 1u);
    EXPECT_EQ(r.state.status(),
              texts::message(texts::Msg::RecipeFileProblem, kRecipes, "1", texts::text(texts::Msg::RecipeBadHeader)));

    EXPECT_EQ(r.state.saveRecipe({"new", "c", {cmd("tr/a/b/")}}).kind, Outcome::Kind::Done);
    EXPECT_EQ(r.files.files[kRecipes], "[bad\n- s/a/b/\n[good]\n- s/a/b/\n\n[new] 【c】\n- tr/a/b/\n");
    // Renamed in place; refused names and empty recipes change nothing.
    EXPECT_TRUE(r.state.saveRecipe({"good2", "", {cmd("s/x/y/")}}, "good").ok());
    const std::string saved = r.files.files[kRecipes];
    EXPECT_EQ(saved, "[bad\n- s/a/b/\n[good2]\n- s/x/y/\n\n[new] 【c】\n- tr/a/b/\n");
    EXPECT_EQ(r.state.saveRecipe({"new", "", {cmd("x")}}, "good2").kind, Outcome::Kind::Refused);
    EXPECT_EQ(r.state.saveRecipe({"a]b", "", {cmd("x")}}).kind, Outcome::Kind::Refused);
    EXPECT_EQ(r.state.saveRecipe({"empty", "", {}}).kind, Outcome::Kind::Refused);
    r.files.readOnly.insert(kRecipes);
    EXPECT_EQ(r.state.saveRecipe({"x", "", {cmd("x")}}).kind, Outcome::Kind::Failed);
    EXPECT_EQ(r.state.deleteRecipe("new").kind, Outcome::Kind::Failed);
    EXPECT_EQ(r.files.files[kRecipes], saved);
    EXPECT_EQ(r.state.recipeBook().recipes().size(), 2u);  // unchanged when the file is
    r.files.readOnly.clear();
    EXPECT_TRUE(r.state.deleteRecipe("new").ok());
    EXPECT_EQ(r.state.deleteRecipe("new").kind, Outcome::Kind::Refused);
    EXPECT_EQ(r.files.files[kRecipes], "[bad\n- s/a/b/\n[good2]\n- s/x/y/\n");
}

TEST(Recipe, PreviewShowsTheRunsResultAndNeverRunsAFilter) {
    Rig r;
    r.clipboard.text = "b a\nc\n";
    r.state.formLoad();
    const lists::Recipe recipe{"p", "", {cmd("s/a/x/"), conv("upper"), cmd("m/C/", true)}};
    std::shared_ptr<const EditorState::Preview> seen;
    r.state.previewRecipe(recipe, [&](auto p) { seen = p; });
    ASSERT_TRUE(seen && seen->outcome.ok());
    EXPECT_EQ(*seen->text, "B X\n");
    EXPECT_EQ(r.state.workingText(), "b a\nc\n");
    r.state.previewRecipe({"f", "", {cmd("s/a/x/"), conv("sort")}}, [&](auto p) { seen = p; });
    EXPECT_EQ(seen->outcome.kind, Outcome::Kind::Refused);
    r.state.previewRecipe({"e", "", {cmd("s/(/x/")}}, [&](auto p) { seen = p; });
    EXPECT_EQ(seen->outcome.kind, Outcome::Kind::Refused);
    EXPECT_TRUE(seen->outcome.message.starts_with(texts::message(texts::Msg::RecipeStepFailed, "1", "s/(/x/", "")));
}

}  // namespace
}  // namespace kk
