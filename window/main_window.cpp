// Widgets, their names and captions, and the forwarding of events to the model.
#include "window/main_window.h"
#include "window/announcer.h"

#include "window/layout.h"
#include "window/widget_text.h"
#include "convert/reverse_count.h"
#include "dialogs/info_windows.h"
#include "dialogs/multiline_form.h"
#include "dialogs/recipe_editor.h"
#include "platform/line_ends.h"
#include "kakikae_version.h"
#include "platform/text_codec.h"
#include "texts/texts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
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
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QProgressBar>
#include <QTimer>

#include <utility>

namespace kk {

namespace {
constexpr const char* kTextBoxName = "作業欄";
}  // namespace

namespace {
QString qs(const std::string& s) { return QString::fromStdString(s); }
QString qs(const char* s) { return QString::fromUtf8(s); }

// The text document pays per paragraph, not per character: a 20 MB text of
// 300,000 lines takes most of a second as paragraphs. So only every 64th
// line end is a paragraph break and the others are line separators, which
// look and edit the same.
constexpr int kLinesPerParagraph = 64;

QString toWidgetText(std::string_view text, int& line) {
    return view::toWidgetText(text, line, kLinesPerParagraph);
}

// Separators of either kind compare equal: the box may show a line end as either.
bool sameShown(QChar a, QChar b) {
    auto norm = [](QChar c) { return c == QChar::ParagraphSeparator ? QChar(QChar::LineSeparator) : c; };
    return norm(a) == norm(b);
}
}  // namespace

MainWindow::MainWindow(EditorState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
    setObjectName("kakikae");
    setWindowTitle(qs(names::kAppTitle));
    buildControls();
    buildMenus();
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

    connect(runSed, &QPushButton::clicked, this, &MainWindow::runSed_Click);
    connect(myIchigeki, &QPushButton::clicked, this, &MainWindow::myIchigeki_Click);
    connect(clipKakunin, &QPushButton::clicked, this, &MainWindow::clipKakunin_Click);
    connect(ClipTenso, &QPushButton::clicked, this, &MainWindow::ClipTenso_Click);
    connect(History0, &QPushButton::clicked, this, &MainWindow::History0_Click);
    connect(History1, &QPushButton::clicked, this, &MainWindow::History1_Click);
    connect(HIstory2, &QPushButton::clicked, this, &MainWindow::HIstory2_Click);
    connect(okimarituika, &QPushButton::clicked, this, &MainWindow::okimarituika_Click);
    connect(okimariBox, &QComboBox::activated, this, &MainWindow::okimariBox_Click);
    // A command picked from the history: the caret where the pattern goes.
    connect(myRegstrBox, &QComboBox::activated, this,
            [this] { QTimer::singleShot(0, this, &MainWindow::myRegstrBox_GotFocus); });
    connect(multilineCmd, &QPushButton::clicked, this, &MainWindow::multilineCmd_Click);
    connect(cancelButton, &QPushButton::clicked, this, &MainWindow::cancel_Click);
    connect(m_rev, &QCheckBox::toggled, this, [this](bool on) { state_.setInvert(on); });
    fillTimer_ = new QTimer(this);
    fillTimer_->setInterval(0);
    connect(fillTimer_, &QTimer::timeout, this, &MainWindow::fillNextSlice);
    connect(myTextBox->document(), &QTextDocument::contentsChange, this, &MainWindow::mapEdit);
    connect(myTextBox->document(), &QTextDocument::contentsChanged, this, [this] {
        if (settingText_) return;
        // The highlights stand for the text as the run left it, until an edit.
        if (shownChanges_ && !shownChanges_->empty()) {
            shownChanges_.reset();
            myTextBox->setExtraSelections({});
        }
    });
    // Highlights go only where the box shows text: again as it scrolls.
    connect(myTextBox->verticalScrollBar(), &QScrollBar::valueChanged, this, &MainWindow::refreshHighlights);
    previewTimer_ = new QTimer(this);
    previewTimer_->setSingleShot(true);
    previewTimer_->setInterval(150);  // after the last key
    // Only a command edited since the last run is previewed: a preview that
    // fires after a quick Enter would show the command applied once more
    // over the run's own result.
    connect(previewTimer_, &QTimer::timeout, this, [this] {
        if (editedSinceRun_) startPreview();
    });
    // Only the user's own edits of the command start a preview: the box is
    // also rewritten when the history list is refilled after a run, and a
    // preview then would show the command applied once more over its result.
    connect(myRegstrBox->lineEdit(), &QLineEdit::textEdited, this, &MainWindow::schedulePreview);
    connect(myRegstrBox, &QComboBox::activated, this, &MainWindow::schedulePreview);
    connect(m_rev, &QCheckBox::clicked, this, &MainWindow::schedulePreview);
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, [this] {
        // Esc leaves a preview for the working text; else it stops a running job.
        if (previewing_ && !state_.busy()) leavePreview();
        else cancel_Click();
    });
    // Keys for what a keyboard user needs most; none clashes with the menus'
    // access keys (Alt + a letter).
    const std::pair<QKeySequence, void (MainWindow::*)()> keys[] = {
        {QKeySequence(Qt::Key_F1), &MainWindow::MenuHelpindex_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), &MainWindow::MenuQuit_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_L), &MainWindow::focusCommandLine},
    };
    for (const auto& [key, slot] : keys) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, slot);
    }

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

QAction* MainWindow::addMenuItem(QMenu* menu, const char* name, const QString& caption, void (MainWindow::*slot)()) {
    QAction* a = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, slot);
    actions_[name] = a;
    return a;
}

void MainWindow::addConversionItem(QMenu* menu, const std::string& name, const std::string& caption,
                                   const std::string& label) {
    QAction* a = menu->addAction(qs(caption));
    a->setObjectName(qs(name));
    connect(a, &QAction::triggered, this, [this, label] { forward([this, label] { state_.runConversion(label); }); });
    connect(a, &QAction::hovered, this, [this, label] {
        previewMenuItem([this, label](EditorState::PreviewHandler done) { state_.previewConversion(label, done); });
    });
    actions_[qs(name)] = a;
}

// With the preview on, the conversion or recipe under the pointer shows its
// result; when its menu closes the box shows the command's preview or the
// text again.
void MainWindow::previewMenuItem(const std::function<void(EditorState::PreviewHandler)>& preview) {
    if (!previewAction_->isChecked() || state_.busy()) return;
    syncFromWidgets();
    conversionPreviewed_ = true;
    // The model refuses what it does not preview (a filter): the box then
    // shows the text, without a message for a mere hover.
    preview([this](std::shared_ptr<const EditorState::Preview> p) {
        if (!conversionPreviewed_) return;
        if (p->outcome.kind == Outcome::Kind::Refused) leavePreview();
        else showPreview(p);
    });
}

// The recipes, in the file's order, each with an access key (1-9, then
// A-Z), then the editor.
void MainWindow::fillRecipesMenu() {
    for (QAction* a : recipesMenu_->actions()) actions_.erase(a->objectName());
    recipesMenu_->clear();
    const std::vector<lists::Recipe> recipes = state_.recipeBook().recipes();
    for (std::size_t i = 0; i < recipes.size(); ++i) {
        const lists::Recipe& r = recipes[i];
        const QString key = i < 9 ? QString::number(i + 1) : i < 35 ? QString(QChar('A' + int(i - 9))) : QString();
        QString caption = qs(r.name).replace(QLatin1Char('&'), QStringLiteral("&&"));
        if (!key.isEmpty()) caption = "&" + key + " " + caption;
        QAction* a = recipesMenu_->addAction(caption);
        a->setObjectName(QStringLiteral("MenuRecipe_%1").arg(i));
        if (!r.comment.empty()) a->setToolTip(qs(r.comment));
        connect(a, &QAction::triggered, this, [this, name = r.name] { MenuRecipe_Click(name); });
        connect(a, &QAction::hovered, this, [this, r] {
            previewMenuItem([this, r](EditorState::PreviewHandler done) { state_.previewRecipe(r, done); });
        });
        actions_[a->objectName()] = a;
    }
    if (!recipes.empty()) recipesMenu_->addSeparator();
    addMenuItem(recipesMenu_, "MenuRecipeEdit", qs(texts::text(texts::Msg::MenuRecipeEdit)),
                &MainWindow::MenuRecipeEdit_Click);
}

void MainWindow::MenuRecipe_Click(const std::string& name) {
    forward([this, name] { state_.runRecipe(name); });
}

void MainWindow::MenuRecipeEdit_Click() {
    showOnce(recipeEditor_, [this] {
        dialogs::RecipeEditor::Owner owner;
        owner.recipes = [this] { return state_.recipeBook().recipes(); };
        owner.save = [this](const lists::Recipe& r, const std::string& replacing) {
            return state_.saveRecipe(r, replacing);
        };
        owner.remove = [this](const std::string& name) { return state_.deleteRecipe(name); };
        owner.stepsRun = [this] { return state_.stepsRun(); };
        // A test shows the result in the main window's box, tinted, as a preview.
        owner.test = [this](const lists::Recipe& r, OutcomeHandler done) {
            syncFromWidgets();
            state_.previewRecipe(r, [this, done](std::shared_ptr<const EditorState::Preview> p) {
                showPreview(p);
                done(p->outcome);
            });
        };
        owner.run = [this](const lists::Recipe& r, OutcomeHandler done) {
            leavePreview();
            forward([this, r, done] { state_.runRecipe(r, done); });
        };
        return new dialogs::RecipeEditor(std::move(owner), nullptr);
    });
}

void MainWindow::buildMenus() {
    auto menu = [this](const char* name, const char* caption) {
        QMenu* m = menuBar()->addMenu(qs(caption));
        m->setObjectName(name);
        busyDisabled_.push_back(m->menuAction());
        connect(m, &QMenu::aboutToHide, this, [this] {
            if (!std::exchange(conversionPreviewed_, false)) return;
            leavePreview();
            startPreview();
        });
        return m;
    };
    // The conversion items come from the one table, in its order; each passes
    // its label to the dispatcher. The duplicate-line items have handlers of
    // their own.
    auto conversionItems = [this](QMenu* m, convert::ConversionGroup group) {
        for (const auto& c : convert::conversions()) {
            if (c.group != group) continue;
            const std::string item(c.menuItem);
            if (c.kind == convert::ConversionKind::Duplicates)
                addMenuItem(m, item.c_str(), qs(std::string(c.caption)),
                            c.extracting ? &MainWindow::Menumultiview_Click : &MainWindow::Menumultidel_Click);
            else addConversionItem(m, item, std::string(c.caption), std::string(c.label));
        }
    };
    conversionItems(menu("MenuStrcnv", texts::text(texts::Msg::MenuConvert)), convert::ConversionGroup::Characters);
    conversionItems(menu("MenuNormalize", texts::text(texts::Msg::MenuNormalize)), convert::ConversionGroup::Normalize);
    conversionItems(menu("MenuNumDate", texts::text(texts::Msg::MenuNumbersDates)),
                    convert::ConversionGroup::NumbersDates);
    conversionItems(menu("mimedecode", texts::text(texts::Msg::MenuMime)), convert::ConversionGroup::Mime);
    QMenu* sort = menu("menu_sort", "&sort");
    conversionItems(sort, convert::ConversionGroup::Sort);

    QAction* count =
        addMenuItem(nullptr, "MenuStrcount", qs(texts::text(texts::Msg::MenuCount)), &MainWindow::MenuStrcount_Click);
    count->setToolTip(qs(texts::text(texts::Msg::CountTip)));
    busyDisabled_.push_back(count);

    conversionItems(menu("MenuHojo", texts::text(texts::Msg::MenuDuplicates)), convert::ConversionGroup::Duplicates);
    recipesMenu_ = menu("MenuRecipes", texts::text(texts::Msg::MenuRecipes));
    fillRecipesMenu();

    QMenu* option = menuBar()->addMenu(qs("&Option"));
    option->setObjectName("MenuOption");
    addMenuItem(option, "MenuEditOkimari", qs("おきまり編集"), &MainWindow::MenuEditOkimari_Click);
    addMenuItem(option, "MenuEditHistory", qs("履歴編集"), &MainWindow::MenuEditHistory_Click);
    addMenuItem(option, "menu_reload", qs("おきまり＆履歴　再読込"), &MainWindow::menu_reload_Click);
    addMenuItem(option, "menu_explorer", qs("explorer起動"), &MainWindow::menu_explorer_Click);
    option->addSeparator();
    previewAction_ = addMenuItem(option, "MenuPreview", qs("プレビュー"), &MainWindow::MenuPreview_Click);
    previewAction_->setCheckable(true);
    previewAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    previewAction_->setChecked(QSettings().value("preview", false).toBool());
    // Runs are undone by keys of their own: Ctrl+Z stays the text box's typing undo.
    addMenuItem(option, "MenuUndoRun", qs("実行を元に戻す"), &MainWindow::MenuUndoRun_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z));
    addMenuItem(option, "MenuRedoRun", qs("実行をやり直す"), &MainWindow::MenuRedoRun_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Y));
    QMenu* help = menuBar()->addMenu(qs("&Help"));
    help->setObjectName("MenuHelp");
    addMenuItem(help, "MenuGuide", qs("簡単ガイド"), &MainWindow::MenuGuide_Click);
    addMenuItem(help, "MenuHelpindex", qs("kakikae ヘルプ"), &MainWindow::MenuHelpindex_Click);
    addMenuItem(help, "gotokakikaeHP", qs("Kakikaeのホームページへ"), &MainWindow::gotokakikaeHP_Click);
    addMenuItem(help, "MenuAbout", qs("Kakikaeについて"), &MainWindow::MenuAbout_Click);
    addMenuItem(nullptr, "MenuQuit", qs("終了"), &MainWindow::MenuQuit_Click);
}

QWidget* MainWindow::control(const QString& name) const {
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

QAction* MainWindow::menuAction(const QString& name) const {
    const auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
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
    } else if ((changes & EditorState::Changes) && !previewing_) {
        shownChanges_ = state_.sharedLastChanges();
        refreshHighlights();
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
        runSed->setEnabled(!busy);
        myIchigeki->setEnabled(!busy);
        // The clipboard transfers wait too: the model takes them only when idle.
        clipKakunin->setEnabled(!busy);
        ClipTenso->setEnabled(!busy);
        for (QAction* a : busyDisabled_) a->setEnabled(!busy);
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

// A big text goes into the box a slice per turn of the event loop, so the
// window never stops answering for long; the box is read-only meanwhile.
// Slices end at a line end, so no CR LF pair or character is cut.
constexpr std::size_t kSliceBytes = 2u << 20;

std::size_t sliceEnd(const std::string& text, std::size_t from) {
    if (text.size() - from <= kSliceBytes) return text.size();
    const std::size_t lf = text.find('\n', from + kSliceBytes);
    return lf == std::string::npos ? text.size() : lf + 1;
}

void MainWindow::showWorkingText() {
    previewing_ = false;
    showText(state_.sharedWorkingText(), state_.sharedLastChanges(), false);
}

void MainWindow::showText(SharedText text, std::shared_ptr<const diff::ChangeMap> changes, bool preview) {
    // The box already holds this very text (a run that changed nothing, or
    // the user's own edits taken as they stand): it is left as it is, so
    // the caret stays and a screen reader hears no text go and come back.
    const bool whole = shown_ && !fillTimer_->isActive() && fillPos_ >= shown_->size();
    const bool same = whole && (edited_ ? *edited_ == *text : (shown_ == text || *shown_ == *text));
    fillTimer_->stop();
    shown_ = std::move(text);
    shownIndex_.reset();  // made when there is something to highlight
    shownChanges_ = std::move(changes);
    const std::string& t = *shown_;
    if (!same) {
        fillLine_ = 0;
        fillPos_ = sliceEnd(t, 0);
        settingText_ = true;
        myTextBox->setUndoRedoEnabled(false);
        // One change replacing the whole content, not a removal and then an
        // insertion a screen reader would read as two.
        QTextCursor all(myTextBox->document());
        all.select(QTextCursor::Document);
        all.insertText(toWidgetText(std::string_view(t).substr(0, fillPos_), fillLine_));
        myTextBox->moveCursor(QTextCursor::Start);
        settingText_ = false;
        removed_.clear();
    }
    textDirty_ = false;
    edited_.reset();
    editedIndex_.reset();
    // A preview is tinted with the palette's own colours, so it reads as one
    // in a dark theme too, and takes no typing.
    QPalette p = palette();
    if (preview) {
        const QColor base = p.color(QPalette::Base), tint = p.color(QPalette::Highlight);
        p.setColor(QPalette::Base, QColor((base.red() * 9 + tint.red()) / 10, (base.green() * 9 + tint.green()) / 10,
                                          (base.blue() * 9 + tint.blue()) / 10));
        // A light tint keeps the text readable; what tells a preview at a
        // glance is a frame standing 3:1 from the background.
        const QColor frame = contrastingMark(base, tint, p.color(QPalette::Text));
        myTextBox->setStyleSheet(QStringLiteral("QPlainTextEdit { border: 3px solid %1; }").arg(frame.name()));
    } else if (!myTextBox->styleSheet().isEmpty()) {
        myTextBox->setStyleSheet({});
    }
    myTextBox->setPalette(p);
    if (fillPos_ < t.size()) {
        myTextBox->setReadOnly(true);
        fillTimer_->start();
    } else {
        myTextBox->setReadOnly(preview || state_.busy());
        myTextBox->setUndoRedoEnabled(!preview);
    }
    refreshHighlights();
}

void MainWindow::refreshHighlights() {
    if (!shown_ || !shownChanges_ || shownChanges_->empty()) {
        myTextBox->setExtraSelections({});
        return;
    }
    if (!shownIndex_) shownIndex_.emplace(*shown_);
    myTextBox->setExtraSelections(visibleHighlights(myTextBox, *shownIndex_, *shownChanges_));
}

void MainWindow::fillNextSlice() {
    const std::string& text = *shown_;
    if (fillPos_ >= text.size()) {
        fillTimer_->stop();
        return;
    }
    const std::size_t end = sliceEnd(text, fillPos_);
    QTextCursor cursor(myTextBox->document());
    cursor.movePosition(QTextCursor::End);
    settingText_ = true;
    cursor.insertText(toWidgetText(std::string_view(text).substr(fillPos_, end - fillPos_), fillLine_));
    settingText_ = false;
    fillPos_ = end;
    if (fillPos_ >= text.size()) {
        fillTimer_->stop();
        myTextBox->setReadOnly(previewing_ || state_.busy());
        myTextBox->setUndoRedoEnabled(!previewing_);
    }
}

// ---- preview ------------------------------------------------------------------

void MainWindow::schedulePreview() {
    editedSinceRun_ = true;
    if (previewAction_ && previewAction_->isChecked()) previewTimer_->start();
}

// The command as typed: the tail an inline completion offers (selected, up
// to the end) is not the user's until taken.
QString MainWindow::typedCommand() const {
    const QLineEdit* edit = myRegstrBox->lineEdit();
    const QString text = edit->text();
    if (edit->hasSelectedText() && edit->selectionStart() > 0 && edit->selectionEnd() == text.size() &&
        myRegstrBox->completer() && myRegstrBox->completer()->completionMode() == QCompleter::InlineCompletion)
        return text.left(edit->selectionStart());
    return text;
}

void MainWindow::startPreview() {
    if (!previewAction_->isChecked() || state_.busy()) return;
    const std::string command = typedCommand().toStdString();
    if (command.empty() || command == names::kInitialCommand) return leavePreview();
    syncFromWidgets();  // the preview runs over the text as the user edited it
    state_.preview(command, m_rev->isChecked(),
                   [this](std::shared_ptr<const EditorState::Preview> p) { showPreview(p); });
}

void MainWindow::showPreview(const std::shared_ptr<const EditorState::Preview>& p) {
    if (!p->outcome.ok()) {
        // What is wrong shows while typing, at its column; no message box.
        leavePreview();
        showOnStatusLine(qs(p->outcome.message));
        markCommandColumn(p->outcome.column);
        return;
    }
    markCommandColumn(-1);
    previewing_ = true;
    showText(p->text, std::make_shared<const diff::ChangeMap>(p->changes), true);
    showOnStatusLine(qs(p->outcome.message));
}

void MainWindow::leavePreview() {
    state_.cancelPreview();
    markCommandColumn(-1);
    if (!previewing_) return;
    showWorkingText();
    showStatus();
}

// The command box marks a column by a wavy underline of its character, the
// way an input method marks text, without touching the text or the caret.
void MainWindow::markCommandColumn(std::int64_t column) {
    QLineEdit* edit = myRegstrBox->lineEdit();
    QList<QInputMethodEvent::Attribute> attributes;
    if (column >= 0) {
        const QString command = edit->text();
        qsizetype at = 0;
        for (std::int64_t k = 0; k < column && at < command.size(); ++k) at += command.at(at).isHighSurrogate() ? 2 : 1;
        QTextCharFormat format;
        format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        format.setUnderlineColor(palette().color(QPalette::Highlight));
        format.setBackground(QColor(255, 0, 0, 60));
        const int start = static_cast<int>(at) - edit->cursorPosition();
        attributes << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, start, at < command.size() ? 1 : 0,
                                                   format);
    }
    QInputMethodEvent event(QString(), attributes);
    QCoreApplication::sendEvent(edit, &event);
}

void MainWindow::MenuPreview_Click() {
    QSettings().setValue("preview", previewAction_->isChecked());
    if (previewAction_->isChecked()) startPreview();
    else leavePreview();
}

// Edits typed since the last run are taken first, so undoing puts them on
// the redo side instead of dropping them.
void MainWindow::MenuUndoRun_Click() {
    leavePreview();
    forward([this] { state_.undoRun(); });
}

void MainWindow::MenuRedoRun_Click() {
    leavePreview();
    forward([this] { state_.redoRun(); });
}

bool MainWindow::fillingText() const { return fillTimer_->isActive(); }

// An edit of the box, mapped into the shown text's bytes: the span it
// replaced by position, the characters it put there as they were typed.
// Where the document reports more than it changed (it may report a whole
// block), the part that reads the same on both sides is left alone.
void MainWindow::mapEdit(int position, int removed, int added) {
    if (settingText_ || !shown_) return;
    if (!edited_) {
        edited_ = std::make_unique<std::string>(*shown_);
        editedIndex_.emplace(*edited_);
    }
    // A change that replaces the whole document counts its final block end
    // on both sides, which is no text.
    const int length = myTextBox->document()->characterCount() - 1;
    if (position + added > length) {
        const int excess = position + added - length;
        added -= excess;
        removed = std::max(0, removed - excess);
    }
    std::string& text = *edited_;
    std::size_t from = editedIndex_->toByte(position);
    std::size_t to = editedIndex_->toByte(position + removed);
    QTextCursor cursor(myTextBox->document());
    cursor.setPosition(position);
    cursor.setPosition(position + added, QTextCursor::KeepAnchor);
    QString typed = cursor.selectedText();
    if (removed > 0 && added > 0 && removed <= (1 << 20)) {
        // The elements of the old span, each with where it starts in it.
        std::vector<std::pair<std::size_t, int>> starts;
        int line = 0;
        const QString old = toWidgetText(std::string_view(text).substr(from, to - from), line);
        int unit = 0;
        for (std::size_t b = from; b < to;) {
            starts.push_back({b, unit});
            const view::Step st = view::stepAt(text, b);
            b += st.bytes;
            unit += st.units;
        }
        starts.push_back({to, unit});
        int head = 0;
        while (head < old.size() && head < typed.size() && sameShown(old[head], typed[head])) ++head;
        int tail = 0;
        while (tail < old.size() - head && tail < typed.size() - head &&
               sameShown(old[old.size() - 1 - tail], typed[typed.size() - 1 - tail]))
            ++tail;
        // Whole elements only (a surrogate pair is not cut).
        const auto [headByte, headUnit] =
            *(std::upper_bound(starts.begin(), starts.end(), head,
                               [](int u, const std::pair<std::size_t, int>& s) { return u < s.second; }) -
              1);
        const auto [tailByte, tailUnit] = *std::lower_bound(
            starts.begin(), starts.end(), static_cast<int>(old.size()) - tail,
            [](const std::pair<std::size_t, int>& s, int u) { return s.second < u; });
        const int keepTail = static_cast<int>(old.size()) - tailUnit;
        if (headUnit <= tailUnit && headUnit + keepTail <= typed.size()) {
            typed = typed.mid(headUnit, typed.size() - headUnit - keepTail);
            from = headByte;
            to = tailByte;
        }
    }
    constexpr std::size_t kRemembered = 32, kRememberedBytes = std::size_t{4} << 20;
    if (to > from && to - from <= kRememberedBytes) {
        int line = 0;
        removed_.push_back({toWidgetText(std::string_view(text).substr(from, to - from), line), text.substr(from, to - from)});
        if (removed_.size() > kRemembered) removed_.pop_front();
    }
    std::string bytes;
    auto back = std::find_if(removed_.rbegin(), removed_.rend(), [&](const auto& r) {
        return r.first.size() == typed.size() && std::equal(typed.begin(), typed.end(), r.first.begin(), sameShown);
    });
    if (!typed.isEmpty() && back != removed_.rend()) bytes = back->second;
    else bytes = view::fromWidgetText(typed, lineEndOf(*shown_));
    text.replace(from, to - from, bytes);
    editedIndex_->retarget(text, from);
    textDirty_ = true;
}

void MainWindow::syncFromWidgets() {
    if (textDirty_ && edited_) {
        state_.setWorkingTextFromView(*edited_);
        textDirty_ = false;
    }
    state_.setCommandLineFromView(myRegstrBox->currentText().toStdString());
}

void MainWindow::forward(const std::function<void()>& handler) {
    previewTimer_->stop();
    editedSinceRun_ = false;
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
    leavePreview();
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
    schedulePreview();
}
void MainWindow::multilineCmd_Click() {
    // Without an owner, as a window of its own: the main window stays usable.
    showOnce(multiLineForm_, [this] {
        auto* form = new dialogs::MultiLineForm(nullptr);
        form->workingLineEnd = [this] { return lineEndOf(state_.workingText()); };
        connect(form, &dialogs::MultiLineForm::commandBuilt, this, [this](const QString& command) {
            myRegstrBox->setEditText(command);
            state_.setCommandLineFromView(command.toStdString());
            schedulePreview();
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
