// Damaged, lying and random ID3v2 tags through the TagLib component: loading
// never crashes, a tag written over any of them reads back with the fields
// that were set, and a removed tag is gone.
#include <taglib/tbytevector.h>
#include <taglib/tbytevectorstream.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/audio/TagLibId3v2Tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qsr::audio::TagLibId3v2Tag;
    const TagLib::ByteVector bytes(reinterpret_cast<const char*>(data),
                                   static_cast<unsigned int>(size));
    {
        TagLib::ByteVectorStream stream(bytes);
        TagLibId3v2Tag tag;
        tag.Load(&stream);
        std::size_t total = 0;
        for (int f = 0; f <= 13; ++f) total += tag.GetField(f).size();
        if (!tag.TagPresent() && total != 0) std::abort();
    }
    {
        // The file path, which repairs 2.3 extended headers before TagLib sees them.
        static const std::string file = "/tmp/qsr-fuzz-id3v2-" + std::to_string(::getpid());
        if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
            std::fwrite(data, 1, size, f);
            std::fclose(f);
            TagLibId3v2Tag tag;
            tag.Load(file);
            // Write over the damaged tag, then read it back.
            TagLibId3v2Tag writer;
            writer.SetField(2, "Fuzz Title");
            writer.SetField(3, "Ærø Песня");
            writer.SetField(5, "1999");
            writer.SetField(6, "(8)Jazz");
            if (writer.WriteTag(file)) {
                TagLibId3v2Tag reader;
                if (!reader.Load(file) || !reader.TagPresent() ||
                    reader.GetField(2) != "Fuzz Title" || reader.GetField(3) != "Ærø Песня" ||
                    reader.GetField(6) != "(8)Jazz") {
                    std::abort();
                }
                TagLibId3v2Tag remover;
                if (remover.RemoveTag(file) && remover.Load(file) && remover.TagPresent()) {
                    std::abort();
                }
            }
            ::unlink(file.c_str());
            ::unlink((file + ".temp").c_str());
        }
    }
    return 0;
}
