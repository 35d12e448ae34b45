// The text box as a view of a shared text: a big text goes in a slice per
// turn of the event loop, the changed spans on screen are highlighted, and
// the user's edits are mapped back into bytes by position, so what the user
// did not touch keeps its bytes.
#pragma once

#include "diff/changes.h"
#include "model/editor_state.h"
#include "window/highlights.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QPlainTextEdit;
class QTimer;

namespace kk {

class TextBoxView final : public QObject {
    Q_OBJECT
public:
    // `busy` says whether the model is at work (the box takes no typing then).
    TextBoxView(QPlainTextEdit* box, std::function<bool()> busy);

    // Puts `text` into the box with its change spans; a preview is tinted,
    // framed and read-only. The box already holding this very text is left
    // alone (the caret stays, a screen reader hears nothing go and come).
    void show(SharedText text, std::shared_ptr<const diff::ChangeMap> changes, bool preview);
    // New change spans for the text on show.
    void setChanges(std::shared_ptr<const diff::ChangeMap> changes);
    void refreshHighlights();
    bool filling() const;  // a big text is still going in
    bool previewing() const { return preview_; }
    // The shown text as the user has edited it since it was shown or last
    // taken; nullptr when there is no edit to take.
    const std::string* takeEdits();

private:
    void fillNextSlice();
    static constexpr std::size_t kTrimAfterBytes = std::size_t{16} << 20;
    void returnFreedMemory();
    void mapEdit(int position, int removed, int added);

    QPlainTextEdit* box_;
    std::function<bool()> busy_;
    QTimer* fillTimer_;
    std::size_t fillPos_ = 0;  // how much of the shown text the box has so far
    int fillLine_ = 0;         // line ends so far, for the paragraph rhythm
    bool dirty_ = false;       // edited since last taken
    bool settingText_ = false;
    bool preview_ = false;
    SharedText shown_;  // what the box holds (the working text, or a preview)
    std::optional<OffsetIndex> shownIndex_;
    std::shared_ptr<const diff::ChangeMap> shownChanges_;
    // The shown text as the user edited it, and its index.
    std::unique_ptr<std::string> edited_;
    std::optional<OffsetIndex> editedIndex_;
    // Recent removals as the box showed them and as bytes: an undo that puts
    // one back gets its bytes (a mixed text's line ends) rather than its look.
    std::deque<std::pair<QString, std::string>> removed_;
};

}  // namespace kk
