// The window's controls: made, named after their handlers, laid out and
// wired to the slots.
#include "window/main_window.h"
#include "window/announcer.h"
#include "window/command_preview.h"
#include "window/text_box_view.h"
#include "window/ui_text.h"

#include "texts/texts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace kk {

QAction* MainWindow::nameAction(QAction* a, const QString& name, void (MainWindow::*slot)()) {
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, slot);
    actions_[name] = a;
    return a;
}

QAction* MainWindow::commandAction(const QString& name, const QString& caption, void (MainWindow::*slot)()) {
    auto* a = new QAction(caption, this);
    addAction(a);  // its keys work anywhere in the window
    return nameAction(a, name, slot);
}

void MainWindow::escape_Press() {
    if (preview_->showing() && !state_.busy()) preview_->leave();
    else cancel_Click();
}

void MainWindow::buildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    // The fixed geometry was drawn for tight button margins; the style's own
    // padding would clip captions such as "clip boad 転送".
    central->setStyleSheet(QStringLiteral("QPushButton { padding: 0px 1px; }"));
    auto button = [&](QPushButton*& b, const char* name, const char* caption) {
        b = new QPushButton(qs(caption), central);
        b->setObjectName(name);
        b->setAutoDefault(false);
        controls_[name] = b;
    };
    auto label = [&](QLabel*& l, const char* name, const char* caption) {
        l = new QLabel(qs(caption), central);
        l->setObjectName(name);
        controls_[name] = l;
    };
    button(History1, "History1", "履歴(置換前)");
    button(HIstory2, "HIstory2", "履歴(置換後)");
    button(History0, "History0", "起動時のclip boad");
    button(clipKakunin, "clipKakunin", "現在のclip boad");
    m_rev = new QCheckBox(qs("-v (反転：mのみ)"), central);
    m_rev->setObjectName("m_rev");
    controls_["m_rev"] = m_rev;
    button(myIchigeki, "myIchigeki", "一撃&@");
    myIchigeki->setToolTip(qs(texts::text(texts::Msg::OneShotTip)));
    label(Label1, "Label1", "正規表現/　Filterｺﾏﾝﾄﾞ");
    Label1->setToolTip(qs(texts::text(texts::Msg::EditListTip)));
    myRegstrBox = new QComboBox(central);
    myRegstrBox->setObjectName("myRegstrBox");
    myRegstrBox->setEditable(true);
    myRegstrBox->setInsertPolicy(QComboBox::NoInsert);
    myRegstrBox->setMaxVisibleItems(20);
    myRegstrBox->setEditText(qs(names::kInitialCommand));
    controls_["myRegstrBox"] = myRegstrBox;
    button(runSed, "runSed", "置換実行");
    label(okimariLabel, "okimariLabel", "おきまりの表現");
    okimariLabel->setToolTip(qs(texts::text(texts::Msg::EditListTip)));
    okimariBox = new QComboBox(central);
    okimariBox->setObjectName("okimariBox");
    okimariBox->setMaxVisibleItems(20);
    controls_["okimariBox"] = okimariBox;
    button(ClipTenso, "ClipTenso", "clip boad 転送");
    button(okimarituika, "okimarituika", "おきまりに追加");
    button(multilineCmd, "multilineCmd", "複数行補助");
    multilineCmd->setToolTip(qs(texts::text(texts::Msg::MultilineTip)));
    // The status line is a status bar's, which a screen reader's status
    // command reads; beside it, an outcome is said when it comes.
    statusBar_ = new QStatusBar(central);
    statusBar_->setObjectName("statusBar");
    statusBar_->setSizeGripEnabled(false);
    statusBar_->setContentsMargins(0, 0, 0, 0);
    statusBar_->setStyleSheet(QStringLiteral("QStatusBar { border: none; } QStatusBar::item { border: none; }"));
    label(jotai, "jotai", "");
    jotai->setAccessibleName(qs(texts::text(texts::Msg::StatusName)));
    statusBar_->addWidget(jotai, 1);
    announcer_ = new Announcer(statusBar_);
    statusBar_->addWidget(announcer_);
    label(manualHenko, "manualHenko", "");
    myTextBox = new QPlainTextEdit(central);
    myTextBox->setObjectName("myTextBox");
    controls_["myTextBox"] = myTextBox;
    button(cancelButton, "cancel", "中止");
    cancelButton->setVisible(false);
    progress_ = new QProgressBar(central);
    progress_->setObjectName("progress");
    progress_->setAccessibleName(qs(texts::text(texts::Msg::ProgressName)));
    progress_->setVisible(false);
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressPollMs);
    connect(progressTimer_, &QTimer::timeout, this, &MainWindow::showProgress);

    // Fonts: the names stay the classic ones; main() maps them to installed fonts.
    QFont gothic(qs("ＭＳ ゴシック"));
    gothic.setStyleHint(QFont::Monospace);
    gothic.setPointSizeF(9);
    myTextBox->setFont(gothic);
    gothic.setPointSizeF(11.25);
    myRegstrBox->setFont(gothic);
    okimariBox->setFont(gothic);
    QFont pgothic(qs("ＭＳ Ｐゴシック"));
    pgothic.setPointSizeF(9);
    pgothic.setBold(true);
    runSed->setFont(pgothic);

    Label1->setFocusPolicy(Qt::NoFocus);
    for (QLabel* l : {Label1, okimariLabel}) {
        l->setWordWrap(true);  // shown whole: Form_Resize gives it the height its lines need
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    // Tab walks the controls as they stand, row by row, the text box last:
    // in it Tab types a tab, so what came after it could not be reached.
    QWidget* order[] = {History1,     HIstory2, History0,   clipKakunin, m_rev,        myIchigeki,   myRegstrBox,
                        runSed,       okimariBox, ClipTenso, okimarituika, multilineCmd, myTextBox};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    // Return presses the button that has the focus, as Space does.
    for (QPushButton* b : {History1, HIstory2, History0, clipKakunin, myIchigeki, runSed, ClipTenso, okimarituika,
                           multilineCmd, cancelButton})
        b->installEventFilter(this);

    // One action per command: the button presses it, and follows its state.
    // The jobs that wait while another runs form the busy group.
    const struct {
        QPushButton* button;
        void (MainWindow::*slot)();
        bool waitsWhileBusy;
    } commands[] = {
        {runSed, &MainWindow::runSed_Click, true},          {myIchigeki, &MainWindow::myIchigeki_Click, true},
        {clipKakunin, &MainWindow::clipKakunin_Click, true}, {ClipTenso, &MainWindow::ClipTenso_Click, true},
        {History0, &MainWindow::History0_Click, false},      {History1, &MainWindow::History1_Click, false},
        {HIstory2, &MainWindow::HIstory2_Click, false},      {okimarituika, &MainWindow::okimarituika_Click, false},
        {multilineCmd, &MainWindow::multilineCmd_Click, false}, {cancelButton, &MainWindow::cancel_Click, false},
    };
    for (const auto& c : commands) {
        QAction* a = commandAction(c.button->objectName(), c.button->text().remove(QLatin1Char('&')), c.slot);
        connect(c.button, &QPushButton::clicked, a, &QAction::trigger);
        connect(a, &QAction::changed, c.button, [a, b = c.button] { b->setEnabled(a->isEnabled()); });
        if (c.waitsWhileBusy) busyGroup_.push_back(a);
    }
    connect(okimariBox, &QComboBox::activated, this, &MainWindow::okimariBox_Click);
    // A command picked from the history: the caret where the pattern goes.
    connect(myRegstrBox, &QComboBox::activated, this,
            [this] { QTimer::singleShot(0, this, &MainWindow::myRegstrBox_GotFocus); });
    connect(m_rev, &QCheckBox::toggled, this, [this](bool on) { state_.setInvert(on); });
    textView_ = new TextBoxView(myTextBox, [this] { return state_.busy(); });
    preview_ = new CommandPreview(state_, myRegstrBox, m_rev, textView_,
                                  {[this] { syncFromWidgets(); },
                                   [this](const QString& message) { showOnStatusLine(message); },
                                   [this] {
                                       showWorkingText();
                                       showStatus();
                                   }});
    // Esc leaves a preview for the working text; else it stops a running job.
    commandAction("escape", qs("プレビューを閉じる・中止"), &MainWindow::escape_Press)->setShortcut(Qt::Key_Escape);
    commandAction("focusCommandLine", qs("コマンド欄へ"), &MainWindow::focusCommandLine)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));

    // What a screen reader says for each control: its caption, or what it holds.
    Label1->setBuddy(myRegstrBox);
    okimariLabel->setBuddy(okimariBox);
    const std::pair<QWidget*, const char*> names[] = {
        {myRegstrBox, "正規表現/　Filterｺﾏﾝﾄﾞ"},
        {okimariBox, "おきまりの表現"},
        {myTextBox, kTextBoxName},
        {manualHenko, "変更の印"},
        {Label1, "正規表現/　Filterｺﾏﾝﾄﾞ"},
        {okimariLabel, "おきまりの表現"},
    };
    for (const auto& [w, name] : names) w->setAccessibleName(qs(name));
    myRegstrBox->lineEdit()->setAccessibleName(qs("正規表現/　Filterｺﾏﾝﾄﾞ"));
    myRegstrBox->setAccessibleDescription(
        qs("s/// tr/// m// か、シェルのコマンド。Enter で実行、Ctrl+L でここへ戻ります"));
    okimariBox->setAccessibleDescription(qs("選ぶとコマンド欄に入ります"));
    myTextBox->setAccessibleDescription(qs("クリップボードから取り込んだ文字列。コマンドの結果がここに入ります"));
    for (QPushButton* b : {runSed, clipKakunin, ClipTenso, myIchigeki, History0, History1, HIstory2, okimarituika,
                           multilineCmd, cancelButton}) {
        b->setAccessibleName(QString(b->text()).remove('&'));
        if (!b->toolTip().isEmpty()) b->setAccessibleDescription(b->toolTip());
    }
    m_rev->setAccessibleName(m_rev->text());

    // Keys reach the combo first (its line edit gets them forwarded without
    // passing event filters), so watch both.
    myRegstrBox->installEventFilter(this);
    myRegstrBox->lineEdit()->installEventFilter(this);
    myTextBox->installEventFilter(this);
    jotai->installEventFilter(this);
    Label1->installEventFilter(this);
    okimariLabel->installEventFilter(this);
}

}  // namespace kk
