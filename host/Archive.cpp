// SPDX-License-Identifier: Apache-2.0
#include "Archive.h"

#include <cstring>

CArchive::CArchive(std::vector<uint8_t>& bytes, Mode mode) : mode_(mode), memory_(&bytes) {}

CArchive::CArchive(const std::string& path, Mode mode) : mode_(mode) {
    file_ = std::fopen(path.c_str(), mode == load ? "rb" : "wb");
    if (!file_) SetError(std::string("cannot open: ") + std::strerror(errno));
}

CArchive::~CArchive() {
    if (file_) std::fclose(file_);
}

void CArchive::SetError(const std::string& what) {
    if (error_.empty()) error_ = what;
}

void CArchive::Write(const void* data, size_t size) {
    if (Failed()) return;
    if (mode_ != store) return SetError("archive is not open for writing");
    if (memory_) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        memory_->insert(memory_->end(), bytes, bytes + size);
    } else if (!file_ || std::fwrite(data, 1, size, file_) != size) {
        SetError("write failed");
    }
}

bool CArchive::Read(void* data, size_t size) {
    size_t got = 0;
    if (!Failed() && mode_ == load) {
        if (memory_) {
            got = std::min(size, memory_->size() - position_);
            std::memcpy(data, memory_->data() + position_, got);
            position_ += got;
        } else if (file_) {
            got = std::fread(data, 1, size, file_);
        }
    }
    if (got == size) return true;
    std::memset(data, 0, size);
    SetError(mode_ == load ? "truncated saved tool" : "archive is not open for reading");
    return false;
}

// Words and doubles are stored little-endian, as the saved form is defined.
CArchive& CArchive::operator<<(uint32_t v) {
    uint8_t b[4];
    for (int i = 0; i < 4; ++i) b[i] = uint8_t(v >> (8 * i));
    Write(b, 4);
    return *this;
}

CArchive& CArchive::operator<<(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    uint8_t b[8];
    for (int i = 0; i < 8; ++i) b[i] = uint8_t(bits >> (8 * i));
    Write(b, 8);
    return *this;
}

CArchive& CArchive::operator>>(uint32_t& v) {
    uint8_t b[4];
    Read(b, 4);
    v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(b[i]) << (8 * i);
    return *this;
}

CArchive& CArchive::operator>>(double& v) {
    uint8_t b[8];
    Read(b, 8);
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= uint64_t(b[i]) << (8 * i);
    std::memcpy(&v, &bits, 8);
    return *this;
}

bool CArchive::Close() {
    if (file_) {
        if (std::fclose(file_) != 0) SetError("write failed");
        file_ = nullptr;
    }
    return !Failed();
}
