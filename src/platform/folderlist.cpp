#include "folderlist.h"

#include <QDir>

namespace pw {

FolderList::FolderList(QWidget* parent)
    : QListWidget(parent), m_path(QDir::toNativeSeparators(QDir::currentPath())) {}

void FolderList::setPath(const QString& path) {
    m_path = path;
    emit Change();
}

} // namespace pw
