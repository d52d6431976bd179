#include "editor/textedit.h"
#include "platform/application.h"

int main(int argc, char** argv) {
    return pw::runApplication(argc, argv, [] {
        textedit& editor = textedit::instance();
        // "pagewick FILE" opens FILE as the Open dialog would.
        const QStringList files = pw::commandLineFiles();
        if (!files.isEmpty())
            editor.OpenFromDesktop(files.first());
    });
}
