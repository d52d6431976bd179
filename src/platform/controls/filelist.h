#pragma once
// The file list: every file of its Path, sorted by name, hidden files left
// out as a file manager does. It reads the folder once after Path is set, when
// it is first shown or asked for its entries, and not by itself afterwards: a
// file deleted meanwhile stays listed. It never changes the process's current
// folder. The names are held in a model of their own, so that a folder of
// many thousand files is one change of the list, and screen readers are
// told of the entries they ask for rather than of each one as it comes.

#include <QListView>

namespace pw {

class FileList : public QListView {
    Q_OBJECT
public:
    // Starts at the process's current folder.
    explicit FileList(QWidget* parent);

    // The folder, with native separators. Setting it leaves no file
    // selected. Throws OperationError for a folder that does not exist or
    // cannot be read.
    QString Path() const { return m_path; }
    void setPath(const QString& path);

    // The bare name of the selected file; empty when none is selected. A
    // name that is not valid text in the system's encoding keeps its stray
    // bytes (fileops.h) and is shown with a replacement mark.
    QString FileName() const;
    // The selected entry (-1: none); setting it raises Click.
    int ListIndex() const { return currentIndex().row(); }
    void setListIndex(int index);
    int ListCount();
    QString List(int index);

    // Reads the folder again.
    void Refresh();

signals:
    // A file was selected, by a click, a key or code: raised once the entry
    // is selected, once for each change, and for a click on the entry that
    // is selected already.
    void Click();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    class Names;

    void ensureFilled();
    void fill();

    Names* m_names;
    QString m_path;
    bool m_dirty = true;
    bool m_filling = false;
};

} // namespace pw
