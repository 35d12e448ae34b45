// Checkpoints, a binary search for the first span on screen, and selections
// in the palette's own highlight colour, translucent, so dark themes work.
#include "app/highlights.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

namespace kk {

namespace {

int unitsOf(unsigned char b) { return (b & 0xC0) == 0x80 ? 0 : b >= 0xF0 ? 2 : 1; }

}  // namespace

OffsetIndex::OffsetIndex(std::string_view text) : text_(text) { marks_.push_back({0, 0}); }

// Checkpoints are made as far as the questions reach: the view near the top
// of a big text needs the first blocks only, so showing a result costs the
// UI thread nothing in proportion to the text.
void OffsetIndex::extend(std::size_t byte, int position) const {
    constexpr std::size_t kStep = 64 << 10;
    const auto* p = reinterpret_cast<const unsigned char*>(text_.data());
    while (scanned_ < text_.size() && (scanned_ <= byte || scannedUnits_ <= position)) {
        if (scanned_ > 0 && unitsOf(p[scanned_]) > 0) marks_.push_back({scanned_, scannedUnits_});
        const std::size_t end = std::min(text_.size(), scanned_ + kStep);
        int units = 0;
        for (std::size_t i = scanned_; i < end; ++i) units += ((p[i] & 0xC0) != 0x80) + (p[i] >= 0xF0);
        scannedUnits_ += units;
        scanned_ = end;
    }
}

int OffsetIndex::toPosition(std::size_t byte) const {
    extend(byte, -1);
    auto it = std::upper_bound(marks_.begin(), marks_.end(), byte,
                               [](std::size_t b, const std::pair<std::size_t, int>& m) { return b < m.first; });
    --it;
    int position = it->second;
    for (std::size_t i = it->first; i < byte && i < text_.size(); ++i)
        position += unitsOf(static_cast<unsigned char>(text_[i]));
    return position;
}

std::size_t OffsetIndex::toByte(int position) const {
    extend(0, position);
    auto it = std::upper_bound(marks_.begin(), marks_.end(), position,
                               [](int p, const std::pair<std::size_t, int>& m) { return p < m.second; });
    --it;
    std::size_t byte = it->first;
    int at = it->second;
    while (byte < text_.size() && at < position) at += unitsOf(static_cast<unsigned char>(text_[byte++]));
    while (byte < text_.size() && unitsOf(static_cast<unsigned char>(text_[byte])) == 0) ++byte;
    return byte;
}

QList<QTextEdit::ExtraSelection> visibleHighlights(QPlainTextEdit* box, const OffsetIndex& index,
                                                   const diff::ChangeMap& changes) {
    QList<QTextEdit::ExtraSelection> out;
    if (changes.empty()) return out;
    const int top = box->cursorForPosition(QPoint(0, 0)).block().position();
    const int bottom = box->cursorForPosition(QPoint(box->viewport()->width(), box->viewport()->height())).position();
    const std::size_t fromByte = index.toByte(top), toByte = index.toByte(bottom + 1);
    QColor colour = box->palette().color(QPalette::Highlight);
    colour.setAlpha(110);
    QTextCharFormat format;
    format.setBackground(colour);
    // Spans are in text order: the first that ends on screen, then on.
    auto it = std::lower_bound(changes.begin(), changes.end(), fromByte, [](const diff::Change& c, std::size_t b) {
        return c.to + std::max<std::size_t>(c.toLength, 1) <= b;
    });
    for (; it != changes.end() && it->to <= toByte && out.size() < 5000; ++it) {
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(box->document());
        const int a = index.toPosition(it->to);
        // A deletion leaves no text: the character after it is marked.
        const int b = it->toLength > 0 ? index.toPosition(it->to + it->toLength) : a + 1;
        s.cursor.setPosition(a);
        s.cursor.setPosition(std::min(b, box->document()->characterCount() - 1), QTextCursor::KeepAnchor);
        s.format = format;
        out.push_back(s);
    }
    return out;
}

}  // namespace kk
