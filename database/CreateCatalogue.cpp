// portico-create-catalogue FILE: writes a new, empty Portico catalogue.
#include "CatalogueFile.h"
#include "PorticoError.h"

#include <cstring>
#include <iostream>
#include <string>

namespace {

void usage(std::ostream& out, const char* program) {
    out << "usage: " << program << " FILE\n"
        << "Creates an empty Portico catalogue in FILE (an existing file is never overwritten).\n"
        << "A name that starts with '-' is taken for an option; write ./-name for such a file.\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        usage(std::cout, argv[0]);
        return 0;
    }
    // A mistyped option must not become a catalogue file called "--verbose".
    if (argc != 2 || argv[1][0] == '-' || argv[1][0] == '\0') {
        if (argc == 2 && argv[1][0] == '-') std::cerr << argv[0] << ": unknown option " << argv[1] << '\n';
        usage(std::cerr, argv[0]);
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
