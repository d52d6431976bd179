#pragma once
// Ordinary text for the benchmarks: lines of 60 to 100 characters of words,
// each ended by CR LF, the same text every time. Qt Core only.

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>

#include <iterator>

// One line of words, without its break.
inline QByteArray wordLine(QRandomGenerator& random) {
    static const char* const words[] = {
        "the",   "quick", "brown",  "fox",    "jumps",   "over",  "lazy",   "dog",
        "page",  "text",  "editor", "window", "line",    "again", "number", "of",
        "and",   "with",  "open",   "saved",  "letters", "a",     "little", "while",
        "words", "file",  "plain",  "short",  "longer",  "ends",  "here",   "there"};
    const int length = random.bounded(60, 101);
    QByteArray line;
    while (line.size() < length) {
        if (!line.isEmpty())
            line += ' ';
        line += words[random.bounded(int(std::size(words)))];
    }
    line.truncate(length);
    while (line.endsWith(' '))
        line.chop(1);
    return line;
}

// Writes path with exactly bytes bytes of lines (the last one cut short, but
// still ended by CR LF) or, for bytes < 0, with exactly -bytes lines. An
// existing file of the right size is kept. False if it cannot be written.
inline bool writeWordLines(const QString& path, qint64 bytes) {
    QFile f(path);
    QRandomGenerator random(1);
    if (bytes < 0) {
        const qint64 lines = -bytes;
        QByteArray all;
        for (qint64 i = 0; i < lines; ++i)
            all += wordLine(random) + "\r\n";
        if (f.exists() && f.size() == all.size())
            return true;
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(all) == all.size();
    }
    if (f.exists() && f.size() == bytes)
        return true;
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block;
    while (block.size() < (4 << 20))
        block += wordLine(random) + "\r\n";
    for (qint64 written = 0; written < bytes;) {
        QByteArray piece = block.left(qMin<qint64>(block.size(), bytes - written));
        if (written + piece.size() == bytes && piece.size() >= 2)
            piece.replace(piece.size() - 2, 2, "\r\n");
        if (f.write(piece) != piece.size())
            return false;
        written += piece.size();
    }
    return true;
}
