#pragma once
// The soak run's model: what the program should hold after each action, kept
// as simply as possible, and what the run knows of the text file format and
// the Font menu.

#include "editor/textedit.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>

#include <optional>

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
    void replaceSelection(const QStringList& with) {
        const int s = selStart();
        units.remove(s, selEnd() - s);
        for (int i = 0; i < with.size(); ++i)
            units.insert(s + i, with[i]);
        caret = anchor = s + int(with.size());
    }
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

// The bytes of a text in UTF-8, where a kept byte (U+DC80..U+DCFF) is that
// byte again; nothing when some character cannot be stored.
std::optional<QByteArray> encode(const QString& text);

// What Open makes of a file written by this run: its lines, each followed by
// CR LF, where a byte 0xFF (never part of UTF-8) is kept as U+DCFF.
QString load(const QByteArray& bytes);

// A command of the Font menu and the value it records.
struct FontCommand {
    pw::Menu* textedit::*item;
    enum Kind { Name, Size, Bold, Color } kind;
    QString stored;
};
const QList<FontCommand>& fontCommands();

// The row of a name in a list, -1 when it is not there.
int rowOf(pw::FileList* list, const QString& name);
// Every name a list shows, and a list sorted.
QStringList entries(pw::FileList* list);
QStringList sorted(QStringList list);

} // namespace soak
