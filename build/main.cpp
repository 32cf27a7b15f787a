// main.cpp -- the qob program; everything else is in the library.
#include <string>
#include <vector>

#include "build/qob.h"

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return qo::run_qob(args);
}
