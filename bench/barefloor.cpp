// The floor bench_startup measures the program's start against, as a program of its own: it loads only
// what a bare Qt Widgets tray program loads, not every library the benchmark links.
#include "barefloor.h"

int main(int argc, char **argv)
{
    return runBare(argc, argv);
}
