// SPDX-License-Identifier: Apache-2.0
#include "AtomicFile.h"

#include "AbortSignal.h"
#include "Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

PendingFile::PendingFile(std::string finalPath) : final_(std::move(finalPath)) {
    const fs::path path(final_);
    temp_ = (path.parent_path() /
             ("." + path.filename().string() + "." + std::to_string(getpid()) + ".tmp"))
                .string();
    RemoveOnAbort(temp_);
}

PendingFile::~PendingFile() {
    if (!committed_) std::remove(temp_.c_str());
    ForgetOnAbort(temp_);
}

void PendingFile::Commit() {
    if (std::rename(temp_.c_str(), final_.c_str()) != 0)
        throw FileError(final_ + ": cannot be written (" + std::strerror(errno) + ")");
    committed_ = true;
}

void WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
    PendingFile pending(path);
    {
        std::ofstream out(pending.TempPath(), std::ios::binary | std::ios::trunc);
        if (!out) throw FileError(path + ": cannot be written (" + std::strerror(errno) + ")");
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        if (!out) throw FileError(path + ": cannot be written (write failed)");
    }
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
