#include "filelist.h"

#include "platform/desktop/failure.h"
#include "platform/files/fileops.h"
#include "platform/files/fileops_p.h"

#include <QAbstractListModel>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QStyle>

#include <algorithm>

namespace pw {

// The names of the folder's files, each shown with the file icon.
class FileList::Names final : public QAbstractListModel {
public:
    Names(QObject* parent, QIcon icon) : QAbstractListModel(parent), m_icon(std::move(icon)) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_names.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= m_names.size())
            return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return displayFileName(m_names.at(index.row()));
        if (role == Qt::DecorationRole)
            return m_icon;
        return {};
    }
    // All of them at once: one change of the list, whatever their number.
    void setNames(QStringList names) {
        beginResetModel();
        m_names = std::move(names);
        endResetModel();
    }
    QString name(int row) const {
        return row >= 0 && row < m_names.size() ? m_names.at(row) : QString();
    }

private:
    QIcon m_icon;
    QStringList m_names;
};

FileList::FileList(QWidget* parent)
    : QListView(parent), m_names(new Names(this, style()->standardIcon(QStyle::SP_FileIcon))),
      m_path(QDir::toNativeSeparators(QDir::currentPath())) {
    setModel(m_names);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    // Raised once the entry is selected, so that FileName() names it: by a
    // click, a key or code, once for each change.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_filling && selectionModel()->hasSelection())
            emit Click();
    });
}

void FileList::setPath(const QString& path) {
    const QString what = QStringLiteral("Could not list the folder");
    const QString folder =
        QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
    const QString shown = QDir::toNativeSeparators(folder);
    const QFileInfo info(folder);
    if (path.isEmpty() || !info.isDir())
        throw OperationError(what, shown, QStringLiteral("The folder does not exist."));
    if (!info.isReadable())
        throw OperationError(what, shown,
                             QStringLiteral("You have no permission to read this folder."));
    m_path = shown;
    m_dirty = true;
    if (isVisible())
        fill();
    else
        m_names->setNames({}); // nothing of the folder before stays selected
}

void FileList::Refresh() {
    fill();
}

void FileList::ensureFilled() {
    if (m_dirty)
        fill();
}

void FileList::fill() {
    m_filling = true;
    QDir dir(QDir::fromNativeSeparators(m_path));
    // Hidden files are left out, as a file manager does by default; so are
    // devices, pipes and sockets, which are no text files.
    const QStringList filters{QStringLiteral("*")};
    QStringList names = dir.entryList(filters, QDir::Files | QDir::NoDotAndDotDot,
                                      QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    // Names that are not valid text in the system's encoding, which Qt
    // leaves out, are listed too: shown with a replacement mark, and acted
    // on by their exact bytes.
    const QStringList unlisted = detail::unlistedFileNames(dir.path());
    if (!unlisted.isEmpty()) {
        names << unlisted;
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            return QString::localeAwareCompare(displayFileName(a).toCaseFolded(),
                                               displayFileName(b).toCaseFolded()) < 0;
        });
    }
    m_names->setNames(std::move(names));
    setCurrentIndex(QModelIndex());
    m_dirty = false;
    m_filling = false;
}

QString FileList::FileName() const {
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isSelected(current) ? m_names->name(current.row())
                                                                      : QString();
}

void FileList::setListIndex(int index) {
    ensureFilled();
    const QModelIndex i = m_names->index(index);
    const bool again = i.isValid() && selectionModel()->isSelected(i);
    if (i.isValid()) {
        setCurrentIndex(i);
    } else {
        clearSelection();
        setCurrentIndex(QModelIndex());
    }
    if (again)
        emit Click();
}

int FileList::ListCount() {
    ensureFilled();
    return m_names->rowCount();
}

QString FileList::List(int index) {
    ensureFilled();
    return m_names->name(index);
}

void FileList::showEvent(QShowEvent* event) {
    ensureFilled();
    QListView::showEvent(event);
}

void FileList::mousePressEvent(QMouseEvent* event) {
    // A click on the entry already selected is a click all the same; one
    // that selects an entry raises Click through the selection.
    const QModelIndex under = indexAt(event->position().toPoint());
    const bool again =
        under.isValid() && selectionModel()->isSelected(under) && event->button() == Qt::LeftButton;
    QListView::mousePressEvent(event);
    if (again && selectionModel()->isSelected(under))
        emit Click();
}

} // namespace pw
