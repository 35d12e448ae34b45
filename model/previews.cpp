// Previews: the same operations as the runs, over a copy of the working
// text in the preview lane, reported only while still wanted.
#include "model/editor_state.h"
#include "model/steps.h"

#include "convert/registry.h"
#include "convert/reverse_count.h"
#include "diff/line_diff.h"
#include "regex/operations.h"
#include "texts/texts.h"

#include <new>

namespace kk {

void EditorState::cancelPreview() {
    if (previewFlag_) previewFlag_->cancel();
    previewFlag_.reset();
}

void EditorState::preview(const Text& command, bool invert, PreviewHandler done) {
    cancelPreview();
    auto result = std::make_shared<Preview>();
    result->mode = classifyCommand(command);
    if (result->mode == CommandMode::Filter) {
        result->outcome = Outcome::refused(texts::text(texts::Msg::NoFilterPreview));
        return done(result);
    }
    auto read = regex::readCommand(command, regex::CommandRules::Typing);
    if (!read) {
        result->outcome = outcomeOf(read.error());
        return done(result);
    }
    const SharedText start = workingText_;
    runPreview(
        result,
        [start, parsed = std::move(read).value(), invert](Preview& p, const Work& flag) {
            diff::Report report;
            TextResult r = regex::applyCommand(parsed, *start, invert ? 1 : 0, &flag, &report);
            if (!r) {
                p.outcome = outcomeOf(r.error());
                return;
            }
            p.text = share(std::move(r).value());
            p.changes = std::move(report.changes);
            p.count = report.count;
            const std::string n = convert::formatCount(report.count);
            p.outcome = Outcome::done(p.mode == CommandMode::Match ? n + texts::text(texts::Msg::PreviewLines)
                                                                   : n + texts::text(texts::Msg::PreviewPlaces));
        },
        std::move(done));
}

void EditorState::previewConversion(std::string_view labelOrName, PreviewHandler done) {
    cancelPreview();
    auto result = std::make_shared<Preview>();
    const convert::Conversion* conversion = convert::findConversion(labelOrName);
    if (!conversion || conversion->kind != convert::ConversionKind::Text) {
        result->outcome = Outcome::refused(texts::text(texts::Msg::NoFilterPreview));
        return done(result);
    }
    const SharedText start = workingText_;
    runPreview(
        result,
        [start, conversion](Preview& p, const Work& flag) {
            TextResult r = convert::applyConversion(*conversion, *start, &flag);
            if (!r) {
                p.outcome = outcomeOf(r.error());
                return;
            }
            p.changes = diff::lineChanges(*start, r.value());
            p.text = share(std::move(r).value());
            p.count = static_cast<std::int64_t>(p.changes.size());
            p.outcome = Outcome::done(
                texts::message(texts::Msg::PreviewConversion, convert::formatCount(p.count), std::string(conversion->caption)));
        },
        std::move(done));
}

void EditorState::runPreview(std::shared_ptr<Preview> result,
                             std::function<void(Preview&, const Work&)> work, PreviewHandler done) {
    auto flag = std::make_shared<Work>();
    previewFlag_ = flag;
    services_.tasks.run(
        TaskKind::Preview, [result, flag, work = std::move(work)] {
            try {
                work(*result, *flag);
            } catch (const std::bad_alloc&) {
                result->outcome = outcomeOf(Error{texts::Msg::OutOfMemory, {}, -1, ErrorKind::Fault});
            }
        },
        [this, result, flag, done = std::move(done)] {
            // A preview overtaken by a newer one, or cancelled, says nothing.
            if (flag->cancelled() || previewFlag_ != flag) return;
            previewFlag_.reset();
            done(result);
        });
}

}  // namespace kk
