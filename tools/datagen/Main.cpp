// datagen RUN_DIR                        writes the data tree into RUN_DIR
// datagen --contact-sheet RUN_DIR OUT.png  draws every picture of RUN_DIR into one PNG
#include <cstdio>
#include <exception>
#include <string>

#include "tools/datagen/ContactSheet.h"
#include "tools/datagen/DataTree.h"

int main(int argc, char** argv) {
    try {
        if (argc == 4 && std::string(argv[1]) == "--contact-sheet") {
            datagen::writeContactSheet(argv[2], argv[3]);
            return 0;
        }
        if (argc == 2 && argv[1][0] != '-') {
            datagen::writeDataTree(argv[1]);
            return 0;
        }
        std::fprintf(stderr, "usage: %s RUN_DIR | --contact-sheet RUN_DIR OUT.png\n", argv[0]);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "datagen: %s\n", e.what());
        return 1;
    }
}
