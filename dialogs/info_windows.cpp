// Plain layouts: these windows hold text, not tools.
#include "dialogs/info_windows.h"

#include "dialogs/guide_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kk::dialogs {

namespace {

QString qs(const char* s) { return QString::fromUtf8(s); }

const char* kLicences =
    "kakikae is free software.\n\n"
    "It is built on these libraries, each under its own licence:\n"
    "- Qt 6 (GUI, clipboard, processes): GNU LGPL version 3.\n"
    "- PCRE2 (the regular-expression engine, with JIT): BSD licence (3-clause), "
    "Copyright (c) University of Cambridge and Philip Hazel.\n"
    "- ICU (Unicode case, width, collation, character sets): the Unicode licence (Unicode-3.0), "
    "Copyright (c) Unicode, Inc.\n\n"
    "Thanks to the people who write and keep these libraries.";

}  // namespace

QString versionText(int major, int minor, int revision) {
    return qs("ﾊﾞｰｼﾞｮﾝ ") + QString::number(major) + "." + QString::number(minor) + "." + QString::number(revision);
}

GuideWindow::GuideWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Dialog1");
    setWindowTitle(qs("簡単ガイド"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    // The text uses CR LF between lines; a label breaks at LF.
    QString text = QString::fromStdString(guideText());
    text.remove(QChar('\r'));
    auto* label = new QLabel(text, this);
    label->setObjectName("Label1");
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    auto* ok = new QPushButton(qs("OK"), this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
}

AboutWindow::AboutWindow(const QString& appTitle, int major, int minor, int revision, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName("frmAbout");
    setWindowTitle(appTitle + qs("のﾊﾞｰｼﾞｮﾝ情報"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(520, 420);
    auto* layout = new QVBoxLayout(this);
    auto label = [this, layout](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setWordWrap(true);
        layout->addWidget(l);
        return l;
    };
    QLabel* title = label("lblTitle", appTitle);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    label("lblVersion", versionText(major, minor, revision));
    label("lblDescription", qs("クリップボードの文字列を Perl 互換の正規表現（PCRE2）、tr、m// やシェルのフィルタで"
                               "書き換えるツールです。文字種・幅・かなの変換と日本語の並べ替えには ICU を使っています。"
                               "PCRE2 の最新版は PCRE2 のプロジェクトから入手できます。"));
    auto* text = new QPlainTextEdit(qs(kLicences), this);
    text->setObjectName("Text1");
    text->setReadOnly(true);
    layout->addWidget(text, 1);
    label("Label1", qs("kakikae の開発者たち — 不具合や要望は kakikae のプロジェクトの issues へ"));
    auto* row = new QHBoxLayout;
    auto* sysInfo = new QPushButton(qs("ｼｽﾃﾑ情報(&S)..."), this);
    sysInfo->setObjectName("cmdSysInfo");
    auto* ok = new QPushButton(qs("OK"), this);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    row->addStretch();
    row->addWidget(sysInfo);
    row->addWidget(ok);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    connect(sysInfo, &QPushButton::clicked, this, &AboutWindow::systemInfoRequested);
}

}  // namespace kk::dialogs
