// Fuzz target: the text file format, as the Open and Save As dialogs use it.
//
// The first byte of an input picks the direction and the code page; the rest
// is the data.
//   Bit 7 clear: the data is a file. It is read by the line rule into the text
//     area's text, each line followed by CR LF (as Open does), the text is
//     read back from the text box and written out followed by CR LF (as Save
//     As does). The file written must be the input with every line break (CR
//     or CR LF) made CR LF, a last unended line ended and one CR LF added.
//     Bytes that are not text in the code page are reported, never replaced.
//   Bit 7 set: the data is text (UTF-16, little-endian) written as Save As
//     writes it. The write either refuses, naming a character the code page
//     cannot store and leaving no file behind, or writes bytes that read back
//     as the very same text.
//   Bits 4-6 set, bit 7 clear: the file is the data after 65528 bytes of
//     "x", so that the data's first bytes straddle the 64 KiB pieces the
//     file is read in (a CR at the end of one and its LF at the start of the
//     next).
//   Bits 0-3: the code page, from CodePages.
// A file that starts with a UTF-16 or UTF-32 byte-order mark is read in that
// encoding instead, or refused when its bytes are not valid in it (Qt's
// converters are the second opinion); saved over a copy of itself, it is
// written in the same encoding with its mark.

#include "platform/controls/textbox.h"
#include "platform/desktop/failure.h"
#include "platform/files/seqfile.h"
#include "support/filetext.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// UTF-8 (the common case) takes half the selector values. The others are
// code pages of real locales, with multi-byte, combining and remapped
// control characters among them.
constexpr const char* CodePages[16] = {
    "UTF-8",  "UTF-8",  "UTF-8",       "UTF-8",  "UTF-8",      "UTF-8",   "UTF-8",  "UTF-8",
    "CP1252", "KOI8-R", "ISO-8859-15", "EUC-JP", "BIG5-HKSCS", "GB18030", "CP1255", "TCVN5712-1"};

QTemporaryDir* g_dir;
pw::TextBox* g_box;
int g_page = -1;

QString hex(QByteArrayView bytes) {
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').left(600));
}

QString units(QStringView text) {
    QString out;
    for (const QChar c : text.left(200))
        out += QString::number(c.unicode(), 16).rightJustified(4, u'0') + u' ';
    return out;
}

[[noreturn]] void fail(const char* what, const QString& detail) {
    std::fprintf(stderr, "\n*** %s (code page %s)\n%s\n", what,
                 g_page >= 0 ? CodePages[g_page] : "none", qPrintable(detail));
    std::abort();
}

void require(bool ok, const char* what, const QString& detail = {}) {
    if (!ok)
        fail(what, detail);
}

bool isEscape(QChar c) {
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
}

// Whether the text holds a kept byte: an escape that is not the second half
// of a surrogate pair.
bool hasKeptByte(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (isEscape(text[i]))
            return true;
    }
    return false;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fail("a file that was written cannot be read", path);
    return f.readAll();
}

void writeFile(const QString& path, QByteArrayView bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes.data(), bytes.size()) != bytes.size())
        fail("the input file cannot be written", path);
}

// Writes text as Save As does.
void save(const QString& path, const QString& text) {
    pw::SequentialFile out(path, pw::SequentialFile::Output);
    out.Print(text);
    out.Close();
}

// The encoding a byte-order mark at the start of a file names, and the
// mark's length; 0 when there is none. UTF-32's little-endian mark begins
// with UTF-16's, so it is looked for first.
int byteOrderMark(QByteArrayView file, QStringConverter::Encoding* encoding) {
    static const struct {
        const char* bytes;
        int size;
        QStringConverter::Encoding encoding;
    } marks[] = {{"\xFF\xFE\0\0", 4, QStringConverter::Utf32LE},
                 {"\0\0\xFE\xFF", 4, QStringConverter::Utf32BE},
                 {"\xFF\xFE", 2, QStringConverter::Utf16LE},
                 {"\xFE\xFF", 2, QStringConverter::Utf16BE}};
    for (const auto& mark : marks)
        if (file.size() >= mark.size &&
            QByteArrayView(mark.bytes, mark.size) == file.first(mark.size)) {
            *encoding = mark.encoding;
            return mark.size;
        }
    return 0;
}

void unicodeRoundTrip(QByteArrayView file, int markSize, QStringConverter::Encoding encoding) {
    const QByteArrayView body = file.sliced(markSize);
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless |
                                         QStringConverter::Flag::ConvertInitialBom);
    const QString qt = decoder.decode(body);
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    const bool valid =
        !decoder.hasError() && qt.isValidUtf16() && QByteArray(encoder.encode(qt)) == body;

    const QString in = g_dir->filePath(QStringLiteral("in.txt"));
    const QString out = g_dir->filePath(QStringLiteral("out.txt"));
    writeFile(in, file);
    QStringList read;
    QString text;
    try {
        pw::SequentialFile f(in, pw::SequentialFile::Input);
        while (!f.Eof()) {
            read << f.LineInput();
            text += read.last() + QLatin1String("\r\n");
        }
        f.Close();
    } catch (const pw::OperationError& e) {
        require(!valid, "a valid file with a byte-order mark was refused", e.message());
        return;
    }
    require(valid, "an invalid file with a byte-order mark was read", hex(file));

    // The line rule, on characters.
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < qt.size(); ++i) {
        if (qt[i] != u'\r') {
            line += qt[i];
            continue;
        }
        if (i + 1 < qt.size() && qt[i + 1] == u'\n')
            ++i;
        lines << line;
        line.clear();
    }
    if (!line.isEmpty())
        lines << line;
    require(read == lines, "the line rule read another text", hex(file));

    writeFile(out, file);
    try {
        save(out, text);
    } catch (const pw::OperationError& e) {
        fail("text read from a file with a byte-order mark cannot be written back", e.message());
    }
    const QByteArray expected = file.first(markSize).toByteArray() +
                                QByteArray(encoder.encode(text + QLatin1String("\r\n")));
    require(readFile(out) == expected, "the file did not come back in its encoding",
            QStringLiteral("input    %1\nwritten  %2").arg(hex(file), hex(readFile(out))));
}

void fileRoundTrip(QByteArrayView file) {
    QStringConverter::Encoding encoding;
    if (const int mark = byteOrderMark(file, &encoding))
        return unicodeRoundTrip(file, mark, encoding);

    // What the line rule makes of the file, worked out here on the bytes.
    const QByteArray ruled = lineRule(file);
    QList<QByteArray> lines;
    for (qsizetype from = 0; from < ruled.size();) {
        const qsizetype end = ruled.indexOf("\r\n", from);
        lines << ruled.mid(from, end - from);
        from = end + 2;
    }
    const QByteArray expected = ruled + "\r\n";

    const QString in = g_dir->filePath(QStringLiteral("in.txt"));
    const QString out = g_dir->filePath(QStringLiteral("out.txt"));
    writeFile(in, file);

    // Open.
    QString text;
    QStringList read;
    bool undecodable = false;
    try {
        pw::SequentialFile f(in, pw::SequentialFile::Input);
        require(f.LOF() == file.size(), "LOF is not the file's length");
        while (!f.Eof()) {
            read << f.LineInput();
            text += read.last();
            text += QLatin1String("\r\n");
        }
        undecodable = f.hadUndecodableBytes();
        f.Close();
    } catch (const pw::OperationError& e) {
        fail("reading the file failed", e.message());
    }

    require(read.size() == lines.size(), "the line rule found another number of lines",
            QStringLiteral("read %1, expected %2").arg(read.size()).arg(lines.size()));
    const bool utf8 = pw::codePageName() == "UTF-8";
    bool anyInvalid = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        bool ok = false;
        const QByteArray back = pw::toCodePage(read[i], &ok);
        require(ok && back == lines[i], "a line does not convert back to its bytes",
                QStringLiteral("line %1\nbytes %2\ntext  %3\nback  %4")
                    .arg(i)
                    .arg(hex(lines[i]), units(read[i]), hex(back)));
        const bool kept = hasKeptByte(read[i]);
        require(!kept || undecodable, "bytes were kept as escapes but not reported", hex(lines[i]));
        if (utf8) {
            // Qt's own decoder as the second opinion on what is valid UTF-8
            // (told to keep a byte-order mark as the character it is).
            QStringDecoder dec(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless |
                                   QStringConverter::Flag::ConvertInitialBom);
            const QString qt = dec.decode(lines[i]);
            const bool invalid = dec.hasError();
            anyInvalid |= invalid;
            require(kept == invalid, "valid UTF-8 was kept as bytes, or invalid UTF-8 read as text",
                    QStringLiteral("bytes %1\ntext  %2").arg(hex(lines[i]), units(read[i])));
            require(invalid || qt == read[i], "valid UTF-8 read as other text",
                    QStringLiteral("bytes %1\nours  %2\nqt    %3")
                        .arg(hex(lines[i]), units(read[i]), units(qt)));
            require(!read[i].contains(QChar(QChar::ReplacementCharacter)) ||
                        lines[i].contains("\xEF\xBF\xBD"),
                    "a replacement character appeared", hex(lines[i]));
        }
    }
    if (utf8)
        require(undecodable == anyInvalid, "undecodable bytes reported for a valid file",
                hex(file));

    // Into the text area and out again.
    g_box->setText(text);
    const QString shown = g_box->Text();
    require(shown == text, "the text box changed the text",
            QStringLiteral("set  %1\ngot  %2").arg(units(text), units(shown)));

    // Save As, to a new file (one left from an earlier input could hold a
    // byte-order mark, and keep its encoding).
    QFile::remove(out);
    try {
        save(out, shown);
    } catch (const pw::OperationError& e) {
        fail("text read from a file cannot be written back", e.message());
    }
    const QByteArray written = readFile(out);
    require(written == expected, "the file did not come back as it was",
            QStringLiteral("input    %1\nexpected %2\nwritten  %3")
                .arg(hex(file), hex(expected), hex(written)));
}

void textRoundTrip(QByteArrayView data) {
    QString text(data.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(uchar(data[2 * i]) | uchar(data[2 * i + 1]) << 8));

    const QString out = g_dir->filePath(QStringLiteral("text.txt"));
    QFile::remove(out);
    try {
        save(out, text);
    } catch (const pw::OperationError& e) {
        // Refused: nothing is left behind and the character named is one the
        // code page cannot store.
        require(!QFile::exists(out), "a refused write left the file behind");
        QStringList left = QDir(g_dir->path()).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(QStringLiteral("in.txt"));
        left.removeAll(QStringLiteral("out.txt"));
        require(left.isEmpty(), "a refused write left a temporary file", left.join(u' '));
        bool ok = true;
        qsizetype bad = -1;
        pw::toCodePage(text, &ok, &bad);
        require(!ok && bad >= 0 && bad < text.size(), "a write was refused for no character",
                units(text));
        require(e.reason().contains(pw::describeCharacter(text, bad)),
                "the refusal does not name the character", e.message());
        const qsizetype len =
            text[bad].isHighSurrogate() && bad + 1 < text.size() && text[bad + 1].isLowSurrogate()
                ? 2
                : 1;
        const QString one = text.mid(bad, len);
        pw::toCodePage(one, &ok);
        require(!ok, "a character that can be stored was named as the one that cannot",
                QStringLiteral("%1 in %2").arg(units(one), units(text)));
        return;
    }
    QByteArray bytes = readFile(out);
    require(bytes.endsWith("\r\n"), "the text was not followed by CR LF", hex(bytes));
    bytes.chop(2);
    bool ok = false;
    const QString back = pw::fromCodePage(bytes, &ok);
    if (!hasKeptByte(text)) {
        // A code page whose converter composes (CP1255, TCVN, ...) reads a
        // letter and its combining mark back as the precomposed letter: the
        // same text in Unicode's terms, and the same bytes again.
        const bool same = back == text || (pw::codePageName() != "UTF-8" &&
                                           back.normalized(QString::NormalizationForm_D) ==
                                               text.normalized(QString::NormalizationForm_D) &&
                                           pw::toCodePage(back) == bytes);
        require(ok && same, "written text reads back as other text",
                QStringLiteral("text  %1\nbytes %2\nback  %3")
                    .arg(units(text), hex(bytes), units(back)));
    } else {
        // Kept bytes are written as they are; what they read back as is the
        // same bytes again.
        bool again = false;
        require(pw::toCodePage(back, &again) == bytes && again,
                "written bytes do not read back as the same bytes",
                QStringLiteral("text  %1\nbytes %2").arg(units(text), hex(bytes)));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    for (g_page = 0; g_page < 16; ++g_page)
        require(pw::setCodePage(CodePages[g_page]), "the system cannot convert this code page");
    g_page = -1;
    // A folder in memory where there is one: every save is flushed to disk.
    const QString shm = QStringLiteral("/dev/shm");
    g_dir = new QTemporaryDir(QDir(shm).exists() ? shm + QStringLiteral("/pagewick-fuzz-XXXXXX")
                                                 : QString());
    require(g_dir->isValid(), "no temporary folder");
    g_box = new pw::TextBox(nullptr);
    std::atexit([] { delete g_dir; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int page = data[0] & 0x0F;
    if (page != g_page) {
        pw::setCodePage(CodePages[page]);
        g_page = page;
    }
    const QByteArrayView rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);
    if (data[0] & 0x80) {
        textRoundTrip(rest);
    } else if ((data[0] & 0x70) == 0x70) {
        QByteArray file(65528, 'x');
        file += rest;
        fileRoundTrip(file);
    } else {
        fileRoundTrip(rest);
    }
    return 0;
}
