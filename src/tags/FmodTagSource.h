#pragma once

#include "tags/FolderScan.h"
#include "tags/clsFMOD.h"

namespace qsr::tags {

// The sound library wrapper as the scan's tag source, so the list shows what
// the library finds in each file: one stream opened for tag reading per file
// (no decoder starts), the fields by name, the stream closed again.
class FmodTagSource : public IScanTagSource {
  public:
    explicit FmodTagSource(clsFMOD& fmod) : fmod_(fmod) {}
    bool Open(const std::string& path) override {
        handle_ = fmod_.GetStreamOpenFile(path, false);
        return handle_ != 0;
    }
    std::string Tag(int kind, const std::string& name) override {
        return fmod_.GetStreamTag(handle_, kind, name);
    }
    void Close() override {
        fmod_.GetStreamCloseFile(handle_);
        handle_ = 0;
    }

  private:
    clsFMOD& fmod_;
    long handle_ = 0;
};

}  // namespace qsr::tags
