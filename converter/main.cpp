// morvash's entry point; the program itself lives in morvash.cpp.
#include "morvash.h"

int main(int argc, char **argv) {
    return run_morvash(argc, argv);
}
