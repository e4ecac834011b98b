#include "database/Stream.h"

#include "database/AdoErrors.h"
#include "settings/Descriptor.h"
#include "settings/PorticoError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace portico {
namespace {

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

void Stream::LoadFromFile(const std::filesystem::path& file, SafeFile::Links links) {
    requireOpen();
    std::string loaded;
    std::error_code error;
    if (!SafeFile::read(file, loaded, error, SafeFile::kMaxPictureBytes, links))
        raise(ado::kFileNotOpened, ado::kFileNotOpenedText);
    content_.assign(loaded.begin(), loaded.end());
}

void Stream::SaveToFile(const std::filesystem::path& file, int options) {
    requireOpen();
    const std::string_view bytes(reinterpret_cast<const char*>(content_.data()), content_.size());
    if (!(options & adSaveCreateOverWrite)) {
        Descriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (fd.get() < 0 || !writeAll(fd.get(), content_) || ::close(fd.release()) != 0)
            raise(ado::kWriteFailed, ado::kWriteFailedText);
        return;
    }
    std::error_code error;
    if (!SafeFile::write(file, bytes, error)) raise(ado::kWriteFailed, ado::kWriteFailedText);
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
