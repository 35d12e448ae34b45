// Widgets, their names and captions, and the forwarding of events to the model.
#include "window/main_window.h"
#include "window/ui_text.h"
#include "window/announcer.h"

#include "window/layout.h"
#include "window/command_preview.h"
#include "window/text_box_view.h"
#include "convert/reverse_count.h"
#include "dialogs/info_windows.h"
#include "dialogs/multiline_form.h"
#include "dialogs/recipe_editor.h"
#include "core/line_ends.h"
#include "kakikae_version.h"
#include "texts/texts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QProgressBar>
#include <QTimer>

#include <utility>

namespace kk {

MainWindow::MainWindow(EditorState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
    setObjectName("kakikae");
    setWindowTitle(qs(names::kAppTitle));
    buildControls();
    buildMenus();
    // After the first paint: a desktop portal may take a moment to answer.
    QTimer::singleShot(0, this, [this] { loadShortcuts(); });
    state_.setObserver([this](unsigned changes) { render(changes); });
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    const int menuH = menuBar()->sizeHint().height();
    setMinimumSize(layout::twipsToPixels(layout::kMinWidth, dpi),
                   layout::twipsToPixels(layout::kMinHeight, dpi) + menuH);
    QSize open(layout::twipsToPixels(layout::kOpenWidth, dpi), layout::twipsToPixels(layout::kOpenHeight, dpi) + menuH);
    // On a screen smaller than the design size, open within what it has.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        open = open.boundedTo(screen->availableGeometry().size() * 0.95).expandedTo(minimumSize());
    resize(open);
}

// ---- model → widgets ------------------------------------------------------------

void MainWindow::fillCombo(QComboBox* box, const std::vector<Text>& items, bool keepEditText) {
    const QString edit = box->currentText();
    box->setUpdatesEnabled(false);  // one repaint for the whole list
    box->clear();
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (const auto& s : items) list << qs(s);
    box->addItems(list);
    if (keepEditText) box->setEditText(edit);
    else box->setCurrentIndex(-1);
    box->setUpdatesEnabled(true);
}

void MainWindow::render(unsigned changes) {
    if (changes & EditorState::WorkingText) {
        showWorkingText();
    } else if ((changes & EditorState::Changes) && !textView_->previewing()) {
        textView_->setChanges(state_.sharedLastChanges());
    }
    if (changes & EditorState::History) fillCombo(myRegstrBox, state_.history(), true);
    if (changes & EditorState::CommandLine) {
        myRegstrBox->setEditText(qs(state_.commandLine()));
        myRegstrBox_GotFocus();  // a favourite, a reload, start-up: the caret where the pattern goes
    }
    if (changes & EditorState::Favourites) fillCombo(okimariBox, state_.favourites(), false);
    if (changes & EditorState::Recipes) {
        fillRecipesMenu();
        if (auto* editor = qobject_cast<dialogs::RecipeEditor*>(recipeEditor_.data())) editor->reload();
    }
    if (changes & EditorState::Status) showStatus();
    if (changes & EditorState::ChangedMark) {
        const QString mark = state_.changedMark() ? qs(texts::text(texts::Msg::ChangedMark)) : QString();
        manualHenko->setText(mark);
        // Read with the box's name by a screen reader, which never reaches the label.
        myTextBox->setAccessibleName(mark.isEmpty() ? qs(kTextBoxName) : qs(kTextBoxName) + "（" + mark + "）");
    }
    if (changes & EditorState::Invert) {
        const QSignalBlocker block(m_rev);
        m_rev->setChecked(state_.invert());
    }
    if (changes & EditorState::Busy) {
        const bool busy = state_.busy();
        // A pressed button is disabled while its job runs, and Qt hands its
        // focus on; it gets it back when the job ends.
        if (busy) focusBeforeBusy_ = QApplication::focusWidget();
        // Runs, the clipboard transfers, the menus: the model takes them only when idle.
        for (QAction* a : busyGroup_) a->setEnabled(!busy);
        // What is typed while a job runs would be lost when its result lands.
        if (!fillingText()) myTextBox->setReadOnly(busy);
        cancelButton->setVisible(busy);
        if (busy) placeCancelButton();
        if (busy) progressTimer_->start();
        else {
            progressTimer_->stop();
            progress_->setVisible(false);
            if (focusBeforeBusy_ && qobject_cast<QPushButton*>(focusBeforeBusy_.data()) && focusBeforeBusy_->isEnabled() &&
                QApplication::focusWidget() != focusBeforeBusy_ && isActiveWindow())
                focusBeforeBusy_->setFocus(Qt::OtherFocusReason);
            focusBeforeBusy_.clear();
        }
    }
    // After the busy state: the focus it gives back gives way to this.
    if (changes & EditorState::Ended) {
        const Outcome& o = state_.lastOutcome();
        announcer_->announce(qs(announcement(o, state_.status())));
        // A command refused at a column: the caret goes there, to mend it.
        if (o.kind == Outcome::Kind::Refused && o.column >= 0) {
            // Columns count characters; the line edit counts UTF-16 units.
            const QString command = myRegstrBox->currentText();
            qsizetype at = 0;
            for (std::int64_t k = 0; k < o.column && at < command.size(); ++k)
                at += command.at(at).isHighSurrogate() ? 2 : 1;
            myRegstrBox->setFocus();
            // After the focus rule's own placing of the caret, which comes queued.
            QTimer::singleShot(0, this,
                               [this, at] { myRegstrBox->lineEdit()->setCursorPosition(static_cast<int>(at)); });
        }
    }
}

// After a moment of work a bar beside "中止" shows how far it has come: the
// share of the text walked, or for a filter (whose end nobody knows) the
// seconds it has run and what it has written.
void MainWindow::showProgress() {
    const auto work = state_.activeWork();
    if (!work || work->elapsed().count() < kProgressAfterMs) return;
    const auto seconds = QString::number(work->elapsed().count() / 1000);
    QString step;
    if (work->steps() > 1) step = QString("%1/%2 ").arg(work->step()).arg(work->steps());
    if (work->total() > 0) {
        progress_->setRange(0, 1000);
        progress_->setValue(static_cast<int>(work->done() * 1000 / work->total()));
        progress_->setFormat(step + "%p% · " + seconds + qs(texts::text(texts::Msg::ProgressSeconds)));
    } else {
        progress_->setRange(0, 0);  // busy indicator
        progress_->setFormat(step + seconds + qs(texts::text(texts::Msg::ProgressSeconds)) + " · " +
                             qs(convert::formatCount(static_cast<std::int64_t>(work->output() >> 10))) + " KB");
    }
    progress_->setToolTip(progress_->format());
    progress_->setAccessibleDescription(progress_->text());
    if (!progress_->isVisible()) {
        progress_->setVisible(true);
        placeCancelButton();
    }
}

// ---- widgets → model ----------------------------------------------------------

void MainWindow::showWorkingText() {
    textView_->show(state_.sharedWorkingText(), state_.sharedLastChanges(), false);
}

bool MainWindow::fillingText() const { return textView_->filling(); }

void MainWindow::MenuPreview_Click() {
    QSettings().setValue("preview", previewAction_->isChecked());
    if (previewAction_->isChecked()) preview_->start();
    else preview_->leave();
}

void MainWindow::MenuPrimary_Click() {
    QAction* primary = menuAction("MenuPrimary");
    const bool on = primary->isChecked();
    if (!state_.readFromPrimary(on).ok()) primary->setChecked(false);
    QSettings().setValue("readPrimary", on && primary->isChecked());
}

// Edits typed since the last run are taken first, so undoing puts them on
// the redo side instead of dropping them.
void MainWindow::MenuUndoRun_Click() {
    preview_->leave();
    forward([this] { state_.undoRun(); });
}

void MainWindow::MenuRedoRun_Click() {
    preview_->leave();
    forward([this] { state_.redoRun(); });
}

void MainWindow::syncFromWidgets() {
    if (const std::string* edited = textView_->takeEdits()) state_.setWorkingTextFromView(*edited);
    state_.setCommandLineFromView(myRegstrBox->currentText().toStdString());
}

void MainWindow::forward(const std::function<void()>& handler) {
    preview_->forwarded();
    statusIsCount_ = false;
    syncFromWidgets();
    handler();
}

bool MainWindow::clipboardNeedsFocus() const {
    return QGuiApplication::platformName().startsWith("wayland") && !isActiveWindow();
}

void MainWindow::Form_Load() {
    const bool later = clipboardNeedsFocus();
    if (later) focusLoad_ = FocusLoad::StartUp;
    state_.formLoad(later ? EditorState::ClipboardAtStart::Later : EditorState::ClipboardAtStart::Now);
    // The command is what a user types first, whatever comes first in the tab order.
    myRegstrBox->setFocus(Qt::OtherFocusReason);
}

void MainWindow::bringForward() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    if (clipboardNeedsFocus()) focusLoad_ = FocusLoad::Reload;
    else clipKakunin_Click();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || focusLoad_ == FocusLoad::None) return;
    const FocusLoad what = std::exchange(focusLoad_, FocusLoad::None);
    // Queued: the compositor's offer is handled in the same turn as the focus.
    QTimer::singleShot(0, this, [this, what] {
        if (what == FocusLoad::StartUp) forward([this] { state_.loadStartClipboard(); });
        else clipKakunin_Click();
    });
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

namespace {

// Our fonts run wider than the ones the fixed geometry was drawn for: shrink
// a caption that would be clipped, rather than the button.
void fitCaption(QPushButton* b) {
    // The caption as designed, kept apart from what the button shows now.
    if (!b->property("caption").isValid()) b->setProperty("caption", b->text());
    const QString designed = b->property("caption").toString();
    const QString caption = QString(designed).remove('&');
    QFont f = b->font();
    const int room = b->width() - 8;
    while (f.pointSizeF() > 6.5 && QFontMetrics(f).horizontalAdvance(caption) > room)
        f.setPointSizeF(f.pointSizeF() - 0.5);
    if (f != b->font()) b->setFont(f);
    const QFontMetrics metrics(f);
    const bool cut = metrics.horizontalAdvance(caption) > room;
    if (!cut) {
        if (b->text() != designed) b->setText(designed);
        if (b->toolTip() == caption) b->setToolTip({});
        return;
    }
    // Too narrow even so: shortened with "…", its access key kept at the end,
    // and read whole on hover (a button with a tip of its own keeps it).
    const qsizetype amp = designed.indexOf('&');
    const QString key = amp >= 0 && amp + 1 < designed.size() ? designed.mid(amp, 2) : QString();
    const QString rest = key.isEmpty() ? caption : QString(designed).remove(amp, 2);
    const int keyWidth = key.isEmpty() ? 0 : metrics.horizontalAdvance(key.mid(1));
    b->setText(metrics.elidedText(rest, Qt::ElideRight, std::max(0, room - keyWidth)) + key);
    if (b->toolTip().isEmpty()) b->setToolTip(caption);
}

}  // namespace

void MainWindow::Form_Resize() {
    QWidget* central = centralWidget();
    if (!central) return;
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    const int w = static_cast<int>(central->width() * 1440.0 / dpi + 0.5);
    const int h = static_cast<int>(central->height() * 1440.0 / dpi + 0.5);
    // The run and copy-back buttons as wide as their captions need in this
    // desktop's font (the design's twips were drawn for narrower fonts).
    int captionPx = 0;
    for (QPushButton* b : {runSed, ClipTenso})
        captionPx = std::max(captionPx, QFontMetrics(b->font()).horizontalAdvance(QString(b->text()).remove('&')) + 12);
    const int rightColumn = std::max(layout::kRightColumn, static_cast<int>(captionPx * 1440.0 / dpi + 0.5));
    for (const auto& placed : layout::placeControls(w, h, rightColumn)) {
        QWidget* c = control(QString::fromUtf8(placed.name.data(), static_cast<qsizetype>(placed.name.size())));
        if (!c) continue;
        if (c == jotai) c = statusBar_;  // the line lives in the status bar
        const auto& r = placed.rect;
        c->setGeometry(layout::twipsToPixels(r.left, dpi), layout::twipsToPixels(r.top, dpi),
                       layout::twipsToPixels(r.width, dpi), layout::twipsToPixels(r.height, dpi));
        if (auto* b = qobject_cast<QPushButton*>(c)) fitCaption(b);
    }
    // The captions of the two boxes shown whole: wrapped within their width
    // and as tall as that takes, into the free room below them.
    for (const auto& [l, roomEnds] : {std::pair{Label1, 1200}, std::pair{okimariLabel, 1560}}) {
        const int needed = l->heightForWidth(l->width());
        if (needed > l->height())
            l->resize(l->width(), std::min(needed, layout::twipsToPixels(roomEnds, dpi) - l->y()));
    }
    showStatus();
    placeCancelButton();  // busy from the start (the clipboard's load) comes before the first layout
}

// The status line shows as much as fits, the whole message on hover; a click
// opens it whole, with the details a failure brought (a filter's error output).
// What is said when an operation ends: the outcome first, then what the
// status line says of it.
std::string MainWindow::announcement(const Outcome& o, const std::string& status) {
    const std::string& what = o.message.empty() ? status : o.message;
    switch (o.kind) {
        case Outcome::Kind::Done: return what;
        case Outcome::Kind::Cancelled: return what;
        case Outcome::Kind::Refused:
        case Outcome::Kind::Failed: return texts::message(texts::Msg::Failure, what);
    }
    return what;
}

void MainWindow::showStatus() {
    // A count's line also says how it counts (the menu bar shows no tooltips).
    showOnStatusLine(qs(state_.status()), statusIsCount_ ? "\n" + qs(texts::text(texts::Msg::CountTip)) : QString());
}

void MainWindow::showOnStatusLine(const QString& full, const QString& moreOnHover) {
    const int room = std::max(0, jotai->width() - (cancelButton->isVisible() ? cancelButton->width() : 0) -
                                     (progress_->isVisible() ? progress_->width() + 4 : 0));
    jotai->setText(jotai->fontMetrics().elidedText(full, Qt::ElideRight, room));
    jotai->setToolTip(full + moreOnHover);
    // Read whole, not as the shortened line shows it.
    jotai->setAccessibleName(full.isEmpty() ? qs(texts::text(texts::Msg::StatusName)) : full);
    jotai->setAccessibleDescription(full);
}

void MainWindow::jotai_Click() {
    QString text = qs(state_.status());
    const Outcome& o = state_.lastOutcome();
    if (!o.details.empty() && o.message == state_.status()) text += "\n\n" + qs(o.details);
    if (text.isEmpty()) return;
    QMessageBox box(QMessageBox::Information, qs(names::kAppTitle), qs(state_.status()), QMessageBox::Ok, this);
    if (!o.details.empty() && o.message == state_.status()) box.setDetailedText(qs(o.details));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The helper, guide and about windows have no owner: they go with the
    // main window, so quitting ends the program.
    for (QPointer<QWidget>* w : {&multiLineForm_, &guide_, &about_, &recipeEditor_})
        if (*w) (*w)->close();
    QMainWindow::closeEvent(event);
}

void MainWindow::focusCommandLine() {
    myRegstrBox->setFocus(Qt::ShortcutFocusReason);
    myRegstrBox_GotFocus();
}

// "中止" sits at the right end of the status line while the model is busy.
void MainWindow::placeCancelButton() {
    const QRect line = statusBar_->geometry();
    cancelButton->setGeometry(line.right() - 80, line.y(), 80, line.height());
    cancelButton->raise();
    const int width = std::min(200, line.width() / 2);
    progress_->setGeometry(cancelButton->x() - width - 4, line.y(), width, line.height());
    progress_->raise();
}

void MainWindow::runSed_Click() {
    preview_->leave();
    forward([this] { state_.run(); });
}
void MainWindow::myIchigeki_Click() {
    forward([this] { state_.oneShot(); });
}
void MainWindow::clipKakunin_Click() {
    forward([this] { state_.loadClipboard(); });
}
void MainWindow::ClipTenso_Click() {
    forward([this] { state_.copyBack(); });
}
void MainWindow::History0_Click() {
    forward([this] { state_.showStartClip(); });
}
void MainWindow::History1_Click() {
    forward([this] { state_.showBefore(); });
}
void MainWindow::HIstory2_Click() {
    forward([this] { state_.showAfter(); });
}
void MainWindow::okimarituika_Click() {
    forward([this] { state_.addFavourite(); });
}
void MainWindow::okimariBox_Click() {
    const QString entry = okimariBox->currentText();
    forward([this, entry] { state_.chooseFavourite(entry.toStdString()); });
    preview_->edited();
}
void MainWindow::multilineCmd_Click() {
    // Without an owner, as a window of its own: the main window stays usable.
    showOnce(multiLineForm_, [this] {
        auto* form = new dialogs::MultiLineForm(nullptr);
        form->workingLineEnd = [this] { return lineEndOf(state_.workingText()); };
        connect(form, &dialogs::MultiLineForm::commandBuilt, this, [this](const QString& command) {
            myRegstrBox->setEditText(command);
            state_.setCommandLineFromView(command.toStdString());
            preview_->edited();
        });
        return form;
    });
}

void MainWindow::showOnce(QPointer<QWidget>& slot, const std::function<QWidget*()>& make) {
    if (!slot) {
        slot = make();
        connect(this, &QObject::destroyed, slot.data(), &QWidget::close);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
}

void MainWindow::MenuGuide_Click() {
    showOnce(guide_, [] { return new dialogs::GuideWindow(nullptr); });
}

void MainWindow::MenuAbout_Click() {
    showOnce(about_, [this] {
        auto* about = new dialogs::AboutWindow(qs(names::kAppTitle), KAKIKAE_VERSION_MAJOR, KAKIKAE_VERSION_MINOR,
                                               KAKIKAE_VERSION_PATCH, nullptr);
        connect(about, &dialogs::AboutWindow::systemInfoRequested, this, [this] { state_.startSystemInfo(); });
        return about;
    });
}

void MainWindow::MenuHelpindex_Click() { state_.openHelp(); }
void MainWindow::gotokakikaeHP_Click() { state_.openHomePage(); }
void MainWindow::menu_explorer_Click() { state_.openDataFolder(); }

void MainWindow::menu_reload_Click() {
    forward([this] { state_.reloadLists(); });
}
void MainWindow::MenuEditHistory_Click() { state_.openListFile(kHistoryFileName); }
void MainWindow::MenuEditOkimari_Click() { state_.openListFile(kFavouritesFileName); }
void MainWindow::MenuStrcount_Click() {
    forward([this] { state_.countCharacters(); });
    statusIsCount_ = true;  // after forward, which clears it
    showStatus();
}
void MainWindow::Menumultidel_Click() {
    forward([this] { state_.deleteDuplicates(); });
}
void MainWindow::Menumultiview_Click() {
    forward([this] { state_.extractDuplicates(); });
}
void MainWindow::Label1_Click() { MenuEditHistory_Click(); }
void MainWindow::okimariLabel_Click() { MenuEditOkimari_Click(); }
void MainWindow::MenuQuit_Click() { close(); }
void MainWindow::cancel_Click() { state_.cancel(); }

void MainWindow::myRegstrBox_GotFocus() {
    QLineEdit* edit = myRegstrBox->lineEdit();
    const QString t = edit->text();
    // The caret right after the operator, nothing selected (a Tab into the
    // box would otherwise select it all, and the next key wipe it).
    int at = -1;
    if (t.startsWith("m/") || t.startsWith("s/") || t.startsWith("y/")) at = 2;
    else if (t.startsWith("tr/")) at = 3;
    if (at < 0) return;
    edit->deselect();
    edit->setCursorPosition(at);
}

void MainWindow::myRegstrBox_KeyPress(int& keyCode) {
    if (keyCode != 13) return;
    keyCode = 0;  // no line break in the command line
    runSed_Click();
}

void MainWindow::myTextBox_KeyPress(int& keyCode) {
    if (keyCode != 0) state_.markChanged();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == myRegstrBox || watched == myRegstrBox->lineEdit()) {
        if (event->type() == QEvent::FocusIn) {
            // After Qt's own focus handling has placed the caret.
            QTimer::singleShot(0, this, &MainWindow::myRegstrBox_GotFocus);
        } else if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            int code = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) ? 13 : 0;
            if (code == 13) {
                myRegstrBox_KeyPress(code);
                return true;
            }
        }
    } else if (watched == myTextBox && event->type() == QEvent::InputMethod) {
        // Text from an input method (fcitx5, ibus) arrives without key presses.
        if (!static_cast<QInputMethodEvent*>(event)->commitString().isEmpty() && !myTextBox->isReadOnly())
            state_.markChanged();
    } else if (watched == myTextBox && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Tab types a tab (tab-separated text is common); Ctrl+Tab and
        // Ctrl+Shift+Tab leave the box.
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && (key->modifiers() & Qt::ControlModifier)) {
            const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            focusNextPrevChild(!back);
            return true;
        }
        const QString text = key->text();
        int code = text.isEmpty() ? 0 : text.at(0).unicode();
        if (code == 0x7F) code = 0;  // Delete produces no character here
        myTextBox_KeyPress(code);
    } else if (event->type() == QEvent::KeyPress && qobject_cast<QPushButton*>(watched)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
            static_cast<QPushButton*>(watched)->animateClick();
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Label1) Label1_Click();
        else if (watched == okimariLabel) okimariLabel_Click();
        else if (watched == jotai) jotai_Click();
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace kk
