// main.cpp -- the qoc program; everything else is in the library.
#include <string>
#include <vector>

#include "driver/cli.h"

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return qo::run_qoc(args);
}
