// The least a Qt Widgets editor window does: a window with a menu bar and a
// text area.
#include "probe.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Exit"));
    auto* text = new QPlainTextEdit(&window);
    window.setCentralWidget(text);
    window.resize(779, 573);
    ReadyProbe probe(text->viewport());
    window.show();
    text->setFocus();
    return app.exec();
}
