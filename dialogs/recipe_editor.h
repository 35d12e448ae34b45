// The recipe editor: the recipes on the left, the chosen one's name, comment
// and steps on the right. Every action has a key (arrows, Enter or F2 to edit
// a step, Del to delete it, Ctrl+Up/Down to move it). The editor keeps no
// recipes of its own: saving, deleting, testing and running go to the owner.
#pragma once

#include "model/outcome.h"
#include "lists/recipe.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace kk::dialogs {

class RecipeEditor final : public QWidget {
    Q_OBJECT
public:
    struct Owner {
        std::function<std::vector<lists::Recipe>()> recipes;
        std::function<Outcome(const lists::Recipe&, const std::string& replacing)> save;
        std::function<Outcome(const std::string& name)> remove;
        // The result over the working text, shown by the owner; the handler hears the outcome.
        std::function<void(const lists::Recipe&, OutcomeHandler)> test;
        std::function<void(const lists::Recipe&, OutcomeHandler)> run;
        // The steps of the runs that can be undone, oldest first.
        std::function<std::vector<lists::RecipeStep>()> stepsRun;
    };
    explicit RecipeEditor(Owner owner, QWidget* parent = nullptr);

    // The recipe as the fields hold it.
    lists::Recipe current() const;
    // Shows the recipes again (after the file changed), keeping the choice.
    void reload();

    QListWidget* recipeList = nullptr;
    QLineEdit *recipeName = nullptr, *recipeComment = nullptr, *stepInput = nullptr;
    QListWidget* recipeSteps = nullptr;
    QSpinBox* recentCount = nullptr;
    QPushButton *newRecipe = nullptr, *deleteRecipe = nullptr, *addStep = nullptr, *fromRecent = nullptr,
                *testRecipe = nullptr, *runRecipe = nullptr, *saveRecipe = nullptr, *closeEditor = nullptr;
    QLabel* message = nullptr;

public slots:
    void newRecipe_Click();
    void deleteRecipe_Click();
    void addStep_Click();
    void fromRecent_Click();
    void testRecipe_Click();
    void runRecipe_Click();
    void saveRecipe_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(int row);
    // The list from the owner, `select` chosen, without showing it anew.
    void fillList(const std::string& select);
    void showRecipe(const lists::Recipe& recipe, const std::string& original);
    // Before another recipe is shown: unsaved changes are saved, dropped or
    // kept on the user's word; false when the user keeps them.
    bool leaveCurrent();
    void say(const Outcome& outcome);
    void moveStep(int by);
    void removeStep();

    Owner owner_;
    std::vector<lists::Recipe> recipes_;
    std::string original_;  // the saved name of the recipe shown; empty for a new one
    lists::Recipe shown_;   // as it was shown or saved, to see whether it changed
    bool showing_ = false;  // filling the fields: no edits to note
};

}  // namespace kk::dialogs
