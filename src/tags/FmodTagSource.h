#pragma once

#include <memory>

#include "platform/soundlib/SoundLibrary.h"
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

// The same with a sound library of its own, for a scan in a worker thread:
// nothing it touches is shared with the window's playback.
class OwnLibraryTagSource : public IScanTagSource {
  public:
    OwnLibraryTagSource(std::unique_ptr<soundlib::ISoundLibrary> library,
                        services::IMessageBox& messageBox)
        : library_(std::move(library)), fmod_(*library_, messageBox), source_(fmod_) {
        // Not through the wrapper, which would report a failure in a message
        // box from the worker: without the library every file reads untagged.
        library_->Init(44100, 16, soundlib::kInitFlags);
    }
    bool Open(const std::string& path) override { return source_.Open(path); }
    std::string Tag(int kind, const std::string& name) override { return source_.Tag(kind, name); }
    void Close() override { source_.Close(); }

  private:
    std::unique_ptr<soundlib::ISoundLibrary> library_;
    clsFMOD fmod_;  // closes the library when it goes
    FmodTagSource source_;
};

}  // namespace qsr::tags
