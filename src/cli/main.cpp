// corvane-cli: the headless front end.
#include <iostream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: corvane-cli KNOTLIST\n";
        return 2;
    }
    (void)argv;
    return 0;
}
