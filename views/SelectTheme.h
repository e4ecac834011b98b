#pragma once

#include <string>

namespace portico {

class clsDBRoutines;

// Sets the theme in use, identically in both programs: the given theme when
// `useGiven` (even an empty one), else the catalogue's default theme. An error
// is shown ("number, description", exclamation, titled with its source) and the
// theme in use stays as it was.
void selectTheme(clsDBRoutines& database, std::string& currentTheme, const std::string& theme, bool useGiven);

}  // namespace portico
