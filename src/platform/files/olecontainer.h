#pragma once
// A container that carries one packaged file inside its window.
//
// A packaged document is its file name (the label) and its bytes. Opening it
// writes the file under its label into a per-user folder for opened packages
// and hands it to the desktop. A packaged program that cannot be carried in
// this program (it belongs to the system) is given as the installed programs
// that stand in for it; opening it starts the first one found.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace pw {

class OleContainer : public QWidget {
    Q_OBJECT
public:
    explicit OleContainer(QWidget* parent);

    // Puts a packaged document in the container. The label is a bare file
    // name with its extension.
    void setPackage(const QString& label, const QByteArray& bytes);
    // Puts a packaged program in the container: DoVerb starts the first of
    // the programs that is installed (a name looked up on the search path,
    // or a full path). what names the kind of program in messages
    // ("calculator").
    void setProgram(const QString& label, const QStringList& programs, const QString& what);

    QString label() const { return m_label; }
    QByteArray bytes() const { return m_bytes; }
    QStringList programs() const { return m_programs; }

    // Carries out the packaged object's primary verb: a document opens in
    // the program the desktop associates with it, a program runs. Returns
    // without waiting. Throws OperationError when it cannot.
    void DoVerb();

    // The per-user folder that opened packages are written to.
    static QString packageFolder();
    // Puts opened packages in another folder (tests); empty restores the
    // per-user folder.
    static void setPackageFolder(const QString& folder);

private:
    // The base folder for the user's cached files; empty when the system
    // gives none.
    static QString userCacheFolder();
    void openDocument();
    void startProgram();

    QString m_label;
    QByteArray m_bytes;
    QStringList m_programs;
    QString m_what;
    bool m_isProgram = false;
};

} // namespace pw
