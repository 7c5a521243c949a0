// SPDX-License-Identifier: Apache-2.0
// Output files appear complete or not at all: each is written under a temporary name in its
// own folder and renamed to its real name only once fully written.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class PendingFile {
public:
    explicit PendingFile(std::string finalPath);
    /// Removes the temporary file unless Commit succeeded.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    /// ".NAME.PID.tmp" beside the real file, so that the rename stays on one file system.
    const std::string& TempPath() const { return temp_; }
    const std::string& FinalPath() const { return final_; }

    /// Renames the temporary file to the real name; throws a CommandError naming the file.
    void Commit();

private:
    std::string final_;
    std::string temp_;
    bool committed_ = false;
};

/// Writes `bytes` to `path` through a PendingFile; throws a CommandError naming the file.
void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

/// The whole file; throws a CommandError ("PATH: no such file", ...) when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

/// Why `path` cannot be read as a file, or "" when it looks readable: "no such file",
/// "is a folder", "cannot be read (Permission denied)".
std::string UnreadableReason(const std::string& path);
