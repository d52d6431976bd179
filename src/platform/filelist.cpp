#include "filelist.h"

#include "failure.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QStyle>

namespace pw {

FileList::FileList(QWidget* parent)
    : QListWidget(parent), m_path(QDir::toNativeSeparators(QDir::currentPath())) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // Raised once the entry is selected, so that FileName() names it: by a
    // click, a key or code, once for each change.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_filling && !selectedItems().isEmpty())
            emit Click();
    });
    fill();
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
    fill();
}

void FileList::Refresh() {
    fill();
}

void FileList::fill() {
    m_filling = true;
    clear();
    QDir dir(QDir::fromNativeSeparators(m_path));
    // Hidden files are left out, as a file manager does by default; so are
    // devices, pipes and sockets, which are no text files.
    const QStringList names =
        dir.entryList(QStringList{QStringLiteral("*")}, QDir::Files | QDir::NoDotAndDotDot,
                      QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const QString& name : names)
        new QListWidgetItem(icon, name, this);
    setCurrentRow(-1);
    m_filling = false;
}

QString FileList::FileName() const {
    const QListWidgetItem* it = currentItem();
    return it && it->isSelected() ? it->text() : QString();
}

void FileList::setListIndex(int index) {
    const QListWidgetItem* it = item(index);
    const bool again = it && it->isSelected();
    setCurrentRow(index);
    if (again)
        emit Click();
}

QString FileList::List(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? it->text() : QString();
}

void FileList::mousePressEvent(QMouseEvent* event) {
    // A click on the entry already selected is a click all the same; one
    // that selects an entry raises Click through the selection.
    const QListWidgetItem* under = itemAt(event->position().toPoint());
    const bool again = under && under->isSelected() && event->button() == Qt::LeftButton;
    QListWidget::mousePressEvent(event);
    if (again && under->isSelected())
        emit Click();
}

} // namespace pw
