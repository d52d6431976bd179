#pragma once
// The packaged files of the editor window's containers OLE1 to OLE6.

#include <QStringList>

class textedit;

// Puts each container's package in place; the window's constructor calls it.
void loadPackages(textedit& window);

// The installed calculators that stand in for the packaged "Calc.exe", in the
// order they are tried.
QStringList calculatorPrograms();
