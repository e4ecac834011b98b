// portico-catalogue-copy [--replace] FROM TO: copies a whole catalogue, e.g.
// from a catalogue file to a PostgreSQL database and back.
#include "database/CatalogueCopy.h"
#include "settings/PorticoError.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    bool replace = false;
    std::vector<std::string> places;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--replace")
            replace = true;
        else
            places.push_back(argument);
    }
    if (places.size() != 2) {
        std::cerr << "usage: " << argv[0] << " [--replace] FROM TO\n"
                  << "Copies every program (with its picture), folder, theme, setting, user, group and permission\n"
                  << "of catalogue FROM, and its history of changes, into catalogue TO, in one transaction. FROM and TO are catalogue files or\n"
                  << "PostgreSQL connection strings. TO must be empty unless --replace is given.\n";
        return 2;
    }
    try {
        const auto counts = portico::CatalogueCopy::copy(places[0], places[1], replace);
        std::cout << "Copied:\n";
        for (const auto& [table, rows] : counts) std::cout << "  " << table << ": " << rows << " rows\n";
    } catch (const portico::PorticoError& error) {
        std::cerr << argv[0] << ": " << error.number() << ", " << error.description() << " (" << error.source()
                  << ")\nNothing was changed.\n";
        return 1;
    }
    return 0;
}
