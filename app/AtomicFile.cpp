// SPDX-License-Identifier: Apache-2.0
#include "AtomicFile.h"

#include "AbortSignal.h"
#include "Errors.h"
#include "Text.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// Where the links of `path` lead: replacing a linked output replaces the file it points to
// and keeps the link. A loop of links is left to the system to refuse.
fs::path LinkTarget(const fs::path& path) {
    fs::path target = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(target, ec))) break;
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

// A write past the file-size limit (ulimit -f) would end the process by SIGXFSZ and leave
// its temporary file behind; ignored, the write fails with EFBIG and is reported like a full
// disk.
void FailWritesPastTheSizeLimit() {
    static const bool once = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)once;
}

// The rename is made durable too where the file system allows; nothing is lost if not.
void SyncFolder(const fs::path& folder) {
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

} // namespace

PendingFile::PendingFile(std::string path) : path_(std::move(path)) {
    FailWritesPastTheSizeLimit();
    const fs::path target = LinkTarget(path_);
    target_ = target.string();
    temp_ = (target.parent_path() /
             ("." + target.filename().string() + "." + std::to_string(getpid()) + ".tmp"))
                .string();
    fd_ = open(temp_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        const int error = errno;
        const std::string folder =
            target.parent_path().empty() ? "." : target.parent_path().string();
        throw FileError(path_ + ": cannot write in the folder " + Quoted(folder) + " (" +
                        Reason(error) + ")");
    }
    // An interrupted run removes the temporary file even when the render never returns.
    RemoveOnAbort(temp_);
}

PendingFile::~PendingFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(temp_.c_str());
    ForgetOnAbort(temp_);
}

void PendingFile::WriteAt(const void* data, size_t size, uint64_t offset) {
    std::lock_guard lock(mutex_);
    size_ = std::max(size_, offset + size);
    const char* bytes = static_cast<const char*>(data);
    while (size > 0 && error_ == 0) {
        const ssize_t written = pwrite(fd_, bytes, size, off_t(offset));
        if (written < 0) {
            if (errno != EINTR) error_ = errno;
            continue;
        }
        if (written == 0) error_ = EIO;
        bytes += written;
        size -= size_t(written);
        offset += uint64_t(written);
    }
}

size_t PendingFile::ReadAt(void* data, size_t size, uint64_t offset) const {
    size_t got = 0;
    while (got < size) {
        const ssize_t n =
            pread(fd_, static_cast<char*>(data) + got, size - got, off_t(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += size_t(n);
    }
    return got;
}

uint64_t PendingFile::Size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

void PendingFile::Fail(int error) const {
    throw FileError(path_ + ": cannot be written (" + Reason(error) + ")");
}

void PendingFile::CheckWrites() const {
    std::lock_guard lock(mutex_);
    if (error_ != 0) Fail(error_);
}

void PendingFile::Commit() {
    CheckWrites();
    struct stat existing;
    if (stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        fchmod(fd_, existing.st_mode & 07777) != 0)
        Fail(errno);
    // Data first, then the name: after a crash the real name holds the old file or the new
    // one, never a part of the new one.
    if (fsync(fd_) != 0) Fail(errno);
    const int fd = std::exchange(fd_, -1);
    if (close(fd) != 0) Fail(errno);
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
    committed_ = true;
    SyncFolder(fs::path(target_).parent_path());
}

void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
    PendingFile pending(path);
    pending.WriteAt(bytes.data(), bytes.size(), 0);
    pending.Commit();
}

std::string UnreadableReason(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return "no such file";
    if (fs::is_directory(status)) return "is a folder, not a file";
    if (access(path.c_str(), R_OK) != 0)
        return std::string("cannot be read (") + std::strerror(errno) + ")";
    return "";
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    if (const std::string why = UnreadableReason(path); !why.empty())
        throw FileError(path + ": " + why);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError(path + ": cannot be read (" + std::strerror(errno) + ")");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (in.bad()) throw FileError(path + ": cannot be read (read failed)");
    return bytes;
}
