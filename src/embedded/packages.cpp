#include "packages.h"

#include "platform/files/olecontainer.h"

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

void loadPackages(pw::OleContainer* OLE1, pw::OleContainer* OLE2, pw::OleContainer* OLE3,
                  pw::OleContainer* OLE4, pw::OleContainer* OLE5, pw::OleContainer* OLE6) {
    // The system's calculator cannot travel inside this program, so the
    // package names the calculators installed on the machine instead.
    OLE1->setProgram(QStringLiteral("Calc.exe"), calculatorPrograms(),
                     QStringLiteral("calculator"));
    loadDocument(OLE2, QStringLiteral("donate1.html"));
    loadDocument(OLE3, QStringLiteral("donate2.html"));
    loadDocument(OLE4, QStringLiteral("donate5.html"));
    loadDocument(OLE5, QStringLiteral("contact.html"));
    loadDocument(OLE6, QStringLiteral("Readme.txt"));
}
