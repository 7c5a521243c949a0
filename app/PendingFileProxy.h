// SPDX-License-Identifier: Apache-2.0
// OpenImageIO's writers reach a PendingFile through this proxy. The image libraries do not all
// survive a failed write: libpng's writer goes on as if nothing happened, libjpeg's ends the
// process. So the proxy takes every write as done, the PendingFile keeps the first failure,
// and the caller learns of it from PendingFile::Commit, before anything is renamed.
#pragma once

#include "AtomicFile.h"

#include <OpenImageIO/filesystem.h>

class PendingFileProxy final : public OIIO::Filesystem::IOProxy {
public:
    explicit PendingFileProxy(PendingFile& file) : IOProxy(file.Path(), Write), file_(file) {}

    const char* proxytype() const override { return "pending"; }
    size_t write(const void* data, size_t size) override {
        file_.WriteAt(data, size, uint64_t(m_pos));
        m_pos += int64_t(size);
        return size;
    }
    size_t pwrite(const void* data, size_t size, int64_t offset) override {
        file_.WriteAt(data, size, uint64_t(offset));
        return size;
    }
    // Some writers read back what they wrote (libtiff rewrites its directories).
    size_t read(void* data, size_t size) override {
        const size_t got = file_.ReadAt(data, size, uint64_t(m_pos));
        m_pos += int64_t(got);
        return got;
    }
    size_t pread(void* data, size_t size, int64_t offset) override {
        return file_.ReadAt(data, size, uint64_t(offset));
    }
    size_t size() const override { return size_t(file_.Size()); }

private:
    PendingFile& file_;
};
