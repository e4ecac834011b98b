#pragma once

namespace portico {

// Whom a catalogue object serves: the programs (Portico, PorticoAdmin) or the
// clients of libTessera. They share every operation; a few published ones keep
// the behaviour each caller has always had, and the runtime's errors carry the
// name of the product in use.
enum class CatalogueCaller { Programs, Library };

}  // namespace portico
