#include "archive/archivesink.h"

namespace {
const size_t kBufferSize = 256 * 1024;
}  // namespace

bool CArchiveFile::Open(const std::string& target) {
    file_ = files_.CreateReplacing(target.c_str());
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    failed_ = false;
    return file_ != nullptr;
}

bool CArchiveFile::Flush() {
    if (!buffer_.empty() && !file_->Write(buffer_.data(), buffer_.size())) failed_ = true;
    buffer_.clear();
    return !failed_;
}

bool CArchiveFile::Write(const BYTE* data, size_t size) {
    if (!file_ || failed_) return false;
    while (size) {
        size_t room = kBufferSize - buffer_.size();
        size_t slice = size < room ? size : room;
        buffer_.insert(buffer_.end(), data, data + slice);
        data += slice;
        size -= slice;
        if (buffer_.size() == kBufferSize && !Flush()) return false;
    }
    return true;
}

bool CArchiveFile::Commit() {
    if (!file_) return false;
    bool ok = Flush() && file_->Commit(nullptr);
    file_.reset();
    return ok;
}
