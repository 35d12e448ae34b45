// Checkpoints, a binary search for the first span on screen, and selections
// in the palette's own highlight colour, translucent, so dark themes work.
#include "window/highlights.h"

#include <cmath>

#include "window/widget_text.h"
#include "core/text_codec.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

namespace kk {

namespace {

int unitsOfByte(unsigned char b) { return ((b & 0xC0) != 0x80) + (b >= 0xF0); }

}  // namespace

OffsetIndex::OffsetIndex(std::string_view text) : text_(text) { marks_.push_back({0, 0}); }

// Checkpoints are made as far as the questions reach: the view near the top
// of a big text needs the first blocks only, so showing a result costs the
// UI thread nothing in proportion to the text. A block of valid UTF-8 is
// counted by its bytes; one with stray bytes element by element.
void OffsetIndex::extend(std::size_t byte, int position) const {
    constexpr std::size_t kStep = 64 << 10;
    const auto* p = reinterpret_cast<const unsigned char*>(text_.data());
    while (scanned_ < text_.size() && (scanned_ <= byte || scannedUnits_ <= position)) {
        if (scanned_ > marks_.back().first) marks_.push_back({scanned_, scannedUnits_});
        std::size_t end = std::min(text_.size(), scanned_ + kStep);
        while (end < text_.size() && ((p[end] & 0xC0) == 0x80 || (p[end] == '\n' && p[end - 1] == '\r'))) ++end;
        const std::string_view block = text_.substr(scanned_, end - scanned_);
        if (validUtf8Prefix(block) == block.size()) {
            int units = 0;
            for (std::size_t i = scanned_; i < end; ++i) units += unitsOfByte(p[i]) - (p[i] == '\n' && i > 0 && p[i - 1] == '\r');
            scannedUnits_ += units;
            scanned_ = end;
        } else {
            while (scanned_ < end) {
                const view::Step st = view::stepAt(text_, scanned_);
                scanned_ += st.bytes;
                scannedUnits_ += st.units;
            }
        }
    }
}

void OffsetIndex::retarget(std::string_view text, std::size_t changedFrom) {
    text_ = text;
    while (marks_.size() > 1 && marks_.back().first >= changedFrom) marks_.pop_back();
    scanned_ = marks_.back().first;
    scannedUnits_ = marks_.back().second;
}

int OffsetIndex::toPosition(std::size_t byte) const {
    extend(byte, -1);
    auto it = std::upper_bound(marks_.begin(), marks_.end(), byte,
                               [](std::size_t b, const std::pair<std::size_t, int>& m) { return b < m.first; });
    --it;
    int position = it->second;
    for (std::size_t i = it->first; i < byte && i < text_.size();) {
        const view::Step st = view::stepAt(text_, i);
        i += st.bytes;
        position += st.units;
    }
    return position;
}

std::size_t OffsetIndex::toByte(int position) const {
    extend(0, position);
    auto it = std::upper_bound(marks_.begin(), marks_.end(), position,
                               [](int p, const std::pair<std::size_t, int>& m) { return p < m.second; });
    --it;
    std::size_t byte = it->first;
    int at = it->second;
    while (byte < text_.size() && at < position) {
        const view::Step st = view::stepAt(text_, byte);
        byte += st.bytes;
        at += st.units;
    }
    return byte;
}

namespace {

double luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

QColor mix(const QColor& from, const QColor& to, double t) {
    return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * t),
                            static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * t),
                            static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * t));
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor contrastingMark(const QColor& background, const QColor& accent, const QColor& text) {
    constexpr double kMinimum = 3.0;
    for (const QColor& toward : {accent, text}) {
        for (int step = 1; step <= 40; ++step) {
            const QColor c = mix(background, toward, step / 40.0);
            if (contrastRatio(c, background) >= kMinimum && contrastRatio(c, text) >= kMinimum) return c;
        }
    }
    return accent;
}

QList<QTextEdit::ExtraSelection> visibleHighlights(QPlainTextEdit* box, const OffsetIndex& index,
                                                   const diff::ChangeMap& changes) {
    QList<QTextEdit::ExtraSelection> out;
    if (changes.empty()) return out;
    const int top = box->cursorForPosition(QPoint(0, 0)).block().position();
    const int bottom = box->cursorForPosition(QPoint(box->viewport()->width(), box->viewport()->height())).position();
    const std::size_t fromByte = index.toByte(top), toByte = index.toByte(bottom + 1);
    const QPalette& p = box->palette();
    const QColor colour = contrastingMark(p.color(QPalette::Base), p.color(QPalette::Highlight), p.color(QPalette::Text));
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
