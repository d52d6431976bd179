#include "editor/textedit.h"
#include "platform/application.h"

int main(int argc, char** argv) {
    return pw::runApplication(argc, argv, [] { textedit::instance(); });
}
