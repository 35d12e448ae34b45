// QClipboard in Clipboard mode (never the selection).
#include "platform/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kk {

std::optional<std::string> QtClipboard::readText() {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) return std::nullopt;
    const QMimeData* data = cb->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText()) return {};  // an image or nothing reads as the empty text
    return data->text().toStdString();
}

bool QtClipboard::writeText(const std::string& utf8) {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) return false;
    cb->clear(QClipboard::Clipboard);
    const QString text = QString::fromStdString(utf8);
    cb->setText(text, QClipboard::Clipboard);  // replaces every other format
    // The clipboard now answers with our own data, unless the system refused
    // us the ownership; comparing lengths is enough and costs nothing.
    const QMimeData* data = cb->mimeData(QClipboard::Clipboard);
    return data && data->hasText() && data->text().size() == text.size();
}

}  // namespace kk
