#include "textstore.h"

#include <algorithm>

namespace pw {

struct TextStore::Node {
    int buf;
    qsizetype start;
    qsizetype len;
    qsizetype feeds; // line feeds in this piece
    std::uint32_t prio;
    Node* left = nullptr;
    Node* right = nullptr;
    qsizetype size = 0;      // characters in the subtree
    qsizetype treeFeeds = 0; // line feeds in the subtree
};

namespace {

void indexFeeds(const QString& text, qsizetype from, std::vector<qsizetype>& out) {
    const QStringView v(text);
    for (qsizetype i = v.indexOf(u'\n', from); i >= 0; i = v.indexOf(u'\n', i + 1))
        out.push_back(i);
}

} // namespace

TextStore::TextStore() = default;

TextStore::~TextStore() {
    dropSteps(m_undo);
    dropSteps(m_redo);
    destroy(m_root);
}

void TextStore::destroy(Node* t) {
    // Iterative: a degenerate tree must not run the stack out.
    std::vector<Node*> stack;
    if (t)
        stack.push_back(t);
    while (!stack.empty()) {
        Node* n = stack.back();
        stack.pop_back();
        if (n->left)
            stack.push_back(n->left);
        if (n->right)
            stack.push_back(n->right);
        delete n;
    }
}

void TextStore::dropSteps(std::vector<Step>& steps) {
    for (Step& s : steps) {
        destroy(s.removed);
        destroy(s.added);
    }
    steps.clear();
}

void TextStore::clearHistory() {
    dropSteps(m_undo);
    dropSteps(m_redo);
    m_open = false;
    m_joinNext = false;
}

void TextStore::reset(const QString& text) {
    clearHistory();
    destroy(m_root);
    m_root = nullptr;
    m_original = text;
    m_added.clear();
    m_originalFeeds.clear();
    m_addedFeeds.clear();
    indexFeeds(m_original, 0, m_originalFeeds);
    if (!text.isEmpty())
        m_root = makeNode(0, 0, text.size());
}

qsizetype TextStore::feedsIn(int b, qsizetype from, qsizetype to) const {
    const auto& f = feeds(b);
    return std::lower_bound(f.begin(), f.end(), to) - std::lower_bound(f.begin(), f.end(), from);
}

TextStore::Node* TextStore::makeNode(int buf, qsizetype start, qsizetype len) {
    m_seed ^= m_seed << 13;
    m_seed ^= m_seed >> 17;
    m_seed ^= m_seed << 5;
    Node* n = new Node{buf, start, len, feedsIn(buf, start, start + len), m_seed};
    update(n);
    return n;
}

void TextStore::update(Node* n) const {
    n->size = n->len;
    n->treeFeeds = n->feeds;
    if (n->left) {
        n->size += n->left->size;
        n->treeFeeds += n->left->treeFeeds;
    }
    if (n->right) {
        n->size += n->right->size;
        n->treeFeeds += n->right->treeFeeds;
    }
}

void TextStore::split(Node* t, qsizetype pos, Node*& a, Node*& b) {
    if (!t) {
        a = b = nullptr;
        return;
    }
    const qsizetype ls = t->left ? t->left->size : 0;
    if (pos <= ls) {
        split(t->left, pos, a, t->left);
        update(t);
        b = t;
    } else if (pos >= ls + t->len) {
        split(t->right, pos - ls - t->len, t->right, b);
        update(t);
        a = t;
    } else {
        // The piece itself is cut in two.
        const qsizetype k = pos - ls;
        Node* rest = makeNode(t->buf, t->start + k, t->len - k);
        t->len = k;
        t->feeds = feedsIn(t->buf, t->start, t->start + k);
        Node* right = t->right;
        t->right = nullptr;
        update(t);
        a = t;
        b = merge(rest, right);
    }
}

TextStore::Node* TextStore::merge(Node* a, Node* b) {
    if (!a)
        return b;
    if (!b)
        return a;
    if (a->prio > b->prio) {
        a->right = merge(a->right, b);
        update(a);
        return a;
    }
    b->left = merge(a, b->left);
    update(b);
    return b;
}

qsizetype TextStore::length() const {
    return m_root ? m_root->size : 0;
}

qsizetype TextStore::pieceCount() const {
    qsizetype n = 0;
    std::vector<const Node*> stack;
    if (m_root)
        stack.push_back(m_root);
    while (!stack.empty()) {
        const Node* t = stack.back();
        stack.pop_back();
        ++n;
        if (t->left)
            stack.push_back(t->left);
        if (t->right)
            stack.push_back(t->right);
    }
    return n;
}

void TextStore::visit(const Node* t, qsizetype base, qsizetype from, qsizetype to,
                      QChar*& out) const {
    while (t) {
        const qsizetype ls = t->left ? t->left->size : 0;
        const qsizetype ps = base + ls;
        const qsizetype pe = ps + t->len;
        if (from < ps && t->left)
            visit(t->left, base, from, to, out);
        const qsizetype s = std::max(from, ps);
        const qsizetype e = std::min(to, pe);
        if (s < e) {
            const QChar* src = buffer(t->buf).constData() + t->start + (s - ps);
            std::copy(src, src + (e - s), out);
            out += e - s;
        }
        if (to <= pe)
            return;
        base = pe;
        t = t->right;
    }
}

QString TextStore::mid(qsizetype pos, qsizetype len) const {
    pos = std::clamp<qsizetype>(pos, 0, length());
    len = std::clamp<qsizetype>(len, 0, length() - pos);
    if (len == 0)
        return {};
    if (m_root && !m_root->left && !m_root->right)
        return buffer(m_root->buf).mid(m_root->start + pos, len);
    QString out(len, Qt::Uninitialized);
    QChar* o = out.data();
    visit(m_root, 0, pos, pos + len, o);
    return out;
}

QString TextStore::text() const {
    // The loaded text, untouched, is handed back as it is.
    if (m_root && !m_root->left && !m_root->right && m_root->start == 0 &&
        m_root->len == buffer(m_root->buf).size())
        return buffer(m_root->buf);
    return mid(0, length());
}

QChar TextStore::at(qsizetype pos) const {
    const Node* t = m_root;
    while (t) {
        const qsizetype ls = t->left ? t->left->size : 0;
        if (pos < ls) {
            t = t->left;
        } else if (pos < ls + t->len) {
            return buffer(t->buf).at(t->start + pos - ls);
        } else {
            pos -= ls + t->len;
            t = t->right;
        }
    }
    return QChar();
}

qsizetype TextStore::feedsBefore(qsizetype pos) const {
    qsizetype count = 0;
    const Node* t = m_root;
    while (t) {
        const qsizetype ls = t->left ? t->left->size : 0;
        if (pos <= ls) {
            t = t->left;
            continue;
        }
        count += t->left ? t->left->treeFeeds : 0;
        if (pos < ls + t->len)
            return count + feedsIn(t->buf, t->start, t->start + (pos - ls));
        count += t->feeds;
        pos -= ls + t->len;
        t = t->right;
    }
    return count;
}

qsizetype TextStore::feedPosition(qsizetype k) const {
    qsizetype base = 0;
    const Node* t = m_root;
    while (t) {
        const qsizetype lf = t->left ? t->left->treeFeeds : 0;
        const qsizetype ls = t->left ? t->left->size : 0;
        if (k < lf) {
            t = t->left;
            continue;
        }
        k -= lf;
        if (k < t->feeds) {
            const auto& f = feeds(t->buf);
            const auto first = std::lower_bound(f.begin(), f.end(), t->start);
            return base + ls + (*(first + k) - t->start);
        }
        k -= t->feeds;
        base += ls + t->len;
        t = t->right;
    }
    return length();
}

qsizetype TextStore::lineCount() const {
    return (m_root ? m_root->treeFeeds : 0) + 1;
}

qsizetype TextStore::lineOf(qsizetype pos) const {
    return feedsBefore(std::clamp<qsizetype>(pos, 0, length()));
}

qsizetype TextStore::lineStart(qsizetype line) const {
    if (line <= 0)
        return 0;
    if (line >= lineCount())
        return length();
    return feedPosition(line - 1) + 1;
}

qsizetype TextStore::lineContentEnd(qsizetype line) const {
    if (line + 1 >= lineCount())
        return length();
    const qsizetype feed = feedPosition(line);
    if (feed > lineStart(line) && at(feed - 1) == u'\r')
        return feed - 1;
    return feed;
}

TextStore::Node* TextStore::appendPiece(const QString& text) {
    const qsizetype start = m_added.size();
    m_added += text;
    indexFeeds(m_added, start, m_addedFeeds);
    return makeNode(1, start, text.size());
}

void TextStore::replace(qsizetype pos, qsizetype len, const QString& text, Kind kind) {
    pos = std::clamp<qsizetype>(pos, 0, length());
    len = std::clamp<qsizetype>(len, 0, length() - pos);
    if (len == 0 && text.isEmpty())
        return;
    dropSteps(m_redo);

    Node *a, *b, *c;
    split(m_root, pos, a, b);
    split(b, len, b, c);

    // A step goes on while the same kind of edit goes on where the last one
    // ended: typing after typing, Backspace before the last Backspace,
    // Delete where the last Delete was.
    Step* last = m_undo.empty() ? nullptr : &m_undo.back();
    const bool open = m_open && last && last->kind == kind && !m_joinNext;
    bool joins = false;
    if (open && kind == Kind::Typing)
        joins = len == 0 && last->pos + last->addedLen == pos;
    else if (open && kind == Kind::DeleteBack)
        joins = text.isEmpty() && last->addedLen == 0 && pos + len == last->pos;
    else if (open && kind == Kind::DeleteForward)
        joins = text.isEmpty() && last->addedLen == 0 && pos == last->pos;

    // Typing goes on at the end of the piece typed last: that piece grows
    // rather than a new one being made for each character.
    Node* tail = a;
    while (tail && tail->right)
        tail = tail->right;
    if (!text.isEmpty() && tail && tail->buf == 1 && tail->start + tail->len == m_added.size()) {
        const qsizetype start = m_added.size();
        m_added += text;
        indexFeeds(m_added, start, m_addedFeeds);
        const qsizetype added = feedsIn(1, start, m_added.size());
        tail->len += text.size();
        tail->feeds += added;
        for (Node* n = a; n; n = n->right) {
            n->size += text.size();
            n->treeFeeds += added;
        }
        m_root = merge(a, c);
    } else {
        m_root = merge(merge(a, text.isEmpty() ? nullptr : appendPiece(text)), c);
    }

    if (joins && kind == Kind::Typing) {
        last->addedLen += text.size();
        destroy(b);
    } else if (joins && kind == Kind::DeleteBack) {
        last->pos = pos;
        last->removedLen += len;
        last->removed = merge(b, last->removed);
    } else if (joins) {
        last->removedLen += len;
        last->removed = merge(last->removed, b);
    } else {
        m_undo.push_back(Step{pos, len, text.size(), b, nullptr, kind, m_joinNext});
    }
    m_joinNext = false;
    m_open = kind != Kind::Other;
}

std::vector<TextStore::Change> TextStore::undo(Observer* observer) {
    // A step joined to the one before goes back with it, newest first.
    std::vector<Change> changes;
    bool more = true;
    while (more && !m_undo.empty()) {
        more = m_undo.back().withPrevious;
        changes.push_back(replay(m_undo, m_redo, true, observer));
    }
    return changes;
}

std::vector<TextStore::Change> TextStore::redo(Observer* observer) {
    std::vector<Change> changes;
    do
        changes.push_back(replay(m_redo, m_undo, false, observer));
    while (!m_redo.empty() && m_redo.back().withPrevious);
    return changes;
}

TextStore::Change TextStore::replay(std::vector<Step>& from, std::vector<Step>& to, bool undoing,
                                    Observer* observer) {
    if (from.empty())
        return {};
    Step s = from.back();
    from.pop_back();
    Node*& in = undoing ? s.removed : s.added;
    Node*& out = undoing ? s.added : s.removed;
    const qsizetype outLen = undoing ? s.addedLen : s.removedLen;
    const qsizetype inLen = undoing ? s.removedLen : s.addedLen;
    const Change change{s.pos, outLen, inLen};
    if (observer)
        observer->aboutToChange(change);
    Node *a, *b, *c;
    split(m_root, s.pos, a, b);
    split(b, outLen, b, c);
    m_root = merge(merge(a, in), c);
    in = nullptr;
    out = b;
    to.push_back(s);
    m_open = false;
    m_joinNext = false;
    if (observer)
        observer->changed(change);
    return change;
}

} // namespace pw
