// The table, the help text laid out from it, and the completion scripts.
#include "cli/options.h"

#include "texts/texts.h"

#include <sstream>

namespace kk::cli {

const std::vector<OptionSpec>& options() {
    static const std::vector<OptionSpec> t = {
        {nullptr, "-e", "CMD", Completion::Command,
         "apply one s///, tr///, y/// or m// command as it stands (no line-anchor rule); may repeat, applied in order",
         "s/// tr/// y/// m// のコマンドをそのまま適用します（行ごとの規則なし）。繰り返すと順に適用します"},
        {"--convert", nullptr, "NAME", Completion::Conversion,
         "a built-in conversion by its name, alias or menu label (see --list-conversions); with -e, one more step "
         "in their order",
         "組み込みの変換を名前・別名・メニューの表示名で選びます（--list-conversions を参照）。-e と並べると、その順の手順の一つになります"},
        {"--recipe", nullptr, "NAME", Completion::Recipe,
         "run a recipe, a named chain of steps from the recipe file (see --list-recipes); a failing step is named "
         "and nothing is written",
         "レシピ（レシピファイルにある名前付きの手順の並び）を実行します（--list-recipes を参照）。失敗した手順を示し、何も書きません"},
        {"--recipe-file", nullptr, "PATH", Completion::File,
         "read the recipes from PATH instead of the user's recipe file",
         "利用者のレシピファイルの代わりに PATH のレシピを使います"},
        {"--count", nullptr, nullptr, Completion::None,
         "print the count: characters (code points), lines (a final line end opens a line), bytes as Shift_JIS with "
         "each line end as CR LF",
         "文字数（コードポイント）、行数（最後の改行の後も 1 行）、Shift_JIS でのバイト数（改行は CR LF の 2 バイト）を出力します"},
        {"--invert", nullptr, nullptr, Completion::None, "m// keeps the lines that do not match (the -v box)",
         "m// で一致しない行を残します（-v のチェック）"},
        {"--clipboard", nullptr, nullptr, Completion::None,
         "read the system clipboard instead of the input and put the result back on it (the one-shot button); on "
         "Wayland through wl-paste and wl-copy",
         "入力の代わりにクリップボードを読み、結果をクリップボードに戻します（一撃ボタン）。Wayland では wl-paste と wl-copy を使います"},
        {"--run", nullptr, "NAME", Completion::Recipe,
         "for a desktop key: run the recipe NAME, or the favourite whose 【comment】 or command is NAME, on the "
         "clipboard (as --clipboard; with --primary on the selection); the result is also a notification",
         "デスクトップのキー向け: レシピ NAME、または【コメント】かコマンドが NAME のおきまりの表現を、クリップボード"
         "（--clipboard と同じ。--primary なら選択範囲）に実行します。結果は通知でも伝えます"},
        {"--primary", nullptr, nullptr, Completion::None,
         "as --clipboard, but read the PRIMARY selection (the text last selected) and put the result on the "
         "clipboard: select, press a key, paste with Ctrl+V; on Wayland through wl-paste --primary",
         "--clipboard と同じですが、選択範囲 (PRIMARY、最後に選択したテキスト) を読み、結果をクリップボードに置きます。"
         "選択してキーを押し、Ctrl+V で貼り付けられます。Wayland では wl-paste --primary を使います"},
        {"--timeout", nullptr, "SECONDS", Completion::None,
         "how long the clipboard's owner may take to answer --clipboard (default 5); then it fails and says so",
         "--clipboard でクリップボードの持ち主の応答を待つ秒数（既定 5）。過ぎると失敗し、そう伝えます"},
        {"--notify", nullptr, nullptr, Completion::None,
         "show a failure as a desktop notification too (the default with --clipboard when standard error is no "
         "terminal, as under a desktop key)",
         "失敗をデスクトップ通知でも伝えます（--clipboard で標準エラーが端末でないとき、たとえばデスクトップのキーから実行したときの既定）"},
        {"--no-notify", nullptr, nullptr, Completion::None, "never show a desktop notification",
         "デスクトップ通知を出しません"},
        {"--input-encoding", nullptr, "E", Completion::Encoding,
         "auto (the default), utf-8, cp932 or latin1; auto takes CP932 only when it clearly is, else keeps the bytes "
         "(said on standard error)",
         "auto（既定）、utf-8、cp932、latin1。auto は明らかに CP932 のときだけ CP932 として読み、それ以外はバイトをそのまま残します（標準エラーに出します）"},
        {"--record-history", nullptr, nullptr, Completion::None,
         "record the command in the window's history, as a run of the window does",
         "ウィンドウでの実行と同じく、コマンドを履歴に記録します"},
        {"--diff", nullptr, nullptr, Completion::None,
         "print a unified diff of the input and the result instead of the result (coloured on a terminal unless "
         "NO_COLOR is set)",
         "結果の代わりに入力と結果の差分（diff -u 形式）を出力します"},
        {"--verbose", nullptr, nullptr, Completion::None, "print the status line the window would show",
         "ウィンドウの状態欄に出る文を標準エラーに出します"},
        {"--quiet", "-q", nullptr, Completion::None, "print nothing but warnings and errors (the default)",
         "警告とエラーのほかは何も出しません（既定の動作）"},
        {"--progress", nullptr, nullptr, Completion::None,
         "show how far the work has come on standard error even when it is no terminal (on a terminal it shows "
         "by itself after a second of work, unless --quiet)",
         "進み具合を標準エラーに出します（端末なら --quiet でない限り、1 秒を超える処理で自動的に出ます）"},
        {"--list-conversions", nullptr, nullptr, Completion::None, "list the conversions: names, aliases and labels",
         "変換の名前・別名・表示名を一覧にします"},
        {"--list-recipes", nullptr, nullptr, Completion::None,
         "list the recipes: name, steps and comment, a line each (with --verbose, the steps too)",
         "レシピの名前・手順の数・コメントを一行ずつ出します（--verbose で手順も）"},
        {"--help", "-h", nullptr, Completion::None, "print this help", "この説明を出します"},
        {"--version", nullptr, nullptr, Completion::None, "print the version", "版を出します"},
        {"--hold-clipboard", nullptr, nullptr, Completion::None, "", "", true},
        {"--completion", nullptr, "SHELL", Completion::None, "", "", true},
    };
    return t;
}

const std::vector<Example>& examples() {
    static const std::vector<Example> t = {
        {"kakikae-cli 's/\\n//g' < lines.txt", "join all lines into one", "すべての行をつなげる"},
        {"kakikae-cli --convert zenkaku < in.txt", "half-width letters and digits to full width",
         "半角の英数字を全角に"},
        {"kakikae-cli sort names.txt", "sort a file with the shell's sort", "ファイルをシェルの sort で並べる"},
        {"kakikae-cli --clipboard 's/\\r\\n?/\\n/g'", "the clipboard's line ends to LF (for a desktop hotkey)",
         "クリップボードの改行を LF に（デスクトップのショートカットに）"},
        {"kakikae-cli --diff 's/colour/color/g' notes.txt", "see what a command would change",
         "コマンドが変える箇所を見る"},
        {"kakikae-cli -e 'tr/a-z/A-Z/' -e 'm/^A/' words.txt", "two commands in a row", "二つのコマンドを続けて"},
        {"kakikae-cli -e 's/^ +//' --convert to-half-width --convert dedupe table.txt",
         "commands and conversions mixed, in their order", "コマンドと変換を混ぜて順に"},
        {"kakikae-cli --clipboard --recipe tidy", "run the recipe \"tidy\" over the clipboard",
         "クリップボードにレシピ「tidy」を実行"},
    };
    return t;
}

const OptionSpec* findOption(const std::string& argument) {
    const std::string name = argument.starts_with("--") ? argument.substr(0, argument.find('=')) : argument;
    for (const auto& o : options())
        if ((o.name && name == o.name) || (o.shortName && name == o.shortName)) return &o;
    return nullptr;
}

namespace {

std::string spelled(const OptionSpec& o) {
    std::string s;
    if (o.shortName) s += o.shortName;
    if (o.shortName && o.name) s += ", ";
    if (o.name) s += o.name;
    if (o.value) s += std::string(o.name ? "=" : " ") + o.value;
    return s;
}

// Words folded to the width of a terminal, after a 2 + 24 column margin.
void appendWrapped(std::string& out, const std::string& lead, const std::string& text) {
    constexpr std::size_t kMargin = 26, kWidth = 79;
    std::string line = "  " + lead;
    if (line.size() >= kMargin) {
        out += line + "\n";
        line.clear();
    }
    line.resize(kMargin, ' ');
    std::istringstream words(text);
    bool first = true;
    for (std::string w; words >> w;) {
        if (!first && line.size() + 1 + w.size() > kWidth) {
            out += line + "\n";
            line.assign(kMargin, ' ');
            first = true;
        }
        if (!first) line += ' ';
        line += w;
        first = false;
    }
    out += line + "\n";
}

}  // namespace

std::string helpText() {
    const bool ja = texts::language() == texts::Language::Japanese;
    std::string out =
        "usage: kakikae-cli [options] COMMAND [FILE...]\n"
        "       kakikae-cli [options] -e CMD [-e CMD ...] [FILE...]\n"
        "       kakikae-cli [options] --convert NAME [FILE...]\n"
        "       kakikae-cli [options] --recipe NAME [FILE...]\n"
        "       kakikae-cli [options] --count [FILE...]\n\n";
    out += ja ? "ファイル（- は標準入力。なければ標準入力）に一つのコマンドを実行し、結果を標準出力に書きます。\n"
                "s/// tr/// y/// m// は正規表現のコマンド（パターンが ^ で始まるか $ で終わると行ごと）、"
                "それ以外はシェルのフィルタです。\n"
                "成功したときは何も言いません。- で始まる引数はいつもオプションです（-- の後はコマンドとファイル）。\n\n"
              : "Runs one command over the files (- is standard input; standard input when none are named) and writes\n"
                "the result to standard output. s/// tr/// y/// m// are regular-expression commands (a pattern\n"
                "starting with ^ or ending in $ works line by line); anything else runs as a shell filter.\n"
                "Silent on success. An argument starting with - is always an option (after -- the command and\n"
                "files follow).\n\n";
    for (const auto& o : options())
        if (!o.hidden) appendWrapped(out, spelled(o), ja ? o.helpJa : o.helpEn);
    out += ja ? "\n終了コード: 0 成功（結果が空でも）、1 拒否・失敗・中止（標準出力には何も書かず、クリップボードはそのまま）、2 使い方の誤り。\n\n例:\n"
              : "\nExit status: 0 done (an empty result too), 1 refused, failed or cancelled (nothing on standard\n"
                "output, the clipboard left alone), 2 bad usage.\n\nExamples:\n";
    for (const auto& e : examples()) out += std::string("  ") + e.commandLine + "\n      " + (ja ? e.ja : e.en) + "\n";
    return out;
}

namespace {

std::string bashScript() {
    std::string all, withValue;
    for (const auto& o : options()) {
        if (o.hidden) continue;
        for (const char* n : {o.shortName, o.name}) {
            if (!n) continue;
            all += std::string(all.empty() ? "" : " ") + n + (o.value && n == o.name ? "=" : "");
        }
    }
    std::string out =
        "# bash completion for kakikae-cli (made from its option table)\n"
        "_kakikae_cli_values() {\n"
        "    case $1 in\n";
    for (const auto& o : options()) {
        if (o.hidden || !o.value) continue;
        out += std::string("        ") + (o.name ? o.name : o.shortName) +
               (o.name && o.shortName ? std::string("|") + o.shortName : "") + ") ";
        switch (o.completion) {
            case Completion::Conversion:
                out += "kakikae-cli --list-conversions 2>/dev/null | awk 'NR > 1 { print $1 }' ;;\n";
                break;
            case Completion::Encoding: out += "echo auto utf-8 cp932 latin1 ;;\n"; break;
            case Completion::Recipe:
                out += "kakikae-cli --list-recipes 2>/dev/null | cut -f1 ;;\n";
                break;
            default: out += ":;;\n"; break;
        }
    }
    out +=
        "    esac\n"
        "}\n"
        "_kakikae_cli() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} opt=\n"
        "    # bash splits --opt=value at the \"=\": put the word back together.\n"
        "    if [[ $cur == = ]]; then opt=$prev; cur=\n"
        "    elif [[ $prev == = && $COMP_CWORD -ge 2 ]]; then opt=${COMP_WORDS[COMP_CWORD-2]}\n"
        "    elif [[ $cur == --*=* ]]; then opt=${cur%%=*}; cur=${cur#*=}\n"
        "    else opt=$prev; fi\n"
        "    local values\n"
        "    values=$(_kakikae_cli_values \"$opt\")\n"
        "    if [[ -n $values ]]; then COMPREPLY=($(compgen -W \"$values\" -- \"$cur\")); return; fi\n"
        "    case $opt in -e) return ;; --recipe-file) compopt -o default; COMPREPLY=(); return ;; esac\n"
        "    if [[ $cur == -* ]]; then\n"
        "        COMPREPLY=($(compgen -W \"" + all + " --\" -- \"$cur\"))\n"
        "        [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace\n"
        "        return\n"
        "    fi\n"
        "    compopt -o default\n"
        "    COMPREPLY=()\n"
        "}\n"
        "complete -F _kakikae_cli kakikae-cli\n";
    return out;
}

// For a description inside '...[...]': brackets and colons escaped, no quotes.
std::string zshEscape(const std::string& s) {
    std::string out;
    for (const char c : s) {
        if (c == '\'') continue;
        if (c == '[' || c == ']' || c == ':') out += '\\';
        out += c;
    }
    return out;
}

std::string zshScript() {
    std::string out =
        "#compdef kakikae-cli\n"
        "# zsh completion for kakikae-cli (made from its option table)\n\n"
        "_kakikae_cli_conversions() {\n"
        "    local -a names\n"
        "    names=(${(f)\"$(kakikae-cli --list-conversions 2>/dev/null | awk 'NR > 1 { print $1 }')\"})\n"
        "    _describe 'conversion' names\n"
        "}\n\n"
        "_kakikae_cli_recipes() {\n"
        "    local -a names\n"
        "    names=(${(f)\"$(kakikae-cli --list-recipes 2>/dev/null | cut -f1)\"})\n"
        "    compadd -a names\n"
        "}\n\n"
        "_arguments -s -S \\\n";
    for (const auto& o : options()) {
        if (o.hidden) continue;
        std::string help = zshEscape(o.helpEn);
        if (help.size() > 60) help = help.substr(0, help.find_last_of(' ', 60));
        std::string action;
        switch (o.completion) {
            case Completion::Conversion: action = ":conversion:_kakikae_cli_conversions"; break;
            case Completion::Encoding: action = ":encoding:(auto utf-8 cp932 latin1)"; break;
            case Completion::Command: action = ":command: "; break;
            case Completion::Recipe: action = ":recipe:_kakikae_cli_recipes"; break;
            case Completion::File: action = ":file:_files"; break;
            case Completion::None: break;
        }
        const bool exclusive = o.name && (std::string(o.name) == "--help" || std::string(o.name) == "--version");
        for (const char* n : {o.shortName, o.name}) {
            if (!n) continue;
            std::string word = n;
            if (o.value) word += n == o.name ? "=" : "+";
            out += "    '" + std::string(exclusive ? "(- *)" : std::string(n) == "-e" ? "*" : "") + word + "[" +
                   help + "]" + action + "' \\\n";
        }
    }
    out +=
        "    '1:command (s///, tr///, m// or a shell filter): ' \\\n"
        "    '*:file:_files'\n";
    return out;
}

}  // namespace

std::string completionScript(const std::string& shell) { return shell == "zsh" ? zshScript() : bashScript(); }

}  // namespace kk::cli
