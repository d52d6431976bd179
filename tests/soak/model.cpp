#include "soak/model.h"

#include "platform/filelist.h"

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
    units = unitsOf(t);
    caret = anchor = 0;
}

// The bytes of a text in UTF-8, where a kept byte (U+DC80..U+DCFF) is that
// byte again; nothing when some character cannot be stored.
std::optional<QByteArray> encode(const QString& text) {
    QByteArray out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out += text.mid(i, 2).toUtf8();
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out += char(c - 0xDC00);
        } else if (QChar::isSurrogate(c)) {
            return std::nullopt;
        } else {
            out += QString(QChar(c)).toUtf8();
        }
    }
    return out;
}

// What Open makes of a file written by this run: its lines, each followed by
// CR LF, where a byte 0xFF (never part of UTF-8) is kept as U+DCFF.
QString load(const QByteArray& bytes) {
    QString text;
    qsizetype start = 0;
    const auto line = [&](qsizetype end) {
        const QList<QByteArray> parts = bytes.mid(start, end - start).split('\xff');
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                text += QChar(0xDCFF);
            text += QString::fromUtf8(parts[i]);
        }
        text += QStringLiteral("\r\n");
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r')
            continue;
        line(i);
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        line(bytes.size());
    return text;
}

const QList<FontCommand>& fontCommands() {
    using K = FontCommand::Kind;
    static const QList<FontCommand> all = {
        {&textedit::mssfg, K::Name, "Ms Sans Serif"},
        {&textedit::mss, K::Name, "Ms Serif"},
        {&textedit::msg, K::Name, "Ms Gothic"},
        {&textedit::msm, K::Name, "Ms Mincho"},
        {&textedit::msans, K::Name, "MVSans"},
        {&textedit::xligh, K::Name, "NapoliSerial-Xlight"},
        {&textedit::eight, K::Size, "8"},
        {&textedit::nine, K::Size, "9"},
        {&textedit::ten, K::Size, "10"},
        {&textedit::elebv, K::Size, "11"},
        {&textedit::twelve, K::Size, "12"},
        {&textedit::fourte, K::Size, "14"},
        {&textedit::sizten, K::Size, "16"},
        {&textedit::eighteen, K::Size, "18"},
        {&textedit::twenty, K::Size, "20"},
        {&textedit::twetnttwo, K::Size, "22"},
        {&textedit::twentyfour, K::Size, "24"},
        {&textedit::twentysix, K::Size, "26"},
        {&textedit::twentyeight, K::Size, "28"},
        {&textedit::thirtysix, K::Size, "36"},
        {&textedit::fourtyeight, K::Size, "48"},
        {&textedit::seventytwo, K::Size, "72"},
        {&textedit::reg, K::Bold, "false"},
        {&textedit::bold, K::Bold, "true"},
        {&textedit::blk, K::Color, "0"},
        {&textedit::blu, K::Color, "16711680"},
        {&textedit::rdf, K::Color, "255"},
    };
    return all;
}

// The row of a name in a list, -1 when it is not there.
int rowOf(pw::FileList* list, const QString& name) {
    for (int i = 0; i < list->ListCount(); ++i)
        if (list->List(i) == name)
            return i;
    return -1;
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
