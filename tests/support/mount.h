#pragma once
// A file system mounted by a test for the life of the object (needs root):
// a small tmpfs, for a disk that fills up or goes away, or a folder bound
// read-only onto itself.

#include <QString>

#include <memory>

class Mount {
public:
    // options: the tmpfs options, for example "size=256k".
    static std::unique_ptr<Mount> tmpfs(const QString& where, const QString& options);
    static std::unique_ptr<Mount> readOnly(const QString& folder);
    ~Mount() { unmount(); }

    bool mounted() const { return m_mounted; }
    // A file replaced on the disk is let go a moment later, on another
    // thread; until then the disk is busy. One still busy after five seconds
    // is detached lazily.
    void unmount();

private:
    explicit Mount(QString where) : m_where(std::move(where)) {}
    QString m_where;
    bool m_mounted = false;
};
