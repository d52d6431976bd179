#include "folderlist.h"

#include "drivelist.h"
#include "platform/desktop/failure.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

namespace pw {

namespace {

constexpr int FolderRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
constexpr int IndentPixels = 10;

// Draws each entry indented by its depth.
class IndentDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem o(option);
        o.rect.setLeft(o.rect.left() + IndentPixels * index.data(LevelRole).toInt());
        QStyledItemDelegate::paint(painter, o, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += IndentPixels * index.data(LevelRole).toInt();
        return s;
    }
};

// A folder path in Qt's form, absolute and without "." or "..".
QString cleanFolder(const QString& path) {
    return QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
}

QString parentOf(const QString& folder) {
    return QFileInfo(folder).path();
}

QString childOf(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

FolderList::FolderList(QWidget* parent)
    : QListWidget(parent), m_path(QDir::toNativeSeparators(QDir::currentPath())) {
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { open(index.row()); });
}

void FolderList::setPath(const QString& path) {
    const QString what = QStringLiteral("Could not open the folder");
    if (path.isEmpty())
        throw OperationError(what, QString(), QStringLiteral("No folder was given."));
    const QString folder = cleanFolder(path);
    const QString shown = QDir::toNativeSeparators(folder);
    const QFileInfo info(folder);
    if (!info.exists())
        throw OperationError(what, shown, QStringLiteral("The folder does not exist."));
    if (!info.isDir())
        throw OperationError(what, shown, QStringLiteral("It is a file, not a folder."));
    if (!info.isReadable() || !info.isExecutable())
        throw OperationError(what, shown,
                             QStringLiteral("You have no permission to open this folder."));
    const bool changed = shown != m_path;
    m_path = shown;
    if (isVisible())
        fill();
    else
        m_dirty = true;
    if (changed)
        emit Change();
}

void FolderList::setPath(const DriveName& drive) {
    setPath(drive.currentFolder());
}

void FolderList::Refresh() {
    fill();
}

int FolderList::ListCount() {
    ensureFilled();
    return count();
}

QString FolderList::List(int index) {
    ensureFilled();
    const QListWidgetItem* it = item(index);
    return it ? it->data(FolderRole).toString() : QString();
}

void FolderList::ensureFilled() {
    if (m_dirty)
        fill();
}

void FolderList::fill() {
    m_dirty = false;
    clear();
    const QString folder = QDir::fromNativeSeparators(m_path);
    QStringList chain{folder};
    for (QString up = parentOf(folder); up != chain.first(); up = parentOf(up))
        chain.prepend(up);

    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const auto add = [this](const QIcon& icon, const QString& text, const QString& path,
                            int level) {
        auto* it = new QListWidgetItem(icon, text, this);
        it->setData(FolderRole, QDir::toNativeSeparators(path));
        it->setData(LevelRole, level);
    };
    for (int level = 0; level < chain.size(); ++level) {
        const QString& p = chain[level];
        add(openIcon, level == 0 ? QDir::toNativeSeparators(p) : QFileInfo(p).fileName(), p, level);
    }
    // Hidden folders are left out, as a file manager does by default.
    const QStringList subfolders = QDir(folder).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : subfolders)
        add(closedIcon, name, childOf(folder, name), int(chain.size()));
    setCurrentRow(int(chain.size()) - 1);
}

void FolderList::open(int row) {
    const QString target = List(row);
    if (target.isEmpty())
        return;
    dispatch("FolderList_Open", [&] { setPath(target); });
}

void FolderList::showEvent(QShowEvent* event) {
    ensureFilled();
    QListWidget::showEvent(event);
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        open(currentRow());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void followCurrentFolder(FolderList* list) {
    const QString current = QDir::currentPath();
    if (current.isEmpty())
        return;
    const QString shown = QFileInfo(QDir::fromNativeSeparators(list->Path())).canonicalFilePath();
    if (shown != QFileInfo(current).canonicalFilePath())
        list->setPath(QDir::toNativeSeparators(current));
}

QString joinPath(const QString& folder, const QString& name) {
    return folder + QDir::separator() + name;
}

} // namespace pw
