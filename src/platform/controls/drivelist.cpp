#include "drivelist.h"

#include "platform/desktop/failure.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStyle>

namespace pw {

namespace {

QString nativeRoot(const QStorageInfo& info) {
    return QDir::toNativeSeparators(info.rootPath());
}

bool isUnder(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// Volumes of the system's own plumbing, which a file manager does not offer
// either.
bool isSystemVolume(const QStorageInfo& info) {
#if defined(Q_OS_WIN)
    Q_UNUSED(info);
    return false;
#else
    const QString root = info.rootPath();
    if (root == QLatin1String("/"))
        return false;
    if (isUnder(root, QStringLiteral("/run/media")))
        return false;
    for (const char* system : {"/proc", "/sys", "/dev", "/run", "/var/run", "/var/lock", "/boot",
                               "/snap", "/var/snap", "/var/lib/docker", "/var/lib/containers"}) {
        if (isUnder(root, QString::fromLatin1(system)))
            return true;
    }
    const QByteArray type = info.fileSystemType();
    return type == "squashfs" || type == "autofs" || type == "binfmt_misc" || type == "nsfs";
#endif
}

QString processFolder() {
    return QDir::toNativeSeparators(QDir::currentPath());
}

} // namespace

QString DriveName::currentFolder() const {
    const QString what = QStringLiteral("The drive is not ready");
    if (m_root.isEmpty())
        throw OperationError(what, QString(), QStringLiteral("No drive is selected."));
    const QString root = QDir::fromNativeSeparators(m_root);
    const QStorageInfo info(root);
    if (!QFileInfo(root).isDir() || !info.isValid() || !info.isReady() ||
        QDir::cleanPath(info.rootPath()) != QDir::cleanPath(root))
        throw OperationError(what, m_root,
                             QStringLiteral("It holds no medium, or it is no longer connected."));
    if (!QFileInfo(root).isReadable())
        throw OperationError(what, m_root, QStringLiteral("Its contents cannot be read."));
    const QString here = processFolder();
    if (DriveList::driveOf(here) == *this)
        return here;
    return m_root;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            emit Change();
    });
    fill(driveOf(processFolder()).root());
}

DriveName DriveList::driveOf(const QString& folder) {
    return DriveName(nativeRoot(QStorageInfo(folder)));
}

QList<DriveName> DriveList::availableDrives() {
    QList<DriveName> drives;
    const QString here = driveOf(processFolder()).root();
    bool haveHere = false;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        const QString root = nativeRoot(info);
        const bool isHere = root == here;
        if (!isHere && (!info.isValid() || isSystemVolume(info) || !QFileInfo(root).isDir()))
            continue;
        if (drives.contains(DriveName(root)))
            continue;
        drives << DriveName(root);
        haveHere = haveHere || isHere;
    }
    if (!haveHere && !here.isEmpty())
        drives << DriveName(here);
    std::sort(drives.begin(), drives.end(), [](const DriveName& a, const DriveName& b) {
        return a.root().compare(b.root(), Qt::CaseInsensitive) < 0;
    });
    return drives;
}

void DriveList::fill(const QString& keep) {
    m_filling = true;
    clear();
    QList<DriveName> drives = availableDrives();
    if (!keep.isEmpty() && !drives.contains(DriveName(keep)))
        drives << DriveName(keep);
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const DriveName& d : drives) {
        QString label = d.root();
        const QStorageInfo info(QDir::fromNativeSeparators(d.root()));
        if (info.isValid() && !info.name().isEmpty() && info.name() != d.root())
            label += QStringLiteral(" [") + info.name() + QLatin1Char(']');
        addItem(icon, label, d.root());
    }
    setCurrentIndex(std::max(0, findData(keep)));
    m_filling = false;
}

DriveName DriveList::Drive() const {
    return DriveName(currentData().toString());
}

void DriveList::setDrive(const QString& root) {
    const int index = findData(QDir::toNativeSeparators(root));
    if (index < 0)
        throw OperationError(QStringLiteral("The drive is not available"),
                             QDir::toNativeSeparators(root),
                             QStringLiteral("There is no such drive in the list."));
    setCurrentIndex(index);
}

void DriveList::Refresh() {
    fill(Drive().root());
}

void DriveList::showPopup() {
    // A stick plugged in since the list was filled shows up.
    Refresh();
    QComboBox::showPopup();
}

} // namespace pw
