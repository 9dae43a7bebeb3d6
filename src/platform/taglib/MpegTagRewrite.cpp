#include "platform/taglib/MpegTagRewrite.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/AtomicFile.h"
#include "core/MpegTagFile.h"

namespace qsr::audio::tagfile {
namespace {

std::atomic<StepHook> stepHook{nullptr};

void Step(const char* name) {
    if (const StepHook hook = stepHook.load()) hook(name);
}

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Extended attributes (ACLs, security labels, user notes) go with the file
// onto its rewritten copy; one the copy cannot take is reported.
bool CopyAttributes(int from, int to, std::string& error) {
    const ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size <= 0) return true;  // none, or a file system without them
    std::vector<char> names(static_cast<std::size_t>(size));
    const ssize_t got = ::flistxattr(from, names.data(), names.size());
    for (ssize_t at = 0; at < got;) {
        const char* name = names.data() + at;
        at += static_cast<ssize_t>(std::strlen(name)) + 1;
        const ssize_t length = ::fgetxattr(from, name, nullptr, 0);
        if (length < 0) continue;
        std::vector<char> value(static_cast<std::size_t>(length));
        const ssize_t read = ::fgetxattr(from, name, value.data(), value.size());
        if (read < 0) continue;
        if (::fsetxattr(to, name, value.data(), static_cast<std::size_t>(read), 0) != 0) {
            error =
                std::string("the file's attribute ") + name + " cannot be kept on a rewritten copy";
            return false;
        }
    }
    return true;
}

}  // namespace

std::string RenderHeader(int major, std::uint32_t size) {
    std::string h = "ID3";
    h += static_cast<char>(major);
    h += '\0';
    h += '\0';
    for (int i = 3; i >= 0; --i) h += static_cast<char>((size >> (7 * i)) & 0x7F);
    return h;
}

bool WriteInPlace(int fd, const std::string& bytes, std::string& error) {
    Step("in place: write");
    // One write call: the kernel applies it to the page cache as a whole.
    if (!WriteAt(fd, bytes.data(), bytes.size(), 0)) {
        error = ErrnoText("cannot write the tag");
        return false;
    }
    Step("in place: flush");
    if (::fsync(fd) != 0) {
        error = ErrnoText("cannot flush the file");
        return false;
    }
    Step("in place: done");
    return true;
}

ReplaceResult ReplaceHead(const std::string& path, int fd, const struct stat& st,
                          const std::string& head, std::uint64_t from, std::string& error) {
    if (st.st_nlink > 1) {
        error = "the file has other hard links, which a rewritten copy would split";
        return ReplaceResult::Impossible;
    }
    core::RemoveLeftCopies(path);
    // The copy goes beside the real file, so a symlink stays a symlink.
    core::ReplacingFile copy;
    auto fail = [&](const std::string& why) {
        error = why;
        return copy.Refused() ? ReplaceResult::Impossible : ReplaceResult::Failed;
    };
    std::string why;
    if (!copy.Begin(path, &why)) return fail(why);
    Step("replace: created");
    const int out = copy.Fd();
    if (!WriteAt(out, head.data(), head.size(), 0))
        return fail(ErrnoText("cannot write the new file"));
    // The audio in blocks: a file of any size, never whole in memory.
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::vector<char> block(1 << 20);
    std::uint64_t in = from, put = head.size();
    while (in < size) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - in));
        if (!ReadAt(fd, block.data(), n, in)) return fail(ErrnoText("cannot read the audio"));
        if (!WriteAt(out, block.data(), n, put))
            return fail(ErrnoText("cannot write the new file"));
        in += n;
        put += n;
        Step("replace: block");
    }
    if (!CopyAttributes(fd, out, why)) {
        error = why;
        return ReplaceResult::Impossible;
    }
    if (!copy.Flush(&why)) return fail(why);
    Step("replace: flushed");
    if (!copy.Commit(&why)) return fail(why);
    Step("replace: renamed");
    Step("replace: done");
    return ReplaceResult::Done;
}

void SetStepHook(StepHook hook) {
    stepHook.store(hook);
}

}  // namespace qsr::audio::tagfile
