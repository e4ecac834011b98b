#pragma once

#include <stdexcept>
#include <string>

namespace portico {

// The one error type of every subsystem: a number, a description and a source,
// as the numbered errors of the classes (5000 ... 500123) and of the database
// access layer (3021, 3001, engine codes) carry them.
class PorticoError : public std::runtime_error {
public:
    PorticoError(long number, std::string description, std::string source);

    long number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    const std::string& source() const noexcept { return source_; }

private:
    long number_;
    std::string description_;
    std::string source_;
};

}  // namespace portico
