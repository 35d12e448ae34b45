// The built-in conversions of the menus: text conversions off the UI
// thread, the sort filters as processes, duplicate lines and the count.
#include "model/editor_state.h"
#include "model/steps.h"

#include "convert/duplicates.h"
#include "convert/registry.h"
#include "convert/reverse_count.h"
#include "diff/line_diff.h"
#include "filter/filter_runner.h"
#include "texts/texts.h"

#include <cstdlib>
#include <cstring>

namespace kk {

namespace {

lists::RecipeStep conversionStep(const convert::Conversion& c) {
    return {lists::RecipeStep::Kind::Conversion, std::string(c.name), false};
}

const convert::Conversion& duplicatesConversion(bool extracting) {
    for (const convert::Conversion& c : convert::conversions())
        if (c.kind == convert::ConversionKind::Duplicates && c.extracting == extracting) return c;
    std::abort();  // the registry holds both
}

}  // namespace

void EditorState::runConversion(const std::string& key, OutcomeHandler done) {
    const convert::Conversion* conversion = convert::findConversion(key);
    if (!conversion) return conclude(Outcome::refused(texts::message(texts::Msg::UnknownConversion, key)), done);
    if (busy_) return refuseWhileBusy(done);
    if (conversion->kind == convert::ConversionKind::Duplicates)
        return runDuplicates(conversion->extracting, std::move(done));
    // An empty text has nothing to convert: it stays, and so does everything else.
    if (workingText_->empty()) return conclude(Outcome::done(status_), done);
    setStatus(texts::text(texts::Msg::StatusRunning));
    if (conversion->kind != convert::ConversionKind::Text) {
        const auto form = conversion->kind == convert::ConversionKind::SortFilter ? filter::FilterForm::Sort
                                                                                  : filter::FilterForm::General;
        return runFilter(form, std::string(conversion->command), {}, std::move(done), {conversionStep(*conversion)});
    }
    const SharedText start = workingText_;
    runBusy(workingText_->size(),
        [this, conversion, start, tracks = services_.tracksChanges](const Work& flag) -> Finisher {
            auto result = std::make_shared<TextResult>(convert::applyConversion(*conversion, *start, &flag));
            auto changes = std::make_shared<diff::ChangeMap>();
            if (*result && tracks) *changes = diff::lineChanges(*start, result->value());
            return [this, result, changes, start, conversion] {
                if (!*result) return outcomeOf(result->error());
                takeResult(start, share(std::move(*result).value()), std::move(*changes), {conversionStep(*conversion)});
                return Outcome::done(texts::text(texts::Msg::StatusDone));
            };
        },
        std::move(done));
}

void EditorState::runDuplicates(bool extracting, OutcomeHandler done) {
    if (busy_) return refuseWhileBusy(done);
    const SharedText start = workingText_;
    runBusy(workingText_->size(),
        [this, extracting, start, tracks = services_.tracksChanges](const Work&) -> Finisher {
            auto result = std::make_shared<convert::DuplicateResult>(extracting ? convert::exJufuku(*start)
                                                                                : convert::delJufuku(*start));
            auto changes = std::make_shared<diff::ChangeMap>();
            if (result->outcome == convert::DuplicateResult::Outcome::Found && tracks)
                *changes = diff::lineChanges(*start, result->output);
            return [this, extracting, result, changes, start] {
                using Found = convert::DuplicateResult::Outcome;
                const std::string status = convert::duplicateStatus(*result, extracting);
                // One line: there is nothing to compare, the run stops there.
                if (result->outcome == Found::OneLine) return Outcome::refused(status);
                if (result->outcome == Found::Found) {
                    replaceWorkingText(share(std::move(result->output)), std::move(*changes),
                                       {conversionStep(duplicatesConversion(extracting))});
                    afterText_ = workingText_;
                    beforeText_ = start;
                    changed_ = false;
                    notify(WorkingText | ChangedMark);
                }
                return Outcome::done(status);
            };
        },
        std::move(done));
}

void EditorState::deleteDuplicates(OutcomeHandler done) { runDuplicates(false, std::move(done)); }
void EditorState::extractDuplicates(OutcomeHandler done) { runDuplicates(true, std::move(done)); }

void EditorState::countCharacters(OutcomeHandler done) {
    countWith(
        workingText_->size(),
        [text = workingText_](std::string&) { return std::optional(convert::countText(*text)); },
        [done = std::move(done)](const Outcome& o, const convert::Counts&) {
            if (done) done(o);
        });
}

void EditorState::countOver(std::string_view text, CountHandler done) {
    countWith(
        text.size(), [text](std::string&) { return std::optional(convert::countText(text)); }, std::move(done));
}

void EditorState::countRead(const std::string& source, std::size_t size, ReadAt read, CountHandler done) {
    countWith(
        size,
        [source, size, read = std::move(read)](std::string& why) {
            int error = 0;
            auto counted = convert::countRead(size, read, error);
            if (!counted) why = texts::message(texts::Msg::CliFileUnreadable, source, std::strerror(error));
            return counted;
        },
        std::move(done));
}

void EditorState::countWith(std::size_t size, std::function<std::optional<convert::Counts>(std::string& why)> count,
                            CountHandler done) {
    auto counts = std::make_shared<convert::Counts>();
    OutcomeHandler told = [counts, done = std::move(done)](const Outcome& o) {
        if (done) done(o, *counts);
    };
    if (busy_) return refuseWhileBusy(told);
    runBusy(size,
        [count = std::move(count), counts](const Work&) -> Finisher {
            std::string why;
            const auto counted = count(why);
            if (!counted) return [why] { return Outcome::failed(why); };
            *counts = *counted;
            return [status = convert::countStatus(*counts)] { return Outcome::done(status); };
        },
        std::move(told));
}

}  // namespace kk
