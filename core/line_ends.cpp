// Line-end helpers shared by every line-wise operation.
#include "core/line_ends.h"

#include "core/big_buffer.h"

#include <algorithm>
#include <cstring>

namespace kk {

std::string_view lineEndOf(std::string_view text) {
    const std::size_t lf = text.find('\n');
    return lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r' ? std::string_view("\r\n")
                                                                           : std::string_view("\n");
}

bool LineReader::next(Line& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t lf = text_.find('\n', pos_);
    if (lf == std::string_view::npos) {
        line = {text_.substr(pos_), {}};
        pos_ = text_.size();
        return true;
    }
    const bool cr = lf > pos_ && text_[lf - 1] == '\r';
    const std::size_t bodyEnd = cr ? lf - 1 : lf;
    line = {text_.substr(pos_, bodyEnd - pos_), text_.substr(bodyEnd, lf + 1 - bodyEnd)};
    pos_ = lf + 1;
    return true;
}

LfView::LfView(std::string_view text) : original_(text) {
    std::size_t at = text.find("\r\n");
    if (at == std::string_view::npos) return;
    crlf_ = true;
    reserveText(lf_, text.size());
    std::size_t copied = 0;
    for (; at != std::string_view::npos; at = text.find("\r\n", at + 2)) {
        lf_.append(text.substr(copied, at - copied));
        removedAt_.push_back(lf_.size());
        lf_.push_back('\n');
        copied = at + 2;
    }
    lf_.append(text.substr(copied));
}

std::size_t LfView::originalOffset(std::size_t lfOffset) const {
    if (!crlf_) return lfOffset;
    // Every removed CR before this offset shifts it by one.
    const auto before = std::lower_bound(removedAt_.begin(), removedAt_.end(), lfOffset);
    return lfOffset + static_cast<std::size_t>(before - removedAt_.begin());
}

}  // namespace kk
