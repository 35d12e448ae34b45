// The live preview: the command as the user typed it, applied to the text in
// the model's background and shown tinted in the box, with its count on the
// status line and an error's column marked in the command line; also the
// menu item under the pointer. Only the user's own edits start one, so a run
// is never previewed again over its own result.
#pragma once

#include "model/editor_state.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QTimer;

namespace kk {

class TextBoxView;

class CommandPreview final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> takeEdits;                  // the widgets' edits into the model
        std::function<void(const QString&)> sayOnStatus;  // a message on the status line
        std::function<void()> showText;                   // the working text and its status again
    };
    CommandPreview(EditorState& state, QComboBox* commandLine, QCheckBox* invert, TextBoxView* box, Hooks hooks);
    void setSwitch(QAction* on) { switch_ = on; }  // the menu item that turns previews on

    void edited();     // the user edited the command: a preview after a pause
    void forwarded();  // an operation takes the command: nothing pending
    void start();      // the command as typed, now
    void show(const std::shared_ptr<const EditorState::Preview>& preview);
    void leave();      // back to the working text
    // The conversion or recipe under the pointer; `menuClosed` goes back to
    // the command's preview or the text.
    void previewItem(const std::function<void(EditorState::PreviewHandler)>& preview);
    void menuClosed();
    bool showing() const;

private:
    bool on() const;
    QString typedCommand() const;
    void markColumn(std::int64_t column);  // -1: no mark

    EditorState& state_;
    QComboBox* commandLine_;
    QCheckBox* invert_;
    TextBoxView* box_;
    Hooks hooks_;
    QAction* switch_ = nullptr;
    QTimer* timer_;
    bool editedSinceRun_ = false;
    bool itemPreviewed_ = false;  // the preview shown is a menu item's
};

}  // namespace kk
