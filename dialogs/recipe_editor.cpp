// The recipe editor's widgets and keys.
#include "dialogs/recipe_editor.h"

#include "texts/texts.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kk::dialogs {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }

// A step on one line of the list: its line breaks shown as ↵.
const QString kBreak = QStringLiteral("↵");
QString stepLine(const lists::RecipeStep& step) { return qs(step.written()).replace(QLatin1Char('\n'), kBreak); }
lists::RecipeStep stepOf(QString line) { return lists::parseStep(ss(line.replace(kBreak, QStringLiteral("\n")))); }

}  // namespace

RecipeEditor::RecipeEditor(Owner owner, QWidget* parent) : QWidget(parent, Qt::Window), owner_(std::move(owner)) {
    setObjectName("RecipeEditor");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(qs(texts::text(texts::Msg::RecipeEditorTitle)));
    auto button = [this](QPushButton*& b, const char* name, const char* caption, void (RecipeEditor::*slot)()) {
        b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(name);
        b->setAutoDefault(true);  // Return presses it when it has the focus
        connect(b, &QPushButton::clicked, this, slot);
    };
    auto labelFor = [this](const char* caption, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(caption), this);
        l->setBuddy(buddy);
        return l;
    };

    recipeList = new QListWidget(this);
    recipeList->setObjectName("recipeList");
    recipeList->setAccessibleName(QStringLiteral("レシピ"));
    button(newRecipe, "newRecipe", "新規(&N)", &RecipeEditor::newRecipe_Click);
    button(deleteRecipe, "deleteRecipe", "削除(&D)", &RecipeEditor::deleteRecipe_Click);

    recipeName = new QLineEdit(this);
    recipeName->setObjectName("recipeName");
    recipeComment = new QLineEdit(this);
    recipeComment->setObjectName("recipeComment");
    recipeSteps = new QListWidget(this);
    recipeSteps->setObjectName("recipeSteps");
    recipeSteps->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    recipeSteps->installEventFilter(this);
    stepInput = new QLineEdit(this);
    stepInput->setObjectName("stepInput");
    stepInput->setPlaceholderText(QStringLiteral("s/a/b/g   -v m/x/   --convert upper   sort"));
    button(addStep, "addStep", "追加", &RecipeEditor::addStep_Click);
    recentCount = new QSpinBox(this);
    recentCount->setObjectName("recentCount");
    recentCount->setRange(1, 99);
    recentCount->setValue(2);
    button(fromRecent, "fromRecent", "最近の実行から作成(&R)", &RecipeEditor::fromRecent_Click);
    button(testRecipe, "testRecipe", "テスト(&T)", &RecipeEditor::testRecipe_Click);
    button(runRecipe, "runRecipe", "実行(&X)", &RecipeEditor::runRecipe_Click);
    button(saveRecipe, "saveRecipe", "保存(&S)", &RecipeEditor::saveRecipe_Click);
    closeEditor = new QPushButton(QStringLiteral("閉じる"), this);
    closeEditor->setObjectName("closeEditor");
    closeEditor->setAutoDefault(true);
    connect(closeEditor, &QPushButton::clicked, this, &QWidget::close);
    message = new QLabel(this);
    message->setObjectName("message");
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    // Laid out in the order the Tab key walks.
    auto* left = new QVBoxLayout;
    left->addWidget(labelFor("レシピ(&L)", recipeList));
    left->addWidget(recipeList, 1);
    auto* leftButtons = new QHBoxLayout;
    leftButtons->addWidget(newRecipe);
    leftButtons->addWidget(deleteRecipe);
    left->addLayout(leftButtons);

    auto* right = new QGridLayout;
    right->addWidget(labelFor("名前(&M)", recipeName), 0, 0);
    right->addWidget(recipeName, 0, 1, 1, 2);
    right->addWidget(labelFor("コメント(&C)", recipeComment), 1, 0);
    right->addWidget(recipeComment, 1, 1, 1, 2);
    right->addWidget(labelFor("手順(&P)", recipeSteps), 2, 0, Qt::AlignTop);
    right->addWidget(recipeSteps, 2, 1, 1, 2);
    right->addWidget(labelFor("手順を追加(&A)", stepInput), 3, 0);
    right->addWidget(stepInput, 3, 1);
    right->addWidget(addStep, 3, 2);
    auto* recent = new QHBoxLayout;
    recent->addWidget(labelFor("最近の実行の数(&U)", recentCount));
    recent->addWidget(recentCount);
    recent->addWidget(fromRecent);
    recent->addStretch(1);
    right->addLayout(recent, 4, 1, 1, 2);
    auto* actions = new QHBoxLayout;
    actions->addWidget(testRecipe);
    actions->addWidget(runRecipe);
    actions->addStretch(1);
    actions->addWidget(saveRecipe);
    actions->addWidget(closeEditor);

    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(right, 3);
    auto* whole = new QVBoxLayout(this);
    whole->addLayout(top, 1);
    whole->addLayout(actions);
    whole->addWidget(message);
    QWidget* const order[] = {recipeList, newRecipe,  deleteRecipe, recipeName, recipeComment,
                              recipeSteps, stepInput, addStep,      recentCount, fromRecent,
                              testRecipe, runRecipe,  saveRecipe,   closeEditor};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(recipeList, &QListWidget::currentRowChanged, this, &RecipeEditor::choose);
    connect(stepInput, &QLineEdit::returnPressed, this, &RecipeEditor::addStep_Click);
    // Enter on a step edits it, as F2 does.
    connect(recipeSteps, &QListWidget::itemActivated, recipeSteps, [this](QListWidgetItem* item) {
        recipeSteps->editItem(item);
    });
    resize(720, 420);
    reload();
}

void RecipeEditor::fillList(const std::string& select) {
    recipes_ = owner_.recipes();
    showing_ = true;
    recipeList->clear();
    for (std::size_t i = 0; i < recipes_.size(); ++i) {
        recipeList->addItem(qs(recipes_[i].name));
        if (recipes_[i].name == select) recipeList->setCurrentRow(static_cast<int>(i));
    }
    showing_ = false;
}

void RecipeEditor::reload() {
    fillList(original_);
    // At first the first recipe is shown; later the one being edited stays.
    if (original_.empty() && current().name.empty() && current().steps.empty() && !recipes_.empty()) {
        recipeList->setCurrentRow(0);
    }
}

bool RecipeEditor::leaveCurrent() {
    const lists::Recipe now = current();
    if (now == shown_ || (now.name.empty() && now.steps.empty())) return true;
    const auto answer = QMessageBox::question(this, windowTitle(), QStringLiteral("保存していない変更があります。保存しますか?"),
                                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::Discard) return true;
    const Outcome o = owner_.save(now, original_);
    say(o);
    return o.ok();
}

void RecipeEditor::choose(int row) {
    if (showing_ || row < 0 || row >= static_cast<int>(recipes_.size())) return;
    const std::string name = recipes_[static_cast<std::size_t>(row)].name;
    if (!leaveCurrent()) {
        fillList(original_);  // the choice goes back to the recipe being edited
        return;
    }
    fillList(name);  // a save may have renamed or added one
    for (const lists::Recipe& r : recipes_)
        if (r.name == name) return showRecipe(r, r.name);
}

void RecipeEditor::showRecipe(const lists::Recipe& recipe, const std::string& original) {
    original_ = original;
    shown_ = recipe;
    recipeName->setText(qs(recipe.name));
    recipeComment->setText(qs(recipe.comment));
    recipeSteps->clear();
    for (const auto& step : recipe.steps) {
        auto* item = new QListWidgetItem(stepLine(step), recipeSteps);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    if (recipeSteps->count() > 0) recipeSteps->setCurrentRow(0);
}

lists::Recipe RecipeEditor::current() const {
    lists::Recipe r{ss(recipeName->text().trimmed()), ss(recipeComment->text().trimmed()), {}};
    for (int i = 0; i < recipeSteps->count(); ++i) {
        const QString line = recipeSteps->item(i)->text();
        if (!line.trimmed().isEmpty()) r.steps.push_back(stepOf(line));
    }
    return r;
}

void RecipeEditor::say(const Outcome& outcome) {
    message->setText(qs(outcome.message));
    message->setAccessibleDescription(qs(outcome.message));
}

void RecipeEditor::newRecipe_Click() {
    if (!leaveCurrent()) return;
    recipeList->clearSelection();
    recipeList->setCurrentRow(-1);
    showRecipe({}, {});
    recipeName->setFocus();
}

void RecipeEditor::deleteRecipe_Click() {
    if (original_.empty()) return newRecipe_Click();
    const Outcome o = owner_.remove(original_);
    say(o);
    if (!o.ok()) return;
    original_.clear();
    showRecipe({}, {});
    fillList({});
    recipeList->setFocus();
}

void RecipeEditor::addStep_Click() {
    const QString line = stepInput->text();
    if (line.trimmed().isEmpty()) return;
    auto* item = new QListWidgetItem(line, recipeSteps);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    recipeSteps->setCurrentItem(item);
    stepInput->clear();
}

void RecipeEditor::fromRecent_Click() {
    if (!leaveCurrent()) return;
    const std::vector<lists::RecipeStep> ran = owner_.stepsRun();
    const std::size_t n = std::min(ran.size(), static_cast<std::size_t>(recentCount->value()));
    recipeList->setCurrentRow(-1);
    showRecipe(lists::Recipe{{}, {}, std::vector<lists::RecipeStep>(ran.end() - static_cast<std::ptrdiff_t>(n), ran.end())},
         {});
    recipeName->setFocus();
}

void RecipeEditor::testRecipe_Click() {
    owner_.test(current(), [this](const Outcome& o) { say(o); });
}

void RecipeEditor::runRecipe_Click() {
    owner_.run(current(), [this](const Outcome& o) { say(o); });
}

void RecipeEditor::saveRecipe_Click() {
    const lists::Recipe r = current();
    const Outcome o = owner_.save(r, original_);
    say(o);
    if (!o.ok()) return;
    original_ = r.name;
    shown_ = r;
    fillList(original_);
}

void RecipeEditor::moveStep(int by) {
    const int row = recipeSteps->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= recipeSteps->count()) return;
    QListWidgetItem* item = recipeSteps->takeItem(row);
    recipeSteps->insertItem(to, item);
    recipeSteps->setCurrentRow(to);
}

void RecipeEditor::removeStep() {
    const int row = recipeSteps->currentRow();
    if (row < 0) return;
    delete recipeSteps->takeItem(row);
    if (recipeSteps->count() > 0) recipeSteps->setCurrentRow(std::min(row, recipeSteps->count() - 1));
}

bool RecipeEditor::eventFilter(QObject* watched, QEvent* event) {
    // The list sees no keys while a step is edited: they go to its editor.
    if (watched == recipeSteps && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        if (key->key() == Qt::Key_Delete) {
            removeStep();
            return true;
        }
        if (ctrl && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            moveStep(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kk::dialogs
