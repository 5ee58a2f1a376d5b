// Ends itself through the platform with the code given as its one argument, after writing to both
// standard streams without flushing them, and with clean-up registered that must not run.
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

struct SaysGoodbye {
    ~SaysGoodbye() { std::fputs("destructor ran\n", stdout); }
};

SaysGoodbye goodbye;

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    std::atexit([] { std::fputs("exit handler ran\n", stdout); });
    std::fputs("written before exit\n", stdout);
    std::cout << "streamed before exit\n";
    std::fputs("error written before exit\n", stderr);
    platform::current().exitProcess(std::atoi(argv[1]));
}
