#pragma once
// The soak run's model: what the program should hold after each action, kept
// as simply as possible, and what the run knows of the text file format and
// the Font menu.

#include "editor/textedit.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>

#include <optional>
#include <vector>

namespace pw {
class FileList;
}

namespace soak {

// What the program should hold, kept as simply as possible.
struct Model {
    // The text as the text area holds it: one entry per step of the caret
    // (a CR LF line break, a surrogate pair, or one character).
    QStringList units;
    int caret = 0;
    int anchor = 0;

    QString fontName, bold, size, color;
    QString shownName;
    float shownSize = 8;
    bool shownBold = false;
    qint32 shownColor = 0;

    bool loaded = false; // the editor window
    bool hidden = false;
    bool split = false;
    bool previewOpen = false;
    bool deleteOpen = false;
    QString deleteFolder;      // "" (the run's folder) or "sub"
    QStringList deleteListing; // what its file list showed when last filled

    QString clipboard;
    bool clipboardHasText = false;

    // The files of the run's folder and its subfolder "sub", by relative path.
    QMap<QString, QByteArray> files;

    void start() {
        loaded = true;
        hidden = split = false;
        units.clear();
        caret = anchor = 0;
        undoSteps.clear();
        redoSteps.clear();
        typingOpen = false;
        fontName = shownName = QStringLiteral("Ms Sans Serif");
        bold = QStringLiteral("False");
        size = QStringLiteral("8");
        color = QStringLiteral("0");
        shownSize = 8;
        shownBold = false;
        shownColor = 0;
    }

    QString text() const { return units.join(QString()); }
    int selStart() const { return std::min(caret, anchor); }
    int selEnd() const { return std::max(caret, anchor); }
    QString selected() const {
        return units.mid(selStart(), selEnd() - selStart()).join(QString());
    }
    // The undo history: each step where it replaced which units by which.
    // A typed character joins the step before it when that was typing that
    // ended where it goes and the caret has not moved since; so does a
    // Backspace after Backspaces that ended where it is, and a Delete after
    // Deletes at the same place.
    enum class Kind { Other, Typing, Backspace, Delete };
    struct Step {
        int pos;
        QStringList removed, added;
        Kind kind;
    };
    std::vector<Step> undoSteps, redoSteps;
    bool typingOpen = false;

    // Units [from, to) replaced as one step (or part of the last); the caret
    // ends after them.
    void replace(int from, int to, const QStringList& with, Kind kind = Kind::Other);
    void replaceSelection(const QStringList& with, Kind kind = Kind::Other) {
        replace(selStart(), selEnd(), with, kind);
    }
    // The caret moved by a key: a move or a selection ends the typed step.
    void moveTo(int newCaret, int newAnchor);
    void moveTo(int pos) { moveTo(pos, pos); }
    // Ctrl+Z and Ctrl+Y: the caret after what came back or went again.
    void undo();
    void redo();
    // Where Ctrl+Left and Ctrl+Right take the caret: over blanks on the
    // line, then over one run of word characters or of other characters.
    int wordLeft(int unit) const;
    int wordRight(int unit) const;
    // Emptying the text is a step; any other text starts a new history.
    void setText(const QString& t);
    // A position in the text: a surrogate pair or a CR LF takes two.
    int documentPosition(int unit) const {
        int pos = 0;
        for (int i = 0; i < unit; ++i)
            pos += int(units[i].size());
        return pos;
    }
    QStringList filesIn(const QString& folder) const {
        QStringList names;
        for (auto it = files.begin(); it != files.end(); ++it) {
            const qsizetype slash = it.key().lastIndexOf(u'/');
            if ((slash < 0 ? QString() : it.key().left(slash)) == folder)
                names << it.key().mid(slash + 1);
        }
        return names;
    }
};

// The steps of the caret over a text, as the text area inserts it: CR LF is
// one line break; a lone CR or LF, like any other character, one step.
QStringList unitsOf(const QString& text);

// What Open makes of a file written by this run: its lines, each followed by
// CR LF, where a byte 0xFF (never part of UTF-8) is kept as U+DCFF.
QString load(const QByteArray& bytes);

// Every name a list shows, and a list sorted.
QStringList entries(pw::FileList* list);
QStringList sorted(QStringList list);

} // namespace soak
