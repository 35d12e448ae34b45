// The menu bar: the conversions from the one table, the recipes, the
// options and help, each item named after its handler.
#include "window/main_window.h"
#include "window/command_preview.h"
#include "window/ui_text.h"

#include "convert/registry.h"
#include "dialogs/recipe_editor.h"
#include "texts/texts.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

namespace kk {

QAction* MainWindow::addMenuItem(QMenu* menu, const char* name, const QString& caption, void (MainWindow::*slot)()) {
    return nameAction(menu ? menu->addAction(caption) : menuBar()->addAction(caption), name, slot);
}

void MainWindow::addConversionItem(QMenu* menu, const std::string& name, const std::string& caption,
                                   const std::string& label) {
    QAction* a = menu->addAction(qs(caption));
    a->setObjectName(qs(name));
    connect(a, &QAction::triggered, this, [this, label] { forward([this, label] { state_.runConversion(label); }); });
    connect(a, &QAction::hovered, this, [this, label] {
        preview_->previewItem([this, label](EditorState::PreviewHandler done) { state_.previewConversion(label, done); });
    });
    actions_[qs(name)] = a;
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
            preview_->previewItem([this, r](EditorState::PreviewHandler done) { state_.previewRecipe(r, done); });
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
                preview_->show(p);
                done(p->outcome);
            });
        };
        owner.run = [this](const lists::Recipe& r, OutcomeHandler done) {
            preview_->leave();
            forward([this, r, done] { state_.runRecipe(r, done); });
        };
        return new dialogs::RecipeEditor(std::move(owner), nullptr);
    });
}

void MainWindow::buildMenus() {
    auto menu = [this](const char* name, const char* caption) {
        QMenu* m = menuBar()->addMenu(qs(caption));
        m->setObjectName(name);
        busyGroup_.push_back(m->menuAction());
        connect(m, &QMenu::aboutToHide, preview_, &CommandPreview::menuClosed);
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
    busyGroup_.push_back(count);

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
    preview_->setSwitch(previewAction_);
    QAction* primary = addMenuItem(option, "MenuPrimary", qs("選択範囲から読む"), &MainWindow::MenuPrimary_Click);
    primary->setCheckable(true);
    primary->setToolTip(qs("読み込みと一撃で、クリップボードの代わりに最後に選択したテキストを読みます。結果はクリップボードに置きます"));
    // Where the platform has no PRIMARY the item stays off; the choice is kept for a session that has one.
    primary->setChecked(QSettings().value("readPrimary", false).toBool() && state_.readFromPrimary(true).ok());
    addMenuItem(option, "MenuShortcuts", qs("ショートカット..."), &MainWindow::MenuShortcuts_Click);
    // Runs are undone by keys of their own: Ctrl+Z stays the text box's typing undo.
    addMenuItem(option, "MenuUndoRun", qs("実行を元に戻す"), &MainWindow::MenuUndoRun_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z));
    addMenuItem(option, "MenuRedoRun", qs("実行をやり直す"), &MainWindow::MenuRedoRun_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Y));
    QMenu* help = menuBar()->addMenu(qs("&Help"));
    help->setObjectName("MenuHelp");
    addMenuItem(help, "MenuGuide", qs("簡単ガイド"), &MainWindow::MenuGuide_Click);
    addMenuItem(help, "MenuHelpindex", qs("kakikae ヘルプ"), &MainWindow::MenuHelpindex_Click)
        ->setShortcut(Qt::Key_F1);
    addMenuItem(help, "gotokakikaeHP", qs("Kakikaeのホームページへ"), &MainWindow::gotokakikaeHP_Click);
    addMenuItem(help, "MenuAbout", qs("Kakikaeについて"), &MainWindow::MenuAbout_Click);
    addMenuItem(nullptr, "MenuQuit", qs("終了"), &MainWindow::MenuQuit_Click)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

QWidget* MainWindow::control(const QString& name) const {
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

QAction* MainWindow::menuAction(const QString& name) const {
    const auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

}  // namespace kk
