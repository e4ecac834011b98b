#include "Stream.h"

#include "AdoErrors.h"
#include "PorticoError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace portico {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool writeAll(int fd, const Bytes& content) {
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t put = ::write(fd, content.data() + written, content.size() - written);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        written += static_cast<std::size_t>(put);
    }
    return true;
}

[[noreturn]] void raise(long number, const char* text) { throw PorticoError(number, text, ado::kStreamSource); }

}  // namespace

void Stream::Open() {
    content_.clear();
    open_ = true;
}

void Stream::Close() {
    requireOpen();
    content_.clear();
    open_ = false;
}

void Stream::requireOpen() const {
    if (!open_) raise(ado::kObjectClosed, ado::kObjectClosedText);
}

void Stream::LoadFromFile(const std::filesystem::path& file) {
    requireOpen();
    // O_NONBLOCK: opening a FIFO picked as a picture must fail, not wait for a writer.
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        raise(ado::kFileNotOpened, ado::kFileNotOpenedText);
    Bytes loaded;
    loaded.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) raise(ado::kFileNotOpened, ado::kFileNotOpenedText);
        if (got == 0) break;
        loaded.insert(loaded.end(), buffer, buffer + got);
    }
    content_ = std::move(loaded);
}

void Stream::SaveToFile(const std::filesystem::path& file, int options) {
    requireOpen();
    if (!(options & adSaveCreateOverWrite)) {
        FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (fd.get() < 0 || !writeAll(fd.get(), content_) || ::close(fd.release()) != 0)
            raise(ado::kWriteFailed, ado::kWriteFailedText);
        return;
    }
    // Written beside the target and renamed over it: a reader never sees half a
    // picture, a failed write leaves the previous file whole, and a link planted
    // at the target is replaced rather than followed.
    std::string temporary = file.string() + ".XXXXXX";
    FileDescriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) raise(ado::kWriteFailed, ado::kWriteFailedText);
    const bool written = writeAll(fd.get(), content_);
    const bool closed = ::close(fd.release()) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), file.c_str()) != 0) {
        ::unlink(temporary.c_str());
        raise(ado::kWriteFailed, ado::kWriteFailedText);
    }
}

const Bytes& Stream::Read() const {
    requireOpen();
    return content_;
}

void Stream::Write(const Variant& value) {
    requireOpen();
    if (value.type() != Variant::Type::Bytes) raise(ado::kWrongArguments, ado::kWrongArgumentsText);
    const Bytes& bytes = value.bytes();
    content_.insert(content_.end(), bytes.begin(), bytes.end());
}

}  // namespace portico
