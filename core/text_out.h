// Where an operation's result goes. By default it is kept whole and
// returned; given a sink, it is handed on in pieces as it is made, so a
// front that only writes the result out never holds all of it.
#pragma once

#include "core/big_buffer.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kk {

// Takes the result's bytes in order; false when they could not be written
// (the operation then stops).
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual bool write(std::string_view bytes) = 0;
    // The descriptor behind the sink, which a child process may write the
    // bytes into itself where it is a regular file; -1 when there is none.
    virtual int file() const { return -1; }
};

// The result being made. Offsets (size()) count everything appended, handed
// on or not, so reports of what changed stay right either way.
class TextOut {
public:
    explicit TextOut(TextSink* sink = nullptr) : sink_(sink) {}
    bool streaming() const { return sink_ != nullptr; }
    // Room for the whole result; a streamed one needs only a piece's.
    void reserve(std::size_t bytes) {
        if (!sink_) reserveText(text_, bytes);
        else if (text_.capacity() < kPiece * 2) text_.reserve(kPiece * 2);
    }
    void append(std::string_view s) {
        // A long run of input goes to the sink as it is, not through the buffer.
        if (sink_ && s.size() >= kPiece) {
            handOn();
            if (ok_) ok_ = sink_->write(s);
            handed_ += s.size();
            return;
        }
        text_.append(s);
        if (sink_ && text_.size() >= kPiece) handOn();
    }
    // For writers that append to a string themselves; call settle() after.
    std::string& buffer() { return text_; }
    void settle() {
        if (sink_ && text_.size() >= kPiece) handOn();
    }
    std::size_t size() const { return handed_ + text_.size(); }
    // False once the sink refused a piece.
    bool ok() const { return ok_; }
    // The whole result (kept), or the last piece handed on (streamed: then
    // the string returned is empty).
    std::string finish() {
        if (!sink_) return std::move(text_);
        handOn();
        return {};
    }

private:
    static constexpr std::size_t kPiece = std::size_t{1} << 18;
    void handOn() {
        if (text_.empty()) return;
        if (ok_) ok_ = sink_->write(text_);
        handed_ += text_.size();
        text_.clear();
    }
    TextSink* sink_;
    std::string text_;
    std::size_t handed_ = 0;
    bool ok_ = true;
};

}  // namespace kk
