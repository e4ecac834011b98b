#include "views/SelectTheme.h"

#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "settings/PorticoError.h"

namespace portico {

void selectTheme(clsDBRoutines& database, std::string& currentTheme, const std::string& theme, bool useGiven) {
    try {
        // A default theme that has gone is no theme, not an error at every start.
        if (useGiven)
            currentTheme = theme;
        else
            currentTheme = database.defaultThemeKey() != 0 ? database.getDefaultTheme() : std::string();
    } catch (const PorticoError& error) {
        dialogs().messageBox(std::to_string(error.number()) + ", " + error.description(), error.source(),
                             MessageIcon::Exclamation);
    }
}

}  // namespace portico
