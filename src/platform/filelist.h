#pragma once
// The file list: every file of its Path, sorted by name, hidden files left
// out as a file manager does. It reads the folder when Path is set and not by itself afterwards: a
// file deleted meanwhile stays listed. It never changes the process's current folder.

#include <QListWidget>

namespace pw {

class FileList : public QListWidget {
    Q_OBJECT
public:
    // Starts at the process's current folder with every file listed.
    explicit FileList(QWidget* parent);

    // The folder, with native separators. Setting it reads the folder and
    // leaves no file selected. Throws OperationError for a folder that does
    // not exist or cannot be read.
    QString Path() const { return m_path; }
    void setPath(const QString& path);

    // The bare name of the selected file; empty when none is selected.
    QString FileName() const;
    // The selected entry (-1: none); setting it raises Click.
    int ListIndex() const { return currentRow(); }
    void setListIndex(int index);
    int ListCount() const { return count(); }
    QString List(int index) const;

    // Reads the folder again.
    void Refresh();

signals:
    // A file was selected, by a click, a key or code: raised once the entry
    // is selected, once for each change, and for a click on the entry that
    // is selected already.
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void fill();

    QString m_path;
    bool m_filling = false;
};

} // namespace pw
