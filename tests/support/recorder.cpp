#include "recorder.h"

#include "platform/controls/form.h"

#include <QCoreApplication>
#include <QEvent>

void unloadAllWindows() {
    for (pw::Form* f : pw::Form::loadedForms()) {
        try {
            f->Unload();
        } catch (...) {
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
