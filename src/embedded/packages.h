#pragma once
// The six files the editor window carries in its containers OLE1 to OLE6:
// the calculator, the three donation pages, the contact page and the readme.
// The documents are compiled into the program (packages.cmake).

#include <QStringList>

namespace pw {
class OleContainer;
}

// Puts each container's package in place; the editor window's constructor
// calls it.
void loadPackages(pw::OleContainer* OLE1, pw::OleContainer* OLE2, pw::OleContainer* OLE3,
                  pw::OleContainer* OLE4, pw::OleContainer* OLE5, pw::OleContainer* OLE6);

// The installed calculators that stand in for the packaged "Calc.exe", in the
// order they are tried.
QStringList calculatorPrograms();
