#pragma once
// The text of the text area: a piece table over the loaded text and an
// append-only buffer of everything typed or pasted since, kept in a balanced
// tree (a treap) of pieces. Each node knows the characters and line feeds of
// its subtree, so an edit, a position's line and a line's start cost
// O(log n) wherever they are. Undo and redo move whole subtrees of pieces in
// and out of the tree: undoing the deletion of 100 MB copies nothing.

#include <QString>

#include <cstdint>
#include <vector>

namespace pw {

class TextStore {
public:
    // How an edit is grouped for undo: typed characters that follow each
    // other make one step, and so do Backspaces (or Deletes) that follow
    // each other; everything else is a step of its own.
    enum class Kind { Typing, DeleteBack, DeleteForward, Other };

    // What an edit, an undo or a redo did: at pos, removed characters were
    // replaced by added ones.
    struct Change {
        qsizetype pos = 0;
        qsizetype removed = 0;
        qsizetype added = 0;
    };

    TextStore();
    ~TextStore();
    TextStore(const TextStore&) = delete;
    TextStore& operator=(const TextStore&) = delete;

    // Replaces the whole text and starts a fresh history. The string is
    // shared, not copied.
    void reset(const QString& text);

    qsizetype length() const;
    QString text() const;
    QString mid(qsizetype pos, qsizetype len) const;
    QChar at(qsizetype pos) const;

    // Lines end at a line feed (a CR before it belongs to the break).
    qsizetype lineCount() const;
    qsizetype lineOf(qsizetype pos) const;
    qsizetype lineStart(qsizetype line) const;
    // Where the line's characters end: before its LF, or its CR LF.
    qsizetype lineContentEnd(qsizetype line) const;

    // Replaces len characters at pos with text, as one step of the history
    // (or, for typing right after typing, as part of the last step).
    void replace(qsizetype pos, qsizetype len, const QString& text, Kind kind);
    // The next edit starts a step of its own even if it is typing.
    void closeStep() { m_open = false; }

    // The next edit is undone and redone together with the last one (a
    // drag that moves text takes it out and puts it in: one step).
    void joinNext() { m_joinNext = !m_undo.empty(); }

    // Told of each change an undo or a redo makes, before it is made (the
    // text still holds what goes) and after.
    struct Observer {
        virtual void aboutToChange(const Change&) {}
        virtual void changed(const Change&) {}

    protected:
        ~Observer() = default;
    };

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    // The changes made, in the order they were made.
    std::vector<Change> undo(Observer* observer = nullptr);
    std::vector<Change> redo(Observer* observer = nullptr);
    void clearHistory();

    // Number of pieces, for tests of how edits are stored.
    qsizetype pieceCount() const;

private:
    struct Node;
    struct Step {
        qsizetype pos = 0;
        qsizetype removedLen = 0;
        qsizetype addedLen = 0;
        Node* removed = nullptr; // on the undo stack: what the step took out
        Node* added = nullptr;   // on the redo stack: what the step put in
        Kind kind = Kind::Other;
        bool withPrevious = false; // undone and redone with the step before
    };

    const QString& buffer(int b) const { return b == 0 ? m_original : m_added; }
    const std::vector<qsizetype>& feeds(int b) const {
        return b == 0 ? m_originalFeeds : m_addedFeeds;
    }
    qsizetype feedsIn(int b, qsizetype from, qsizetype to) const;

    Node* makeNode(int buf, qsizetype start, qsizetype len);
    void update(Node* n) const;
    void split(Node* t, qsizetype pos, Node*& a, Node*& b);
    Node* merge(Node* a, Node* b);
    static void destroy(Node* t);
    void dropSteps(std::vector<Step>& steps);
    // Takes the newest step of from out of the text again (undoing) or puts
    // it back in (redoing), and hands it to the other stack.
    Change replay(std::vector<Step>& from, std::vector<Step>& to, bool undoing, Observer* observer);
    Node* appendPiece(const QString& text);
    void visit(const Node* t, qsizetype base, qsizetype from, qsizetype to, QChar*& out) const;
    qsizetype feedsBefore(qsizetype pos) const;
    qsizetype feedPosition(qsizetype k) const;

    QString m_original;
    QString m_added;
    std::vector<qsizetype> m_originalFeeds;
    std::vector<qsizetype> m_addedFeeds;
    Node* m_root = nullptr;
    std::vector<Step> m_undo;
    std::vector<Step> m_redo;
    bool m_open = false;
    bool m_joinNext = false;
    std::uint32_t m_seed = 2463534242u;
};

} // namespace pw
