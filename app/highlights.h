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

// Byte offsets of a UTF-8 text to positions in the box (UTF-16 units: every
// line end one unit), by checkpoints every 64 KB.
class OffsetIndex {
public:
    OffsetIndex() = default;
    explicit OffsetIndex(std::string_view text);
    int toPosition(std::size_t byte) const;
    std::size_t toByte(int position) const;

private:
    std::string_view text_;
    std::vector<std::pair<std::size_t, int>> marks_;  // byte, position
};

// The selections for the spans (`to` side) that lie within the box's view.
QList<QTextEdit::ExtraSelection> visibleHighlights(QPlainTextEdit* box, const OffsetIndex& index,
                                                   const diff::ChangeMap& changes);

}  // namespace kk
