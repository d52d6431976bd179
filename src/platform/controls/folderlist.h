#pragma once
// The folder list: the folders of its Path from the root down, then the
// subfolders of the current one, each indented one step further. A
// double-click or Enter opens the folder under the cursor. It never changes
// the process's current folder.

#include <QListWidget>

namespace pw {

class DriveName;

class FolderList : public QListWidget {
    Q_OBJECT
public:
    // Starts at the process's current folder. Nothing is read from the disk
    // until the list is shown or asked for its entries.
    explicit FolderList(QWidget* parent);

    // The current folder, with native separators; a root folder ends in its
    // separator ("/", "C:\"), any other folder does not.
    QString Path() const { return m_path; }
    // Moves to a folder (a relative one lies in the process's current
    // folder). A change raises Change. Throws OperationError when the folder
    // does not exist, is a file or cannot be read.
    void setPath(const QString& path);
    // Moves to the drive's current folder; throws when it is not ready.
    void setPath(const DriveName& drive);

    // Reads the folder again.
    void Refresh();
    // The entries: how many, and the folder each one stands for.
    int ListCount();
    QString List(int index);

signals:
    void Change();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ensureFilled();
    void fill();
    void open(int row);

    QString m_path;
    bool m_dirty = true;
};

// For a list that stands for the process's current folder: moves it there
// again when that folder was renamed or moved since (the list keeps a path,
// the process the folder itself), so that the list names the folder the
// process writes into.
void followCurrentFolder(FolderList* list);

// A file in a folder list's folder: the folder path, one separator, then the
// name, joined as they stand. The separator is put in also after a root
// folder, which already ends in one; the file system takes the two as one.
QString joinPath(const QString& folder, const QString& name);

} // namespace pw
