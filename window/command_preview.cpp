// A preview waits 150 ms after the last key, runs in the model's preview
// lane (a newer one replaces it) and is shown only if still wanted.
#include "window/command_preview.h"

#include "texts/texts.h"
#include "window/text_box_view.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTextCharFormat>
#include <QTimer>

namespace kk {

CommandPreview::CommandPreview(EditorState& state, QComboBox* commandLine, QCheckBox* invert, TextBoxView* box,
                               Hooks hooks)
    : QObject(commandLine), state_(state), commandLine_(commandLine), invert_(invert), box_(box),
      hooks_(std::move(hooks)), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setInterval(150);  // after the last key
    // Only a command edited since the last run is previewed: a preview that
    // fires after a quick Enter would show the command applied once more
    // over the run's own result.
    connect(timer_, &QTimer::timeout, this, [this] {
        if (editedSinceRun_) start();
    });
    // Only the user's own edits of the command start a preview: the box is
    // also rewritten when the history list is refilled after a run.
    connect(commandLine_->lineEdit(), &QLineEdit::textEdited, this, &CommandPreview::edited);
    connect(commandLine_, &QComboBox::activated, this, &CommandPreview::edited);
    connect(invert_, &QCheckBox::clicked, this, &CommandPreview::edited);
}

bool CommandPreview::on() const { return switch_ && switch_->isChecked(); }
bool CommandPreview::showing() const { return box_->previewing(); }

void CommandPreview::edited() {
    editedSinceRun_ = true;
    if (on()) timer_->start();
}

void CommandPreview::forwarded() {
    timer_->stop();
    editedSinceRun_ = false;
}

// The command as typed: the tail an inline completion offers (selected, up
// to the end) is not the user's until taken.
QString CommandPreview::typedCommand() const {
    const QLineEdit* edit = commandLine_->lineEdit();
    const QString text = edit->text();
    if (edit->hasSelectedText() && edit->selectionStart() > 0 && edit->selectionEnd() == text.size() &&
        commandLine_->completer() && commandLine_->completer()->completionMode() == QCompleter::InlineCompletion)
        return text.left(edit->selectionStart());
    return text;
}

void CommandPreview::start() {
    if (!on() || state_.busy()) return;
    const std::string command = typedCommand().toStdString();
    if (command.empty() || command == names::kInitialCommand) return leave();
    hooks_.takeEdits();  // the preview runs over the text as the user edited it
    state_.preview(command, invert_->isChecked(),
                   [this](std::shared_ptr<const EditorState::Preview> p) { show(p); });
}

void CommandPreview::show(const std::shared_ptr<const EditorState::Preview>& p) {
    const QString message = QString::fromStdString(p->outcome.message);
    if (!p->outcome.ok()) {
        // What is wrong shows while typing, at its column; no message box.
        leave();
        hooks_.sayOnStatus(message);
        markColumn(p->outcome.column);
        return;
    }
    markColumn(-1);
    box_->show(p->text, std::make_shared<const diff::ChangeMap>(p->changes), true);
    hooks_.sayOnStatus(message);
}

void CommandPreview::leave() {
    state_.cancelPreview();
    markColumn(-1);
    if (showing()) hooks_.showText();
}

void CommandPreview::previewItem(const std::function<void(EditorState::PreviewHandler)>& preview) {
    if (!on() || state_.busy()) return;
    hooks_.takeEdits();
    itemPreviewed_ = true;
    // The model refuses what it does not preview (a filter): the box then
    // shows the text, without a message for a mere hover.
    preview([this](std::shared_ptr<const EditorState::Preview> p) {
        if (!itemPreviewed_) return;
        if (p->outcome.kind == Outcome::Kind::Refused) leave();
        else show(p);
    });
}

void CommandPreview::menuClosed() {
    if (!std::exchange(itemPreviewed_, false)) return;
    leave();
    start();
}

// The command box marks a column by a wavy underline of its character, the
// way an input method marks text, without touching the text or the caret.
void CommandPreview::markColumn(std::int64_t column) {
    QLineEdit* edit = commandLine_->lineEdit();
    QList<QInputMethodEvent::Attribute> attributes;
    if (column >= 0) {
        const QString command = edit->text();
        qsizetype at = 0;
        for (std::int64_t k = 0; k < column && at < command.size(); ++k) at += command.at(at).isHighSurrogate() ? 2 : 1;
        QTextCharFormat format;
        format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        format.setUnderlineColor(edit->palette().color(QPalette::Highlight));
        format.setBackground(QColor(255, 0, 0, 60));
        const int from = static_cast<int>(at) - edit->cursorPosition();
        attributes << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, from, at < command.size() ? 1 : 0,
                                                   format);
    }
    QInputMethodEvent event(QString(), attributes);
    QCoreApplication::sendEvent(edit, &event);
}

}  // namespace kk
