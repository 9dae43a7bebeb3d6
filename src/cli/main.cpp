#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    return qsr::cli::Run(args);
}
