// SPDX-License-Identifier: Apache-2.0
// CArchive: the stream through which tools are saved and loaded, over a file or memory.
// It never throws: a failed read or write sets a sticky error that the host reports.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

class CArchive {
public:
    enum Mode { load, store };

    /// Over memory: loading reads `bytes`; storing appends to it.
    CArchive(std::vector<uint8_t>& bytes, Mode mode);
    /// Over a file, opened for reading or (created, truncated) for writing.
    CArchive(const std::string& path, Mode mode);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return mode_ == load; }
    bool IsStoring() const { return mode_ == store; }

    /// Writes all of `data`, or sets the error.
    void Write(const void* data, size_t size);
    /// Reads exactly `size` bytes; on a short read sets the error, zero-fills `data`
    /// and returns false.
    bool Read(void* data, size_t size);

    CArchive& operator<<(uint32_t v);
    CArchive& operator<<(double v);
    CArchive& operator>>(uint32_t& v);
    CArchive& operator>>(double& v);

    /// Flushes a file archive; false (and the error set) when the data did not all reach it.
    bool Close();

    /// Sticky: once set, stays set; later reads give zeros and writes are dropped.
    bool Failed() const { return !error_.empty(); }
    /// What went wrong: "truncated saved tool", "corrupt saved tool", "cannot open", ...
    const std::string& Error() const { return error_; }
    void SetError(const std::string& what);

private:
    Mode mode_;
    std::vector<uint8_t>* memory_ = nullptr;
    size_t position_ = 0;
    std::FILE* file_ = nullptr;
    std::string error_;
};
