#include "soak/model.h"

#include "platform/controls/filelist.h"
#include "support/filetext.h"

namespace soak {

// The steps of the caret over a text, as the text area inserts it: CR LF is
// one line break; a lone CR or LF, like any other character, one step.
QStringList unitsOf(const QString& text) {
    QStringList out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
            out << QStringLiteral("\r\n");
            ++i;
        } else if (text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out << text.mid(i, 2);
            ++i;
        } else {
            out << QString(text[i]);
        }
    }
    return out;
}

// Setting the text it already holds changes nothing, the caret included.
void Model::setText(const QString& t) {
    if (t == text())
        return;
    if (t.isEmpty())
        return replace(0, int(units.size()), {});
    units = unitsOf(t);
    caret = anchor = 0;
    undoSteps.clear();
    redoSteps.clear();
    typingOpen = false;
}

void Model::replace(int from, int to, const QStringList& with, Kind kind) {
    if (from == to && with.isEmpty())
        return;
    const QStringList removed = units.mid(from, to - from);
    units.remove(from, to - from);
    for (int i = 0; i < with.size(); ++i)
        units.insert(from + i, with[i]);
    caret = anchor = from + int(with.size());
    redoSteps.clear();
    Step* last = undoSteps.empty() ? nullptr : &undoSteps.back();
    const bool open = typingOpen && last && last->kind == kind;
    if (open && kind == Kind::Typing && from == to && last->pos + last->added.size() == from) {
        last->added += with;
    } else if (open && kind == Kind::Backspace && with.isEmpty() && last->added.isEmpty() &&
               to == last->pos) {
        last->pos = from;
        last->removed = removed + last->removed;
    } else if (open && kind == Kind::Delete && with.isEmpty() && last->added.isEmpty() &&
               from == last->pos) {
        last->removed += removed;
    } else {
        undoSteps.push_back({from, removed, with, kind});
    }
    typingOpen = kind != Kind::Other;
}

void Model::moveTo(int newCaret, int newAnchor) {
    if (newCaret != caret || caret != anchor || newCaret != newAnchor)
        typingOpen = false;
    caret = newCaret;
    anchor = newAnchor;
}

void Model::undo() {
    if (undoSteps.empty())
        return;
    const Step s = undoSteps.back();
    undoSteps.pop_back();
    units.remove(s.pos, s.added.size());
    for (int i = 0; i < s.removed.size(); ++i)
        units.insert(s.pos + i, s.removed[i]);
    caret = anchor = s.pos + int(s.removed.size());
    redoSteps.push_back(s);
    typingOpen = false;
}

void Model::redo() {
    if (redoSteps.empty())
        return;
    const Step s = redoSteps.back();
    redoSteps.pop_back();
    units.remove(s.pos, s.removed.size());
    for (int i = 0; i < s.added.size(); ++i)
        units.insert(s.pos + i, s.added[i]);
    caret = anchor = s.pos + int(s.added.size());
    undoSteps.push_back(s);
    typingOpen = false;
}

namespace {

// 0 blank, 1 part of a word (letters, digits, marks, '_', either half of a
// pair), 2 anything else; a line break is blank but stops the blanks.
int kindOf(const QString& unit) {
    const QChar c = unit[0];
    if (c.isSpace() || c.isNull())
        return 0;
    if (c.isLetterOrNumber() || c.isMark() || c == u'_' || c.isSurrogate())
        return 1;
    return 2;
}
bool isBreak(const QString& unit) {
    return unit[0] == u'\r' || unit[0] == u'\n';
}

} // namespace

int Model::wordRight(int p) const {
    const int n = int(units.size());
    if (p >= n)
        return n;
    int i = p;
    if (const int k = kindOf(units[p]))
        while (i < n && kindOf(units[i]) == k)
            ++i;
    while (i < n && kindOf(units[i]) == 0 && !isBreak(units[i]))
        ++i;
    return i == p ? p + 1 : i;
}

int Model::wordLeft(int p) const {
    if (p <= 0)
        return 0;
    int i = p;
    while (i > 0 && kindOf(units[i - 1]) == 0 && !isBreak(units[i - 1]))
        --i;
    if (i > 0 && kindOf(units[i - 1]) != 0)
        for (const int k = kindOf(units[i - 1]); i > 0 && kindOf(units[i - 1]) == k;)
            --i;
    return i == p ? p - 1 : i;
}

// What Open makes of a file written by this run: its lines, each followed by
// CR LF, where a byte 0xFF (never part of UTF-8) is kept as U+DCFF.
QString load(const QByteArray& bytes) {
    QString text;
    const QList<QByteArray> parts = lineRule(bytes).split('\xff');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            text += QChar(0xDCFF);
        text += QString::fromUtf8(parts[i]);
    }
    return text;
}

QStringList entries(pw::FileList* list) {
    QStringList out;
    for (int i = 0; i < list->ListCount(); ++i)
        out << list->List(i);
    return out;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace soak
