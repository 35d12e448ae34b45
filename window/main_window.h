// The main window "kakikae": builds the widgets, forwards each event to a
// slot named after its handler, and copies the model's state into widgets
// when the model says it changed. No text logic lives here.
#pragma once

#include "dialogs/shortcuts_dialog.h"
#include "model/editor_state.h"
#include "platform/portal_shortcuts.h"
#include "platform/x11_hotkeys.h"

#include <QMainWindow>

#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QAction;
class QProgressBar;
class QStatusBar;
class QTimer;

namespace kk {

class Announcer;
class TextBoxView;
class CommandPreview;

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(EditorState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    // For tests: the widget or action that carries a handler's name.
    QWidget* control(const QString& name) const;
    QAction* menuAction(const QString& name) const;
    bool fillingText() const;  // a big text is still going into the text box

public slots:
    void Form_Load();
    void Form_Resize();
    void runSed_Click();
    void myIchigeki_Click();
    void clipKakunin_Click();
    void ClipTenso_Click();
    void History0_Click();
    void History1_Click();
    void HIstory2_Click();
    void okimarituika_Click();
    void okimariBox_Click();
    void multilineCmd_Click();
    void MenuGuide_Click();
    void MenuHelpindex_Click();
    void gotokakikaeHP_Click();
    void MenuAbout_Click();
    void menu_explorer_Click();
    void menu_reload_Click();
    void MenuEditHistory_Click();
    void MenuEditOkimari_Click();
    void MenuQuit_Click();
    void cancel_Click();
    void MenuStrcount_Click();
    void Menumultidel_Click();
    void Menumultiview_Click();
    void myRegstrBox_GotFocus();
    void myRegstrBox_KeyPress(int& keyCode);
    void myTextBox_KeyPress(int& keyCode);
    void Label1_Click();
    void okimariLabel_Click();
    void jotai_Click();        // the status line: its whole message
    void MenuPreview_Click();  // live preview on or off (remembered)
    void MenuPrimary_Click();  // loads read the PRIMARY selection (remembered)
    void MenuShortcuts_Click();  // keys that run a favourite, a recipe or the command line anywhere
    void MenuUndoRun_Click();  // the run before
    void MenuRedoRun_Click();
    void MenuRecipeEdit_Click();                   // the recipe editor
    void MenuRecipe_Click(const std::string& name);  // a recipe's item: run it
    void focusCommandLine();  // Ctrl+L: back to the command line, caret after the operator
    void bringForward();      // a second start: this window comes forward and loads the clipboard
    // A desktop key's `kakikae --run NAME`: the favourite or recipe runs on the
    // clipboard (or the selection) without the window coming forward, and a
    // desktop notification tells what came of it. False when this window
    // cannot read the clipboard now (Wayland without the focus).
    bool runShortcut(const QString& name, bool primary);
    void escape_Press();      // Esc: out of a preview, else stop the job

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void placeCancelButton();
    void showStatus();
    // The line shows as much as fits; the whole text (and `moreOnHover`) on hover.
    void showOnStatusLine(const QString& full, const QString& moreOnHover = {});
    void buildControls();
    void buildMenus();
    void syncFromWidgets();
    void render(unsigned changes);
    void showWorkingText();
    void fillRecipesMenu();
    void showProgress();
    void fillCombo(QComboBox* box, const std::vector<Text>& items, bool keepEditText);
    // Names an action after its handler, connects it and lists it for control lookups.
    QAction* nameAction(QAction* action, const QString& name, void (MainWindow::*slot)());
    // An action of the window's own (a button's, a key's), named after its handler.
    QAction* commandAction(const QString& name, const QString& caption, void (MainWindow::*slot)());
    QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption, void (MainWindow::*slot)());
    // A conversion item: its handler passes `label` to runConversion.
    void addConversionItem(QMenu* menu, const std::string& name, const std::string& caption, const std::string& label);
    // Runs a model handler after taking the user's edits from the widgets.
    // (The box's text itself is never read back whole: see mapEdit.)
    void forward(const std::function<void()>& handler);

    EditorState& state_;
    QPlainTextEdit* myTextBox = nullptr;
    QComboBox* myRegstrBox = nullptr;
    QComboBox* okimariBox = nullptr;
    QPushButton *runSed = nullptr, *clipKakunin = nullptr, *ClipTenso = nullptr, *myIchigeki = nullptr;
    QPushButton *History0 = nullptr, *History1 = nullptr, *HIstory2 = nullptr;
    QPushButton *okimarituika = nullptr, *multilineCmd = nullptr, *cancelButton = nullptr;
    QProgressBar* progress_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    Announcer* announcer_ = nullptr;
    static std::string announcement(const Outcome& outcome, const std::string& status);
    QTimer* progressTimer_ = nullptr;
    static constexpr int kProgressPollMs = 100;
    static constexpr int kProgressAfterMs = 300;  // quicker work shows no bar
    QCheckBox* m_rev = nullptr;
    QLabel *jotai = nullptr, *manualHenko = nullptr, *Label1 = nullptr, *okimariLabel = nullptr;
    // The one helper, guide and about window, each while it is open.
    QPointer<QWidget> multiLineForm_, guide_, about_, recipeEditor_;
    QMenu* recipesMenu_ = nullptr;
    TextBoxView* textView_ = nullptr;
    CommandPreview* preview_ = nullptr;
    QPointer<QWidget> focusBeforeBusy_;  // given back when the job ends
    // Shows the window in `slot`, making it first when there is none.
    void showOnce(QPointer<QWidget>& slot, const std::function<QWidget*()>& make);
    std::map<QString, QWidget*> controls_;
    std::map<QString, QAction*> actions_;
    std::vector<QAction*> busyGroup_;  // disabled together while the model is busy
    bool statusIsCount_ = false;  // the status line holds a count
    QAction* previewAction_ = nullptr;
    // A clipboard load waiting for the focus (a Wayland compositor offers the
    // clipboard only to the focused window).
    enum class FocusLoad { None, StartUp, Reload };
    FocusLoad focusLoad_ = FocusLoad::None;
    bool clipboardNeedsFocus() const;
    // Global keys: the list (remembered in the settings) and, on X11, their grabs.
    std::vector<dialogs::ShortcutEntry> shortcuts_;
    std::unique_ptr<X11HotKeys> hotKeys_;
    std::unique_ptr<PortalShortcuts> portal_;
    bool portalAsked_ = false, portalOffered_ = false;  // whether the session's portal offers global shortcuts
    bool usesPortal();
    void loadShortcuts();
    // Grabs the keys where the session lets us; the status line names those it could not.
    void applyShortcuts();
    QString shortcutHowItWorks();
};

}  // namespace kk
