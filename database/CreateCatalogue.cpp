// portico-create-catalogue FILE: writes a new, empty Portico catalogue.
#include "CatalogueFile.h"
#include "PorticoError.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " FILE\n"
                  << "Creates an empty Portico catalogue in FILE (an existing file is never overwritten).\n";
        return 2;
    }
    try {
        portico::CatalogueFile::create(argv[1]);
    } catch (const portico::PorticoError& error) {
        std::cerr << argv[0] << ": " << error.description() << '\n';
        return 1;
    }
    std::cout << "Created " << argv[1] << '\n';
    return 0;
}
