#pragma once

#include <string>

namespace TagLib {
class ByteVector;
}

// Tags TagLib misreads, handed to it repaired for reading; the file itself
// is never changed by them.
namespace qsr::audio::tagrepair {

// TagLib reads the size of a 2.3 extended header as if it were 2.4 (counting
// itself, synchsafe), lands inside it and loses every frame; a 2.4 extended
// header can also make it drop the tag. For reading, the tag is handed to
// TagLib with the extended header taken out; nothing in it is needed (CRC,
// padding size, restrictions). Returns the repaired tag, or false when the
// file has no such header.
bool WithoutExtendedHeader(const std::string& path, TagLib::ByteVector& out);

// TagLib stops at an empty frame (size 0) and loses every frame after it. For
// reading, the tag is handed over without its empty frames (and without an
// extended header, and a 2.3 tag's unsynchronisation undone). False when the
// tag has no empty frame.
bool WithoutEmptyFrames(const std::string& path, TagLib::ByteVector& out);

// True when the file starts with an ID3v2 tag holding anything but padding,
// or one too damaged to be read: such a file has a tag, readable or not.
bool HoldsTagBytes(const std::string& path);

}  // namespace qsr::audio::tagrepair
