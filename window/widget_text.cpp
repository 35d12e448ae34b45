// Stand-ins live in the private-use area: U+F780-F7FF a byte 0x80-0xFF that
// is no UTF-8, U+F70D a lone CR, U+F628/F629 the line and paragraph
// separators, U+F6D0/F6D1 the two noncharacters the text document takes for
// frame marks.
#include "window/widget_text.h"

#include "core/text_codec.h"

namespace kk::view {

namespace {

constexpr char16_t kByteBase = 0xF700, kLoneCr = 0xF70D, kLineSep = 0xF628, kParaSep = 0xF629, kFrameStart = 0xF6D0,
                   kFrameEnd = 0xF6D1;

// The length of the valid UTF-8 character at `at`, or 0 for a stray byte.
std::size_t characterLength(std::string_view text, std::size_t at) {
    if (!startsCharacter(text, at)) return 0;
    const auto b = static_cast<unsigned char>(text[at]);
    return b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
}

}  // namespace

Step stepAt(std::string_view text, std::size_t at) {
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') return {2, 1};
    const std::size_t n = characterLength(text, at);
    if (n == 0) return {1, 1};
    return {n, n == 4 ? 2 : 1};
}

int unitsOf(std::string_view text, std::size_t from, std::size_t to) {
    int units = 0;
    while (from < to) {
        const Step s = stepAt(text, from);
        from += s.bytes;
        units += s.units;
    }
    return units;
}

QString toWidgetText(std::string_view text, int& line, int linesPerParagraph) {
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    forEachValidRun(text, [&](std::string_view run, bool valid) {
        if (!valid) {
            out.append(QChar(static_cast<char16_t>(kByteBase + static_cast<unsigned char>(run[0]))));
            return;
        }
        const QString s = QString::fromUtf8(run.data(), static_cast<qsizetype>(run.size()));
        const QChar* d = s.constData();
        const qsizetype n = s.size();
        for (qsizetype r = 0; r < n; ++r) {
            char16_t c = d[r].unicode();
            switch (c) {
                case u'\r':
                    if (r + 1 < n && d[r + 1] == u'\n') continue;  // the LF after it is the line break
                    c = kLoneCr;
                    break;
                case u'\n':
                    c = ++line % linesPerParagraph ? QChar::LineSeparator : QChar::ParagraphSeparator;
                    break;
                case QChar::LineSeparator: c = kLineSep; break;
                case QChar::ParagraphSeparator: c = kParaSep; break;
                case 0xFDD0: c = kFrameStart; break;
                case 0xFDD1: c = kFrameEnd; break;
                default: break;
            }
            out.append(QChar(c));
        }
    });
    return out;
}

std::string fromWidgetText(const QString& typed, std::string_view lineEnd) {
    std::string out;
    out.reserve(static_cast<std::size_t>(typed.size()));
    QString run;  // ordinary characters, converted together
    auto flush = [&] {
        if (run.isEmpty()) return;
        out += run.toStdString();
        run.clear();
    };
    for (const QChar ch : typed) {
        const char16_t c = ch.unicode();
        const char* stand = nullptr;
        char byte = 0;
        if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == u'\n') {
            flush();
            out.append(lineEnd);
            continue;
        }
        if (c >= kByteBase + 0x80 && c <= kByteBase + 0xFF) byte = static_cast<char>(c - kByteBase);
        else if (c == kLoneCr) byte = '\r';
        else if (c == kLineSep) stand = "\u2028";
        else if (c == kParaSep) stand = "\u2029";
        else if (c == kFrameStart) stand = "\uFDD0";
        else if (c == kFrameEnd) stand = "\uFDD1";
        if (!byte && !stand) {
            run.append(ch);
            continue;
        }
        flush();
        if (byte) out.push_back(byte);
        else out.append(stand);
    }
    flush();
    return out;
}

}  // namespace kk::view
