#pragma once

#include <QString>

namespace portico {

// How a catalogued name is shown so that its direction controls (U+202E and
// the like) cannot make it read as something else: "Echo \u202Egnp.exe" must
// never pass for "Echo exe.png".
class DisplayName {
public:
    // The users' form: each direction control replaced by an invisible
    // character of no direction (same length, so positions in the name still
    // hold), the letters keeping their own direction.
    static QString neutral(const QString& name);
    // The administrators' form: each direction control written out ("[U+202E]").
    static QString revealed(const QString& name);
    // `shown` isolated from the text around it (between U+2068 and U+2069) when
    // it could change that text's order; other names are returned as they are.
    static QString isolated(const QString& shown);
    static bool isDirectionControl(char16_t c);
};

}  // namespace portico
