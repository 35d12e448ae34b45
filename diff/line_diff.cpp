// Lines through dtl's O(NP) diff; characters inside a changed pair by
// trimming what the two lines share at both ends.
#include "diff/line_diff.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

namespace kk::diff {

namespace {

struct Line {
    std::size_t at, length;  // without its line end
    bool ended;              // has a line end after it
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        if (lf == std::string_view::npos) {
            lines.push_back({pos, text.size() - pos, false});
            break;
        }
        lines.push_back({pos, lf - pos, true});
        pos = lf + 1;
    }
    return lines;
}

std::string_view lineText(std::string_view text, const Line& l) {
    return text.substr(l.at, l.length + (l.ended ? 1 : 0));
}

enum class Op { Common, Delete, Add };
struct Edit {
    Op op;
    std::size_t a, b;  // line index in before / after (the one that applies)
};

// The edit script over lines: common start and end by comparison, the middle
// by dtl when it is small enough, else all deleted and all added.
std::vector<Edit> editScript(std::string_view before, const std::vector<Line>& la, std::string_view after,
                             const std::vector<Line>& lb) {
    std::size_t head = 0;
    while (head < la.size() && head < lb.size() && lineText(before, la[head]) == lineText(after, lb[head])) ++head;
    std::size_t tail = 0;
    while (tail < la.size() - head && tail < lb.size() - head &&
           lineText(before, la[la.size() - 1 - tail]) == lineText(after, lb[lb.size() - 1 - tail]))
        ++tail;
    std::vector<Edit> edits;
    for (std::size_t k = 0; k < head; ++k) edits.push_back({Op::Common, k, k});
    const std::size_t na = la.size() - head - tail, nb = lb.size() - head - tail;
    if (na + nb > 0 && na <= kMaxAlignedLines && nb <= kMaxAlignedLines) {
        std::vector<std::string_view> sa, sb;
        for (std::size_t k = 0; k < na; ++k) sa.push_back(lineText(before, la[head + k]));
        for (std::size_t k = 0; k < nb; ++k) sb.push_back(lineText(after, lb[head + k]));
        dtl::Diff<std::string_view, std::vector<std::string_view>> d(sa, sb);
        d.compose();
        for (const auto& [elem, info] : d.getSes().getSequence()) {
            (void)elem;
            // dtl counts from 1; an added line's beforeIdx and a deleted one's afterIdx are 0.
            const std::size_t a = info.beforeIdx > 0 ? head + static_cast<std::size_t>(info.beforeIdx) - 1 : 0;
            const std::size_t b = info.afterIdx > 0 ? head + static_cast<std::size_t>(info.afterIdx) - 1 : 0;
            edits.push_back({info.type == dtl::SES_COMMON   ? Op::Common
                             : info.type == dtl::SES_DELETE ? Op::Delete
                                                            : Op::Add,
                             a, b});
        }
    } else if (na + nb > 0) {
        // Too long to align: a greedy walk that, past a difference, finds the
        // nearest line the two texts share again within a short window. Sparse
        // edits (uniq, a replace on some lines) come out line by line; a text
        // that is all moved costs one window per line, never more.
        constexpr std::size_t kWindow = 16;
        std::vector<std::size_t> ha(na), hb(nb);
        for (std::size_t k = 0; k < na; ++k) ha[k] = std::hash<std::string_view>()(lineText(before, la[head + k]));
        for (std::size_t k = 0; k < nb; ++k) hb[k] = std::hash<std::string_view>()(lineText(after, lb[head + k]));
        // hash → line numbers, ascending; built only when a near look does not resync.
        std::unordered_map<std::size_t, std::vector<std::size_t>> whereA, whereB;
        auto buildMaps = [&] {
            if (!whereA.empty() || !whereB.empty()) return;
            for (std::size_t k = 0; k < na; ++k) whereA[ha[k]].push_back(k);
            for (std::size_t k = 0; k < nb; ++k) whereB[hb[k]].push_back(k);
        };
        std::size_t changedLines = 0;
        auto same = [&](std::size_t i, std::size_t j) {
            return ha[i] == hb[j] && lineText(before, la[head + i]) == lineText(after, lb[head + j]);
        };
        // The first line at or after `from` among `where[hash]` that is the same line.
        auto next = [](const std::unordered_map<std::size_t, std::vector<std::size_t>>& where, std::size_t hash,
                       std::size_t from, const std::function<bool(std::size_t)>& matches) -> std::size_t {
            const auto it = where.find(hash);
            if (it == where.end()) return SIZE_MAX;
            for (auto p = std::lower_bound(it->second.begin(), it->second.end(), from); p != it->second.end(); ++p)
                if (matches(*p)) return *p;
            return SIZE_MAX;
        };
        std::size_t i = 0, j = 0;
        while (i < na || j < nb) {
            if (i < na && j < nb && same(i, j)) {
                edits.push_back({Op::Common, head + i++, head + j++});
                continue;
            }
            // A text mostly moved about (a sort) is not worth aligning further:
            // the rest is one change.
            if (i + j > 4000 && changedLines * 10 > (i + j) * 9) {
                while (i < na) edits.push_back({Op::Delete, head + i++, 0});
                while (j < nb) edits.push_back({Op::Add, 0, head + j++});
                break;
            }
            // Where the two meet again most cheaply: near first, then one of
            // the next few lines of either text found later in the other.
            std::size_t bestI = na, bestJ = nb, best = (na - i) + (nb - j);
            for (std::size_t di = 0; di <= 4 && i + di < na; ++di)
                for (std::size_t dj = 0; dj <= 4 && j + dj < nb && di + dj < best; ++dj)
                    if (same(i + di, j + dj)) best = di + dj, bestI = i + di, bestJ = j + dj;
            // The far look needs maps of every line: first see whether the text
            // is worth it (the give-up above has had its say by then).
            const bool far = best > 8 && i + j > 4000;
            if (far) buildMaps();
            for (std::size_t d = 0; d < kWindow && far; ++d) {
                if (i + d < na) {
                    const std::size_t jj = next(whereB, ha[i + d], j, [&](std::size_t q) { return same(i + d, q); });
                    if (jj != SIZE_MAX && d + (jj - j) < best) best = d + (jj - j), bestI = i + d, bestJ = jj;
                }
                if (j + d < nb) {
                    const std::size_t ii = next(whereA, hb[j + d], i, [&](std::size_t q) { return same(q, j + d); });
                    if (ii != SIZE_MAX && (ii - i) + d < best) best = (ii - i) + d, bestI = ii, bestJ = j + d;
                }
            }
            if (best > 8 && !far) {  // not yet looking far: one line each way
                bestI = std::min(na, i + 1);
                bestJ = std::min(nb, j + 1);
            }
            changedLines += (bestI - i) + (bestJ - j);
            while (i < bestI) edits.push_back({Op::Delete, head + i++, 0});
            while (j < bestJ) edits.push_back({Op::Add, 0, head + j++});
        }
    }
    for (std::size_t k = 0; k < tail; ++k) edits.push_back({Op::Common, la.size() - tail + k, lb.size() - tail + k});
    return edits;
}

}  // namespace

ChangeMap lineChanges(std::string_view before, std::string_view after) {
    const std::vector<Line> la = splitLines(before), lb = splitLines(after);
    const std::vector<Edit> edits = editScript(before, la, after, lb);
    ChangeMap changes;
    // Runs of deletes and adds between common lines form one change; a run of
    // one line each way narrows to the characters that differ.
    for (std::size_t i = 0; i < edits.size();) {
        if (edits[i].op == Op::Common) {
            ++i;
            continue;
        }
        std::vector<std::size_t> dels, adds;
        while (i < edits.size() && edits[i].op != Op::Common) {
            (edits[i].op == Op::Delete ? dels : adds).push_back(edits[i].op == Op::Delete ? edits[i].a : edits[i].b);
            ++i;
        }
        // Where the change sits in each text: its lines, or the point after
        // the common line before it.
        const std::size_t prevA = i - dels.size() - adds.size() > 0 ? edits[i - dels.size() - adds.size() - 1].a : 0;
        const std::size_t prevB = i - dels.size() - adds.size() > 0 ? edits[i - dels.size() - adds.size() - 1].b : 0;
        const bool atStart = i - dels.size() - adds.size() == 0;
        auto startOf = [&](const std::vector<Line>& ls, const std::vector<std::size_t>& idx, std::size_t prev,
                           std::size_t textSize) -> std::size_t {
            if (!idx.empty()) return ls[idx.front()].at;
            if (atStart) return 0;
            const Line& p = ls[prev];
            return std::min(textSize, p.at + p.length + (p.ended ? 1 : 0));
        };
        auto endOf = [&](const std::vector<Line>& ls, const std::vector<std::size_t>& idx, std::size_t start) {
            if (idx.empty()) return start;
            const Line& l = ls[idx.back()];
            return l.at + l.length + (l.ended ? 1 : 0);
        };
        Change c;
        c.from = startOf(la, dels, prevA, before.size());
        c.fromLength = endOf(la, dels, c.from) - c.from;
        c.to = startOf(lb, adds, prevB, after.size());
        c.toLength = endOf(lb, adds, c.to) - c.to;
        if (dels.size() == 1 && adds.size() == 1) {
            // Trim the shared start and end, at character boundaries.
            const std::string_view x = before.substr(c.from, c.fromLength), y = after.substr(c.to, c.toLength);
            std::size_t p = 0;
            while (p < x.size() && p < y.size() && x[p] == y[p]) ++p;
            while (p > 0 && (static_cast<unsigned char>(x[p]) & 0xC0) == 0x80) --p;
            std::size_t s = 0;
            while (s < x.size() - p && s < y.size() - p && x[x.size() - 1 - s] == y[y.size() - 1 - s]) ++s;
            while (s > 0 && (static_cast<unsigned char>(x[x.size() - s]) & 0xC0) == 0x80) --s;
            c.from += p;
            c.to += p;
            c.fromLength = x.size() - p - s;
            c.toLength = y.size() - p - s;
        }
        changes.push_back(c);
    }
    return changes;
}

std::string unifiedDiff(std::string_view before, std::string_view after, std::string_view fromLabel,
                        std::string_view toLabel, bool color) {
    const std::vector<Line> la = splitLines(before), lb = splitLines(after);
    const std::vector<Edit> edits = editScript(before, la, after, lb);
    if (std::all_of(edits.begin(), edits.end(), [](const Edit& e) { return e.op == Op::Common; })) return {};
    const char* red = color ? "\033[31m" : "";
    const char* green = color ? "\033[32m" : "";
    const char* cyan = color ? "\033[36m" : "";
    const char* bold = color ? "\033[1m" : "";
    const char* reset = color ? "\033[0m" : "";
    std::string out;
    out += std::string(bold) + "--- " + std::string(fromLabel) + reset + "\n";
    out += std::string(bold) + "+++ " + std::string(toLabel) + reset + "\n";
    constexpr std::size_t kContext = 3;
    auto appendLine = [&](char mark, std::string_view text, const Line& l, const char* colour) {
        out += colour;
        out += mark;
        out.append(text.substr(l.at, l.length));
        out += reset;
        out += '\n';
        if (!l.ended) out += "\\ No newline at end of file\n";
    };
    for (std::size_t i = 0; i < edits.size();) {
        if (edits[i].op == Op::Common) {
            ++i;
            continue;
        }
        // A hunk: from kContext common lines before the first change to
        // kContext after the last one closer than twice that to the next.
        std::size_t first = i >= kContext ? i - kContext : 0;
        while (first < i && edits[first].op != Op::Common) ++first;
        std::size_t last = i;
        while (true) {
            while (last < edits.size() && edits[last].op != Op::Common) ++last;
            std::size_t run = last;
            while (run < edits.size() && edits[run].op == Op::Common) ++run;
            if (run < edits.size() && run - last <= 2 * kContext) {
                last = run;
                continue;
            }
            last = std::min(edits.size(), last + kContext);
            break;
        }
        std::size_t aStart = 0, aCount = 0, bStart = 0, bCount = 0;
        bool aSet = false, bSet = false;
        for (std::size_t k = first; k < last; ++k) {
            if (edits[k].op != Op::Add) {
                if (!aSet) aStart = edits[k].a, aSet = true;
                ++aCount;
            }
            if (edits[k].op != Op::Delete) {
                if (!bSet) bStart = edits[k].b, bSet = true;
                ++bCount;
            }
        }
        // diff -u numbers from 1, and an empty side names the line before it.
        auto range = [](std::size_t start, std::size_t count, bool set, std::size_t fallback) {
            const std::size_t s = set ? start + 1 : fallback;
            return count == 1 ? std::to_string(s) : std::to_string(s) + "," + std::to_string(count);
        };
        std::size_t aBefore = 0, bBefore = 0;
        for (std::size_t k = 0; k < first; ++k) {
            if (edits[k].op != Op::Add) ++aBefore;
            if (edits[k].op != Op::Delete) ++bBefore;
        }
        out += std::string(cyan) + "@@ -" + range(aStart, aCount, aSet, aBefore) + " +" +
               range(bStart, bCount, bSet, bBefore) + " @@" + reset + "\n";
        for (std::size_t k = first; k < last; ++k) {
            const Edit& e = edits[k];
            if (e.op == Op::Common) appendLine(' ', before, la[e.a], "");
            else if (e.op == Op::Delete) appendLine('-', before, la[e.a], red);
            else appendLine('+', after, lb[e.b], green);
        }
        i = last;
    }
    return out;
}

}  // namespace kk::diff
