#include "SelectTheme.h"

#include "DialogService.h"
#include "PorticoError.h"
#include "clsDBRoutines.h"

namespace portico {

void selectTheme(clsDBRoutines& database, std::string& currentTheme, const std::string& theme, bool useGiven) {
    try {
        currentTheme = useGiven ? theme : database.getDefaultTheme();
    } catch (const PorticoError& error) {
        dialogs().messageBox(std::to_string(error.number()) + ", " + error.description(), error.source(),
                             MessageIcon::Exclamation);
    }
}

}  // namespace portico
