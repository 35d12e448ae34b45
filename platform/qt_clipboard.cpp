// QClipboard in Clipboard mode (never the selection).
#include "platform/qt_clipboard.h"
#include "platform/x11_owner.h"
#include "platform/x11_selection.h"
#include "texts/texts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <atomic>
#include <stdexcept>

namespace kk {

namespace {

// The text, and in `holdsText` whether there was any: an image or nothing
// reads as the empty text.
std::optional<QString> clipboardText(std::atomic<bool>& holdsText, bool primary) {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) return std::nullopt;
    const QMimeData* data = cb->mimeData(primary ? QClipboard::Selection : QClipboard::Clipboard);
    holdsText = data && data->hasText();
    return holdsText ? data->text() : QString();
}

bool setClipboardText(const QString& text) {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) return false;
    cb->clear(QClipboard::Clipboard);
    cb->setText(text, QClipboard::Clipboard);  // replaces every other format
    // The clipboard now answers with our own data, unless the system refused
    // us the ownership; comparing lengths is enough and costs nothing.
    const QMimeData* data = cb->mimeData(QClipboard::Clipboard);
    return data && data->hasText() && data->text().size() == text.size();
}

// On X11 we read and own the clipboard ourselves, with the text's exact bytes.
bool onX11() { return QGuiApplication::platformName() == "xcb"; }

}  // namespace

std::optional<std::string> QtClipboard::readText() {
    if (onX11()) {
        auto maker = snapshotText();
        try {
            return (*maker)();
        } catch (const std::runtime_error&) {
            return std::nullopt;
        }
    }
    const auto text = clipboardText(holdsText_, primary_);
    if (!text) return std::nullopt;
    replaced_ = text->contains(QChar::ReplacementCharacter);
    return text->toStdString();
}

bool QtClipboard::writeText(const std::string& utf8) {
    return onX11() ? setX11ClipboardText(utf8) : setClipboardText(QString::fromStdString(utf8));
}

// As the last read found it: asked from the worker that made the text.
bool QtClipboard::holdsText() { return holdsText_; }

std::optional<Clipboard::TextMaker> QtClipboard::snapshotText() {
    // On X11 the text is fetched off the UI thread, as bytes, over a
    // connection of our own; only whether there is text is asked here.
    if (onX11()) {
        // Nothing is asked on the UI thread: Qt's own question to a silent
        // owner would hold the window for seconds before its first paint.
        replaced_ = false;
        return [this] {
            bool holds = true;
            std::string text = readX11TextOrThrow(timeoutMs_, primary_, holds);
            holdsText_ = holds;
            return text;
        };
    }
    auto text = clipboardText(holdsText_, primary_);
    if (!text) return std::nullopt;
    // Qt has already decoded it; where it could not, it put U+FFFD.
    return [this, t = std::move(*text)] {
        replaced_ = t.contains(QChar::ReplacementCharacter);
        return t.toStdString();
    };
}

bool QtClipboard::readFrom(Source source) {
    const bool primary = source == Source::Primary;
    // X11 always has PRIMARY; elsewhere Qt says whether the platform offers it.
    if (primary && !onX11()) {
        QClipboard* cb = QGuiApplication::clipboard();
        if (!cb || !cb->supportsSelection()) return false;
    }
    primary_ = primary;
    return true;
}

Clipboard::TextWriter QtClipboard::prepareText(std::string utf8) {
    if (onX11()) return [t = std::move(utf8)]() mutable { return setX11ClipboardText(std::move(t)); };
    return [t = QString::fromStdString(utf8)] { return setClipboardText(t); };
}

}  // namespace kk
