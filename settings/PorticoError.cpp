#include "settings/PorticoError.h"

#include <utility>

namespace portico {

PorticoError::PorticoError(long number, std::string description, std::string source)
    : std::runtime_error(std::to_string(number) + ", " + description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

}  // namespace portico
