// The steps every run is made of, in one place, so a recipe's step and the
// same single run give the same bytes.
#include "model/steps.h"

#include "convert/duplicates.h"
#include "convert/registry.h"
#include "regex/operations.h"
#include "texts/texts.h"

namespace kk {

Outcome outcomeOf(const Error& e) {
    Outcome o;
    switch (e.kind) {
        case ErrorKind::Input: o = Outcome::refused(e.text(), e.column); break;
        case ErrorKind::Fault: o = Outcome::failed(e.message); break;
        case ErrorKind::Cancelled: o = Outcome::cancelled(texts::text(texts::Msg::Cancelled)); break;
    }
    o.details = e.details;
    return o;
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
        auto parsed = regex::readCommand(step.text, regex::CommandRules::Window);
        if (!parsed) return parsed.error();
        return regex::applyCommand(parsed.value(), text, step.invert ? 1 : 0, work, nullptr, unchanged);
    }
    const convert::Conversion* c = convert::findConversion(step.text);
    if (!c) return Error{texts::Msg::UnknownConversion, {step.text}, -1, ErrorKind::Input};
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
