// qsr_encode_bench KIND IN OUT: reads IN with the file component and writes OUT
// with the settings the reference tools get in bench/encode/run.
//   mp3cbr  MP3 CBR 128 kbit/s, encoder quality 3 (lame -b 128 -q 3)
//   mp3vbr  MP3 VBR default method, VBR quality 4, quality 3 (lame -V 4 -q 3)
//   ogg     Ogg Vorbis quality 3 (oggenc -q 3)
//   wma     WMA profile 24, 64 kbit/s 44100 Hz stereo (ffmpeg -c:a wmav2 -b:a 64k)
//   mp3default, oggdefault   the program's own defaults (MP3 settings as a new
//           settings object holds them; Ogg 128 kbit/s nominal, as the Ogg
//           options start), for the comparison of each tool at its defaults
//   flac    FLAC 16 bit, level 5 (flac -5)
//   opus    Ogg Opus 96 kbit/s, audio (opusenc --bitrate 96)
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/audio/AudioFileComponent.h"
#include "platform/audio/LameMp3Settings.h"

int main(int argc, char** argv) {
    using namespace qsr::audio;
    if (argc != 4) {
        std::fprintf(
            stderr,
            "usage: qsr_encode_bench mp3cbr|mp3vbr|ogg|wma|flac|opus|mp3default|oggdefault "
            "IN OUT\n");
        return 2;
    }
    const std::string kind = argv[1];
    auto reader = CreateRealAudioFile();
    auto writer = CreateRealAudioFile();
    LameMp3Settings mp3;
    mp3.SetEncoderQuality(3);
    mp3.SetSampleRate(44100);
    mp3.SetBitrate(128);
    if (kind == "mp3cbr") {
        writer->SetMp3Settings(mp3);
    } else if (kind == "mp3vbr") {
        mp3.SetVbrMethod(0);
        mp3.SetVbrQuality(4);
        mp3.SetBitrate(32);  // the floor of the variable bitrate, as lame's own
        writer->SetMp3Settings(mp3);
    } else if (kind == "mp3default") {
        writer->SetMp3Settings(LameMp3Settings());
    } else if (kind == "oggdefault") {
        writer->SetOggFormat(44100, 2, 128, 0, 0, -1);
    } else if (kind == "ogg") {
        writer->SetOggFormat(44100, 2, 128, 0, 0, 300);
    } else if (kind == "wma") {
        writer->SetWmaFormat(24);
    } else if (kind == "flac") {
        writer->SetFlacFormat(44100, 2, 16, 5);
    } else if (kind == "opus") {
        writer->SetOpusFormat(44100, 2, 96, false);
    } else {
        std::fprintf(stderr, "unknown kind %s\n", kind.c_str());
        return 2;
    }
    if (writer->FormatDescription().empty()) return 1;
    const auto start = std::chrono::steady_clock::now();
    if (reader->OpenFile(argv[2]) < 0 || writer->CreateFile(argv[3]) < 0) {
        std::fprintf(stderr, "%s%s\n", reader->LastError().c_str(), writer->LastError().c_str());
        return 1;
    }
    writer->SetInputFormat(reader->SampleRate(), reader->ChannelCount());
    std::int64_t frames = 0;
    for (Samples b; !(b = reader->ReadBlock(reader->SampleRate())).empty();) {
        if (writer->WriteBlock(b) < 0) return 1;
        frames += static_cast<std::int64_t>(b.size()) / reader->ChannelCount();
    }
    writer->Close();
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %s, %.1f s of audio in %.2f s\n", kind.c_str(),
                writer->FormatDescription().c_str(),
                static_cast<double>(frames) / reader->SampleRate(), s);
    return 0;
}
