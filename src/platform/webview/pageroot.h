#pragma once
// A folder whose files a page may load, held open from the moment it is
// chosen. A file is looked up and opened below it in one step by the system,
// so a name swapped for a link to somewhere else between a check and the open
// can never lead out of the folder: there is no check apart from the open.

#include <QByteArray>
#include <QString>
#include <memory>

class QFile;

class PageRoot {
public:
    // Opens the folder at path (its own name may pass through links: it is
    // the folder the user works in). Not valid when it cannot be opened.
    explicit PageRoot(const QString& path);
    ~PageRoot();
    PageRoot(const PageRoot&) = delete;
    PageRoot& operator=(const PageRoot&) = delete;

    bool isValid() const { return m_handle != Invalid; }
    // The folder's name as given, cleaned, with '/' separators.
    const QString& path() const { return m_path; }

    enum class Result { Opened, Missing, Refused };
    // Opens relative, a name below the folder in the system's bytes with '/'
    // between its parts (none of them empty, "." or ".."), for reading. Only
    // a regular file on the folder's own device is opened, reached without
    // leaving the folder; file is then open on it. Missing: no such file.
    Result open(const QByteArray& relative, QFile& file) const;

    // Whether relative is a name open() may take at all.
    static bool isPlainName(const QByteArray& relative);

private:
#ifdef Q_OS_WIN
    using Handle = void*;
    static inline Handle const Invalid = reinterpret_cast<void*>(-1);
    QString m_finalPath; // the folder's own name, as the system resolved it
#else
    using Handle = int;
    static constexpr Handle Invalid = -1;
    unsigned long long m_device = 0;
#endif
    Handle m_handle = Invalid;
    QString m_path;
};
