#pragma once
// The drive list: the drives a user would pick (drive letters on Windows; on
// Unix the mounted volumes, named by their root folder). It starts at the
// drive that holds the process's current folder and never changes that
// folder.

#include <QComboBox>
#include <QString>

namespace pw {

// A drive as the drive list names it. Assigning one to a folder list's Path
// moves that list to the drive's current folder.
class DriveName {
public:
    DriveName() = default;
    explicit DriveName(QString root) : m_root(std::move(root)) {}

    // The root folder, with native separators ("/", "/media/stick", "C:\").
    const QString& root() const { return m_root; }
    operator QString() const { return m_root; }
    bool operator==(const DriveName&) const = default;

    // The drive's current folder: the process's current folder when it lies
    // on this drive, otherwise the drive's root. Throws OperationError when
    // the drive is not ready (not mounted any more, no medium, unreadable).
    QString currentFolder() const;

private:
    QString m_root;
};

class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent);

    // The selected drive.
    DriveName Drive() const;
    // Selects the drive whose root is given (raises Change when that is
    // another drive). Throws OperationError for a drive that is not listed.
    void setDrive(const QString& root);

    // Reads the drives again, keeping the selection (also when the selected
    // drive has gone, so that its use can say so).
    void Refresh();

    // The drives a user would pick, the one holding the current folder
    // among them.
    static QList<DriveName> availableDrives();
    // The drive that holds a folder.
    static DriveName driveOf(const QString& folder);

signals:
    // The selection changed, by the user or by code.
    void Change();

protected:
    void showPopup() override;

private:
    void fill(const QString& keep);

    bool m_filling = false;
};

} // namespace pw
