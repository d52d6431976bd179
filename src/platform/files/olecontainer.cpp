#include "olecontainer.h"

#include "fileops.h"
#include "platform/desktop/failure.h"
#include "platform/desktop/services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace pw {

namespace {

QString g_packageFolder;

// A label names one file in the folder for opened packages, nothing else.
bool isBareFileName(const QString& label) {
    return !label.isEmpty() && label != QLatin1String(".") && label != QLatin1String("..") &&
           !label.contains(u'/') && !label.contains(u'\\') && !label.contains(u':') &&
           !label.contains(QChar(0));
}

// Whether the file at path already holds exactly these bytes (a link at its
// name never does: it is replaced).
bool holdsBytes(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile() || info.size() != bytes.size())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}

} // namespace

OleContainer::OleContainer(QWidget* parent) : QWidget(parent) {}

void OleContainer::setPackage(const QString& label, const QByteArray& bytes) {
    m_label = label;
    m_bytes = bytes;
    m_programs.clear();
    m_what.clear();
    m_isProgram = false;
}

void OleContainer::setProgram(const QString& label, const QStringList& programs,
                              const QString& what) {
    m_label = label;
    m_bytes.clear();
    m_programs = programs;
    m_what = what;
    m_isProgram = true;
}

QString OleContainer::packageFolder() {
    if (!g_packageFolder.isEmpty())
        return g_packageFolder;
    const QString base = userCacheFolder();
    if (base.isEmpty())
        return {};
    QString folder = base;
    if (!QCoreApplication::organizationName().isEmpty())
        folder += u'/' + QCoreApplication::organizationName();
    return folder + u'/' + QCoreApplication::applicationName() + QStringLiteral("/packages");
}

void OleContainer::setPackageFolder(const QString& folder) {
    g_packageFolder = folder;
}

void OleContainer::DoVerb() {
    if (m_label.isEmpty())
        throw OperationError(QStringLiteral("Could not open the packaged file"), objectName(),
                             QStringLiteral("This container holds no packaged file."));
    if (m_isProgram)
        startProgram();
    else
        openDocument();
}

void OleContainer::openDocument() {
    const QString what = QStringLiteral("Could not open the packaged file \"%1\"").arg(m_label);
    if (!isBareFileName(m_label))
        throw OperationError(what, {}, QStringLiteral("Its name is not a plain file name."));

    const QString folder = packageFolder();
    if (folder.isEmpty())
        throw OperationError(what, {},
                             QStringLiteral("The system gives no folder for this user's files."));
    if (!QDir().mkpath(folder))
        throw OperationError(what, QDir::toNativeSeparators(folder),
                             QStringLiteral("The folder for opened packages cannot be created. "
                                            "Check that it can be written to."));

    // An unchanged file is left alone: a viewer may still have it open.
    const QString path = QDir(folder).filePath(m_label);
    if (!holdsBytes(path, m_bytes)) {
        // Written whole to a new file that then takes the old one's place, so
        // a failed write never leaves a cut-off copy behind; a link planted at
        // its name is replaced, never written through.
        try {
            writeProgramFile(path, m_bytes);
        } catch (const OperationError& e) {
            throw OperationError(what, e.subject(), e.reason());
        }
    }

    QString reason;
    if (!services().openDocument(path, &reason))
        throw OperationError(what, QDir::toNativeSeparators(path), reason);
}

void OleContainer::startProgram() {
    const QString what = QStringLiteral("Could not start the %1").arg(m_what);
    for (const QString& program : m_programs) {
        const QString found = QStandardPaths::findExecutable(program);
        if (found.isEmpty())
            continue;
        QString reason;
        if (!services().startProgram(found, {}, &reason))
            throw OperationError(what, QDir::toNativeSeparators(found), reason);
        return;
    }
    QStringList names;
    for (const QString& program : m_programs)
        names << QFileInfo(program).fileName();
    names.removeDuplicates();
    throw OperationError(what, {},
                         QStringLiteral("No %1 is installed. Install one of these programs, for "
                                        "example with the system's package manager: %2.")
                             .arg(m_what, names.join(QStringLiteral(", "))));
}

} // namespace pw
