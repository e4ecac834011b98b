#pragma once

namespace portico {

// An open file descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Hands the descriptor over; this one holds none after.
    int release();
    void reset(int fd);
    // Closes now, so that a failing close (a full disk on some file systems) is seen.
    bool close();

private:
    int fd_;
};

}  // namespace portico
