// The Calculator command, the Help and Donate menus, and the packages they
// open.

#include "editor/textedit.h"
#include "embedded/packages.h"
#include "platform/olecontainer.h"
#include "platform/services.h"

#include <QFile>

namespace {

// A packaged document compiled into the program.
void loadDocument(pw::OleContainer* container, const QString& label) {
    QFile file(QStringLiteral(":/packages/") + label);
    if (file.open(QIODevice::ReadOnly))
        container->setPackage(label, file.readAll());
}

} // namespace

QStringList calculatorPrograms() {
#if defined(Q_OS_WIN)
    return {QStringLiteral("calc.exe")};
#elif defined(Q_OS_MACOS)
    return {QStringLiteral("/System/Applications/Calculator.app/Contents/MacOS/Calculator"),
            QStringLiteral("/Applications/Calculator.app/Contents/MacOS/Calculator")};
#else
    return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),
            QStringLiteral("mate-calc"),        QStringLiteral("galculator"),
            QStringLiteral("qalculate-qt"),     QStringLiteral("qalculate-gtk"),
            QStringLiteral("speedcrunch"),      QStringLiteral("xcalc")};
#endif
}

void loadPackages(textedit& window) {
    // The system's calculator cannot travel inside this program, so the
    // package names the calculators installed on the machine instead.
    window.OLE1->setProgram(QStringLiteral("Calc.exe"), calculatorPrograms(),
                            QStringLiteral("calculator"));
    loadDocument(window.OLE2, QStringLiteral("donate1.html"));
    loadDocument(window.OLE3, QStringLiteral("donate2.html"));
    loadDocument(window.OLE4, QStringLiteral("donate5.html"));
    loadDocument(window.OLE5, QStringLiteral("contact.html"));
    loadDocument(window.OLE6, QStringLiteral("Readme.txt"));
}

void textedit::wcw_Click() {
    OLE1->DoVerb();
}

void textedit::about_Click() {
    pw::services().beep();
    pw::services().msgBox(QString(), pw::MsgBoxInformation, QStringLiteral("About"));
}

void textedit::redme_Click() {
    OLE6->DoVerb();
}

void textedit::contactus_Click() {
    OLE5->DoVerb();
}

void textedit::dola_Click() {
    OLE2->DoVerb();
}

void textedit::twodol_Click() {
    OLE3->DoVerb();
}

void textedit::fivedol_Click() {
    OLE4->DoVerb();
}
