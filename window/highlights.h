// Highlights of changed spans in the text box: only the spans on screen are
// turned into selections (a big text may hold millions of changes), found
// through an index from the text's byte offsets to the box's positions.
#pragma once

#include "diff/changes.h"

#include <QList>
#include <QTextEdit>

#include <string_view>
#include <utility>
#include <vector>

class QPlainTextEdit;

namespace kk {

// Byte offsets of the text to positions in the box (as the box shows it:
// UTF-16 units, a line end of either form one unit, a byte that is no UTF-8
// one unit), by checkpoints every 64 KB, made as far as asked.
class OffsetIndex {
public:
    OffsetIndex() = default;
    explicit OffsetIndex(std::string_view text);
    int toPosition(std::size_t byte) const;
    // The start of the element at or after `position`.
    std::size_t toByte(int position) const;
    // The text was changed from byte `changedFrom` on (and may have moved):
    // the checkpoints before it stay.
    void retarget(std::string_view text, std::size_t changedFrom);

private:
    void extend(std::size_t byte, int position) const;  // checkpoints past `byte` and past `position`
    std::string_view text_;
    mutable std::vector<std::pair<std::size_t, int>> marks_;  // byte, position
    mutable std::size_t scanned_ = 0;                         // the blocks before it are counted
    mutable int scannedUnits_ = 0;
};

// WCAG's contrast ratio of two colours (1 to 21).
double contrastRatio(const QColor& a, const QColor& b);
// A mark to set on `background`: the palette's `accent` mixed in until it
// stands at least 3:1 from the background with `text` on it still at 3:1
// (toward the text's colour where the accent cannot get there).
QColor contrastingMark(const QColor& background, const QColor& accent, const QColor& text);

// The selections for the spans (`to` side) that lie within the box's view.
QList<QTextEdit::ExtraSelection> visibleHighlights(QPlainTextEdit* box, const OffsetIndex& index,
                                                   const diff::ChangeMap& changes);

}  // namespace kk
