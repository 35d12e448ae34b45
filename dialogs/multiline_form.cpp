// Geometry in twips from the form's design, at 15 twips a pixel.
#include "dialogs/multiline_form.h"

#include "dialogs/multiline_command.h"
#include "core/text_codec.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

namespace kk::dialogs {

namespace {
QRect twips(int left, int top, int width, int height) { return {left / 15, top / 15, width / 15, height / 15}; }
QString qs(const char* s) { return QString::fromUtf8(s); }
std::string fromBox(const QPlainTextEdit* box) { return box->toPlainText().toStdString(); }
}  // namespace

MultiLineForm::MultiLineForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("multiLineForm");
    setWindowTitle(qs("複数行置換補助画面"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(9735 / 15, 6510 / 15);

    KensakuBox = new QPlainTextEdit(this);
    KensakuBox->setObjectName("KensakuBox");
    KensakuBox->setGeometry(twips(240, 360, 9375, 2535));
    ChikanBox = new QPlainTextEdit(this);
    ChikanBox->setObjectName("ChikanBox");
    ChikanBox->setGeometry(twips(240, 3360, 9375, 2415));
    auto* ok = new QPushButton(qs("OK"), this);
    ok->setObjectName("okCmd");
    ok->setGeometry(twips(240, 5880, 1575, 615));
    auto* cancel = new QPushButton(qs("Cancel"), this);
    cancel->setObjectName("canselCmd");
    cancel->setGeometry(twips(2160, 5880, 1455, 615));
    // Return presses the focused button, as Space does.
    ok->setAutoDefault(true);
    cancel->setAutoDefault(true);
    auto label = [this](const char* name, const char* text, QRect r) {
        auto* l = new QLabel(qs(text), this);
        l->setObjectName(name);
        l->setGeometry(r);
        l->setWordWrap(true);
    };
    label("KensakuLabel", "検索文字列　（置換前文字列）　複数行可", twips(360, 120, 3615, 255));
    label("ChikanMoji", "置換文字列　（置換後文字列）　複数行可", twips(360, 3120, 3615, 255));
    label("注意1",
          "正規表現で特別な意味を持つメタ文字を含む時や複数行を扱うときの補助です。メタ文字を「\\」でエスケープし、かつ"
          "改行を「\\r\\n」に変換します。",
          twips(3840, 5880, 5655, 615));

    setTabOrder(KensakuBox, ChikanBox);
    setTabOrder(ChikanBox, ok);
    setTabOrder(ok, cancel);
    // A keyboard user moves with Tab (a tab would be a stray in the pattern),
    // presses OK with Ctrl+Return (Return breaks a line in the boxes) and
    // leaves with Esc.
    for (QPlainTextEdit* box : {KensakuBox, ChikanBox}) box->setTabChangesFocus(true);
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &MultiLineForm::okCmd_Click);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &MultiLineForm::canselCmd_Click);
    KensakuBox->setAccessibleName(qs("検索文字列"));
    ChikanBox->setAccessibleName(qs("置換文字列"));
    ok->setToolTip(qs("Ctrl+Enter"));
    cancel->setToolTip(qs("Esc"));
    connect(ok, &QPushButton::clicked, this, &MultiLineForm::okCmd_Click);
    connect(cancel, &QPushButton::clicked, this, &MultiLineForm::canselCmd_Click);
}

void MultiLineForm::okCmd_Click() {
    const std::string_view lineEnd = workingLineEnd ? workingLineEnd() : std::string_view("\n");
    emit commandBuilt(
        QString::fromStdString(buildMultiLineCommand(fromBox(KensakuBox), fromBox(ChikanBox), lineEnd)));
    close();
}

void MultiLineForm::canselCmd_Click() { close(); }

}  // namespace kk::dialogs
