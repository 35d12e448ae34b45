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

// A regular-expression command over a text, by its kind. `anchored`: the
// window's line-anchor rule ("^" and "$" at every line body).
TextResult applyRegex(regex::CommandMode mode, bool anchored, const Text& command, const Text& text, int invert,
                      WorkLink work, diff::Report* report, bool* unchanged = nullptr);

// The window's check of a regular-expression command's shape.
bool passesCommandCheck(std::string_view command);
// A pattern starting with "^" or ending in an unescaped "$".
bool isLineAnchored(std::string_view command);

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
