// QClipboard in Clipboard mode (never the selection).
#include "platform/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kk {

std::string QtClipboard::readText() {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) return {};
    const QMimeData* data = cb->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText()) return {};  // an image or nothing reads as the empty text
    return data->text().toStdString();
}

bool QtClipboard::writeText(const std::string& utf8) {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) return false;
    cb->clear(QClipboard::Clipboard);
    cb->setText(QString::fromStdString(utf8), QClipboard::Clipboard);  // replaces every other format
    return true;
}

}  // namespace kk
