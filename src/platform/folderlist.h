#pragma once
// The folder list: the folders of its Path from the root down, then the
// subfolders of the current one. It never changes the process's current
// folder.

#include <QListWidget>

namespace pw {

class FolderList : public QListWidget {
    Q_OBJECT
public:
    // Starts at the process's current folder.
    explicit FolderList(QWidget* parent);

    QString Path() const { return m_path; }
    // Every change raises Change.
    void setPath(const QString& path);

signals:
    void Change();

private:
    QString m_path;
};

} // namespace pw
