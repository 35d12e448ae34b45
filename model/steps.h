// One step over a text, as a run, a preview and a recipe all apply it: a
// regular-expression command or a built-in conversion worked in this
// process, or what a filter process is to be given.
#pragma once

#include "model/outcome.h"
#include "diff/changes.h"
#include "filter/filter_runner.h"
#include "lists/recipe.h"
#include "core/result.h"
#include "core/work.h"
#include "regex/command.h"

#include <optional>
#include <string>

namespace kk {

// An operation's error as the outcome the fronts show.
Outcome outcomeOf(const Error& e);


// A step that runs a filter process: its form and command line.
struct FilterStep {
    filter::FilterForm form;
    std::string command;
};
std::optional<FilterStep> filterStepOf(const lists::RecipeStep& step);

// A step worked in this process (anything filterStepOf does not take), with
// the window's rules for a command. `unchanged` is set, and nothing returned,
// when the step leaves the text as it was.
TextResult applyStep(const lists::RecipeStep& step, const Text& text, WorkLink work, bool* unchanged);

}  // namespace kk
