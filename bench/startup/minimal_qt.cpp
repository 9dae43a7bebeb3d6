// The yardstick: the least a Qt program does to show a window (or, with
// --version, to print a line from a core application).
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        QCoreApplication app(argc, argv);
        std::puts("minimal 1.0");
        return 0;
    }
    QApplication app(argc, argv);
    QLabel label("Minimal");
    label.resize(320, 200);
    label.show();
    return app.exec();
}
