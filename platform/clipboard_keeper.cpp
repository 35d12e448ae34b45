// Whether this process owns the clipboard's text: ours on X11, Qt's elsewhere.
#include "platform/clipboard_keeper.h"
#include "platform/x11_owner.h"

#include <QClipboard>
#include <QGuiApplication>

namespace kk {

bool ownsClipboardText(std::string* text) {
    if (QGuiApplication::platformName() == "xcb") return ownsX11ClipboardText(text);
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb || !cb->ownsClipboard()) return false;
    if (text) *text = cb->text(QClipboard::Clipboard).toStdString();
    return true;
}

}  // namespace kk
