// The steps every run is made of, in one place, so a recipe's step and the
// same single run give the same bytes.
#include "model/steps.h"

#include "convert/duplicates.h"
#include "convert/registry.h"
#include "regex/operations.h"
#include "texts/texts.h"

namespace kk {

bool passesCommandCheck(std::string_view command) {
    if (command == names::kInitialCommand) return false;
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

Outcome outcomeOf(const Error& e) {
    Outcome o;
    switch (e.kind) {
        case ErrorKind::Input: o = Outcome::refused(e.message, e.column); break;
        case ErrorKind::Fault: o = Outcome::failed(e.message); break;
        case ErrorKind::Cancelled: o = Outcome::cancelled(texts::text(texts::Msg::Cancelled)); break;
    }
    o.details = e.details;
    return o;
}

TextResult applyRegex(regex::CommandMode mode, bool anchored, const Text& command, const Text& text, int invert,
                      WorkLink work, diff::Report* report, bool* unchanged) {
    using regex::CommandMode;
    switch (mode) {
        case CommandMode::Substitute:
            return anchored ? regex::crdelSed(command, text, work, report, unchanged)
                            : regex::xRep(command, text, work, report, unchanged);
        case CommandMode::Translate: return regex::xtrans(command, text, work, report);
        case CommandMode::Match: return regex::xmatch(command, text, invert, work, report);
        case CommandMode::Filter: break;
    }
    return Text();
}

std::optional<FilterStep> filterStepOf(const lists::RecipeStep& step) {
    if (step.kind == lists::RecipeStep::Kind::Command) {
        if (regex::classifyCommand(step.text) != regex::CommandMode::Filter) return std::nullopt;
        return FilterStep{filter::FilterForm::General, step.text};
    }
    const convert::Conversion* c = convert::findConversion(step.text);
    if (!c) return std::nullopt;
    if (c->kind == convert::ConversionKind::Filter) return FilterStep{filter::FilterForm::General, std::string(c->command)};
    if (c->kind == convert::ConversionKind::SortFilter) return FilterStep{filter::FilterForm::Sort, std::string(c->command)};
    return std::nullopt;
}

TextResult applyStep(const lists::RecipeStep& step, const Text& text, WorkLink work, bool* unchanged) {
    *unchanged = false;
    if (step.kind == lists::RecipeStep::Kind::Command) {
        const regex::CommandMode mode = regex::classifyCommand(step.text);
        if (!passesCommandCheck(step.text))
            return Error{texts::text(texts::Msg::CheckCommand), -1, ErrorKind::Input};
        const bool anchored = mode == regex::CommandMode::Substitute && isLineAnchored(step.text);
        return applyRegex(mode, anchored, step.text, text, step.invert ? 1 : 0, work, nullptr, unchanged);
    }
    const convert::Conversion* c = convert::findConversion(step.text);
    if (!c) return Error{texts::message(texts::Msg::UnknownConversion, step.text), -1, ErrorKind::Input};
    // An empty text has nothing to convert, as for the menu's run.
    if (text.empty()) {
        *unchanged = true;
        return Text();
    }
    if (c->kind == convert::ConversionKind::Duplicates) {
        convert::DuplicateResult r = c->extracting ? convert::exJufuku(text) : convert::delJufuku(text);
        using Found = convert::DuplicateResult::Outcome;
        if (r.outcome == Found::OneLine)
            return Error{convert::duplicateStatus(r, c->extracting), -1, ErrorKind::Input};
        if (r.outcome == Found::NoDuplicates) {
            *unchanged = true;
            return Text();
        }
        return std::move(r.output);
    }
    return convert::applyConversion(*c, text, work);
}

}  // namespace kk
