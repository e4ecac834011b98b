#include "settings/Descriptor.h"

#include <utility>

#include <unistd.h>

namespace portico {

Descriptor::~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
}

int Descriptor::release() { return std::exchange(fd_, -1); }

void Descriptor::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

bool Descriptor::close() {
    const int fd = release();
    return fd < 0 || ::close(fd) == 0;
}

}  // namespace portico
