// The box is filled a slice per turn of the event loop and read-only
// meanwhile; highlights are made only for the spans on screen; an edit is
// mapped back by position into a copy of the shown text.
#include "window/text_box_view.h"

#include "model/editor_state.h"
#include "core/line_ends.h"
#include "window/widget_text.h"

#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace kk {

namespace {

// The text document pays per paragraph, not per character: a 20 MB text of
// 300,000 lines takes most of a second as paragraphs. So only every 64th
// line end is a paragraph break and the others are line separators, which
// look and edit the same.
constexpr int kLinesPerParagraph = 64;

QString toWidgetText(std::string_view text, int& line) {
    return view::toWidgetText(text, line, kLinesPerParagraph);
}

// Separators of either kind compare equal: the box may show a line end as either.
bool sameShown(QChar a, QChar b) {
    auto norm = [](QChar c) { return c == QChar::ParagraphSeparator ? QChar(QChar::LineSeparator) : c; };
    return norm(a) == norm(b);
}
// A big text goes into the box a slice per turn of the event loop, so the
// window never stops answering for long; the box is read-only meanwhile.
// Slices end at a line end, so no CR LF pair or character is cut.
constexpr std::size_t kSliceBytes = 2u << 20;

std::size_t sliceEnd(const std::string& text, std::size_t from) {
    if (text.size() - from <= kSliceBytes) return text.size();
    const std::size_t lf = text.find('\n', from + kSliceBytes);
    return lf == std::string::npos ? text.size() : lf + 1;
}

}  // namespace

TextBoxView::TextBoxView(QPlainTextEdit* box, std::function<bool()> busy)
    : QObject(box), box_(box), busy_(std::move(busy)), fillTimer_(new QTimer(this)) {
    fillTimer_->setInterval(0);
    connect(fillTimer_, &QTimer::timeout, this, &TextBoxView::fillNextSlice);
    connect(box_->document(), &QTextDocument::contentsChange, this, &TextBoxView::mapEdit);
    connect(box_->document(), &QTextDocument::contentsChanged, this, [this] {
        if (settingText_) return;
        // The highlights stand for the text as the run left it, until an edit.
        if (shownChanges_ && !shownChanges_->empty()) {
            shownChanges_.reset();
            box_->setExtraSelections({});
        }
    });
    // Highlights go only where the box shows text: again as it scrolls.
    connect(box_->verticalScrollBar(), &QScrollBar::valueChanged, this, &TextBoxView::refreshHighlights);
}

bool TextBoxView::filling() const { return fillTimer_->isActive(); }

void TextBoxView::setChanges(std::shared_ptr<const diff::ChangeMap> changes) {
    shownChanges_ = std::move(changes);
    refreshHighlights();
}

const std::string* TextBoxView::takeEdits() {
    if (!dirty_ || !edited_) return nullptr;
    dirty_ = false;
    return edited_.get();
}

void TextBoxView::show(SharedText text, std::shared_ptr<const diff::ChangeMap> changes, bool preview) {
    // The box already holds this very text (a run that changed nothing, or
    // the user's own edits taken as they stand): it is left as it is, so
    // the caret stays and a screen reader hears no text go and come back.
    const bool whole = shown_ && !fillTimer_->isActive() && fillPos_ >= shown_->size();
    const bool same = whole && (edited_ ? *edited_ == *text : (shown_ == text || *shown_ == *text));
    fillTimer_->stop();
    shown_ = std::move(text);
    shownIndex_.reset();  // made when there is something to highlight
    shownChanges_ = std::move(changes);
    const std::string& t = *shown_;
    if (!same) {
        fillLine_ = 0;
        fillPos_ = sliceEnd(t, 0);
        settingText_ = true;
        box_->setUndoRedoEnabled(false);
        // One change replacing the whole content, not a removal and then an
        // insertion a screen reader would read as two.
        QTextCursor all(box_->document());
        all.select(QTextCursor::Document);
        all.insertText(toWidgetText(std::string_view(t).substr(0, fillPos_), fillLine_));
        box_->moveCursor(QTextCursor::Start);
        settingText_ = false;
        removed_.clear();
    }
    dirty_ = false;
    edited_.reset();
    editedIndex_.reset();
    // A preview is tinted with the palette's own colours, so it reads as one
    // in a dark theme too, and takes no typing.
    preview_ = preview;
    QPalette p = box_->window()->palette();
    if (preview) {
        const QColor base = p.color(QPalette::Base), tint = p.color(QPalette::Highlight);
        p.setColor(QPalette::Base, QColor((base.red() * 9 + tint.red()) / 10, (base.green() * 9 + tint.green()) / 10,
                                          (base.blue() * 9 + tint.blue()) / 10));
        // A light tint keeps the text readable; what tells a preview at a
        // glance is a frame standing 3:1 from the background.
        const QColor frame = contrastingMark(base, tint, p.color(QPalette::Text));
        box_->setStyleSheet(QStringLiteral("QPlainTextEdit { border: 3px solid %1; }").arg(frame.name()));
    } else if (!box_->styleSheet().isEmpty()) {
        box_->setStyleSheet({});
    }
    box_->setPalette(p);
    if (fillPos_ < t.size()) {
        box_->setReadOnly(true);
        fillTimer_->start();
    } else {
        box_->setReadOnly(preview || busy_());
        box_->setUndoRedoEnabled(!preview);
    }
    refreshHighlights();
}

void TextBoxView::refreshHighlights() {
    if (!shown_ || !shownChanges_ || shownChanges_->empty()) {
        box_->setExtraSelections({});
        return;
    }
    if (!shownIndex_) shownIndex_.emplace(*shown_);
    box_->setExtraSelections(visibleHighlights(box_, *shownIndex_, *shownChanges_));
}

void TextBoxView::fillNextSlice() {
    const std::string& text = *shown_;
    if (fillPos_ >= text.size()) {
        fillTimer_->stop();
        return;
    }
    const std::size_t end = sliceEnd(text, fillPos_);
    QTextCursor cursor(box_->document());
    cursor.movePosition(QTextCursor::End);
    settingText_ = true;
    cursor.insertText(toWidgetText(std::string_view(text).substr(fillPos_, end - fillPos_), fillLine_));
    settingText_ = false;
    fillPos_ = end;
    if (fillPos_ >= text.size()) {
        fillTimer_->stop();
        box_->setReadOnly(preview_ || busy_());
        box_->setUndoRedoEnabled(!preview_);
        returnFreedMemory();
    }
}

// The document of a big text is millions of small blocks; the ones a new text
// replaced are free but stay in the allocator's pools, spread among live ones,
// unless it is asked to hand whole free pages back (tens of MB per 100 MB text).
void TextBoxView::returnFreedMemory() {
#ifdef __GLIBC__
    if (shown_->size() >= kTrimAfterBytes) malloc_trim(0);
#endif
}

// An edit of the box, mapped into the shown text's bytes: the span it
// replaced by position, the characters it put there as they were typed.
// Where the document reports more than it changed (it may report a whole
// block), the part that reads the same on both sides is left alone.
void TextBoxView::mapEdit(int position, int removed, int added) {
    if (settingText_ || !shown_) return;
    if (!edited_) {
        edited_ = std::make_unique<std::string>(*shown_);
        editedIndex_.emplace(*edited_);
    }
    // A change that replaces the whole document counts its final block end
    // on both sides, which is no text.
    const int length = box_->document()->characterCount() - 1;
    if (position + added > length) {
        const int excess = position + added - length;
        added -= excess;
        removed = std::max(0, removed - excess);
    }
    std::string& text = *edited_;
    std::size_t from = editedIndex_->toByte(position);
    std::size_t to = editedIndex_->toByte(position + removed);
    QTextCursor cursor(box_->document());
    cursor.setPosition(position);
    cursor.setPosition(position + added, QTextCursor::KeepAnchor);
    QString typed = cursor.selectedText();
    if (removed > 0 && added > 0 && removed <= (1 << 20)) {
        // The elements of the old span, each with where it starts in it.
        std::vector<std::pair<std::size_t, int>> starts;
        int line = 0;
        const QString old = toWidgetText(std::string_view(text).substr(from, to - from), line);
        int unit = 0;
        for (std::size_t b = from; b < to;) {
            starts.push_back({b, unit});
            const view::Step st = view::stepAt(text, b);
            b += st.bytes;
            unit += st.units;
        }
        starts.push_back({to, unit});
        int head = 0;
        while (head < old.size() && head < typed.size() && sameShown(old[head], typed[head])) ++head;
        int tail = 0;
        while (tail < old.size() - head && tail < typed.size() - head &&
               sameShown(old[old.size() - 1 - tail], typed[typed.size() - 1 - tail]))
            ++tail;
        // Whole elements only (a surrogate pair is not cut).
        const auto [headByte, headUnit] =
            *(std::upper_bound(starts.begin(), starts.end(), head,
                               [](int u, const std::pair<std::size_t, int>& s) { return u < s.second; }) -
              1);
        const auto [tailByte, tailUnit] = *std::lower_bound(
            starts.begin(), starts.end(), static_cast<int>(old.size()) - tail,
            [](const std::pair<std::size_t, int>& s, int u) { return s.second < u; });
        const int keepTail = static_cast<int>(old.size()) - tailUnit;
        if (headUnit <= tailUnit && headUnit + keepTail <= typed.size()) {
            typed = typed.mid(headUnit, typed.size() - headUnit - keepTail);
            from = headByte;
            to = tailByte;
        }
    }
    constexpr std::size_t kRemembered = 32, kRememberedBytes = std::size_t{4} << 20;
    if (to > from && to - from <= kRememberedBytes) {
        int line = 0;
        removed_.push_back({toWidgetText(std::string_view(text).substr(from, to - from), line), text.substr(from, to - from)});
        if (removed_.size() > kRemembered) removed_.pop_front();
    }
    std::string bytes;
    auto back = std::find_if(removed_.rbegin(), removed_.rend(), [&](const auto& r) {
        return r.first.size() == typed.size() && std::equal(typed.begin(), typed.end(), r.first.begin(), sameShown);
    });
    if (!typed.isEmpty() && back != removed_.rend()) bytes = back->second;
    else bytes = view::fromWidgetText(typed, lineEndOf(*shown_));
    text.replace(from, to - from, bytes);
    editedIndex_->retarget(text, from);
    dirty_ = true;
}

}  // namespace kk
