#pragma once

#include <QCollator>

namespace portico {

// Ordering of names for people to read: the user's locale, letters before
// case, numbers by value ("File 2" before "File 10"), accented letters with
// their base letter ("Ça" with the Cs). The "C" locale, which only orders by
// code point, stands for no choice at all: the common Unicode order is used then.
QCollator userCollator();

}  // namespace portico
