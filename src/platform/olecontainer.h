#pragma once
// A container that carries one packaged file inside its window.

#include <QWidget>

namespace pw {

class OleContainer : public QWidget {
    Q_OBJECT
public:
    explicit OleContainer(QWidget* parent);

    // Carries out the packaged object's primary verb: a document opens in
    // the program the desktop associates with it, a program runs. Returns
    // without waiting.
    void DoVerb();
};

} // namespace pw
