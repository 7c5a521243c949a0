// SPDX-License-Identifier: Apache-2.0
// Output files appear complete or not at all: each is written under a temporary name in its
// own folder, flushed to disk, and renamed to its real name only once every write has
// succeeded. A failed write leaves an existing file as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

class PendingFile {
public:
    /// Creates the temporary file beside `path`, or beside the file `path` points to when it
    /// is a symbolic link (the link stays; its target is replaced). Throws a CommandError
    /// naming the folder and the system's reason when the folder refuses the file.
    explicit PendingFile(std::string path);
    /// Removes the temporary file unless Commit succeeded.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    /// ".NAME.PID.tmp" beside the file replaced, so that the rename stays on one file system.
    const std::string& TempPath() const { return temp_; }
    /// The path as given, for messages.
    const std::string& Path() const { return path_; }

    /// Writes `size` bytes at `offset`. The first failure is kept and later writes are
    /// skipped; Commit reports it. Safe to call from several threads.
    void WriteAt(const void* data, size_t size, uint64_t offset);
    /// Reads back what was written; the count of bytes read.
    size_t ReadAt(void* data, size_t size, uint64_t offset) const;
    /// One past the last byte written.
    uint64_t Size() const;

    /// Throws "PATH: cannot be written (REASON)" when a write has failed.
    void CheckWrites() const;

    /// Checks the writes, flushes the data to disk, gives the file the permissions of the
    /// one it replaces and renames it into place. Throws "PATH: cannot be written (REASON)"
    /// on any failure; the temporary file is then removed by the destructor.
    void Commit();

private:
    [[noreturn]] void Fail(int error) const;

    std::string path_;   // as given
    std::string target_; // the file replaced: `path_`, or where its links lead
    std::string temp_;
    int fd_ = -1;
    mutable std::mutex mutex_;
    int error_ = 0; // the first failed write's errno
    uint64_t size_ = 0;
    bool committed_ = false;
};

/// Writes `bytes` to `path` through a PendingFile; throws a CommandError naming the file.
void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

/// The whole file; throws a CommandError ("PATH: no such file", ...) when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

/// Why `path` cannot be read as a file, or "" when it looks readable: "no such file",
/// "is a folder", "cannot be read (Permission denied)".
std::string UnreadableReason(const std::string& path);
