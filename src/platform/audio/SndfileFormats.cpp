// libsndfile's format words for our WAV, VOX and RAW codings: constants of
// its header, so the program names them without mapping the library.
#include <sndfile.h>

#include "platform/audio/FileCodecs.h"

namespace qsr::audio::file {

int SndfileWavFormat(WavCoding c) {
    int sub = SF_FORMAT_PCM_16;
    switch (c) {
        case WavCoding::Pcm16:
            sub = SF_FORMAT_PCM_16;
            break;
        case WavCoding::Pcm8:
            sub = SF_FORMAT_PCM_U8;
            break;
        case WavCoding::Pcm24:
            sub = SF_FORMAT_PCM_24;
            break;
        case WavCoding::Float32:
            sub = SF_FORMAT_FLOAT;
            break;
        case WavCoding::ImaAdpcm:
            sub = SF_FORMAT_IMA_ADPCM;
            break;
        case WavCoding::MsAdpcm:
            sub = SF_FORMAT_MS_ADPCM;
            break;
        case WavCoding::Gsm610:
            sub = SF_FORMAT_GSM610;
            break;
        case WavCoding::Alaw:
            sub = SF_FORMAT_ALAW;
            break;
        case WavCoding::Ulaw:
            sub = SF_FORMAT_ULAW;
            break;
        case WavCoding::G721:
            sub = SF_FORMAT_G721_32;
            break;
    }
    return SF_FORMAT_WAV | sub;
}

int SndfileVoxFormat() {
    return SF_FORMAT_RAW | SF_FORMAT_VOX_ADPCM;
}

int SndfileRawFormat(int compression) {
    switch (compression) {
        case 2:
            return SF_FORMAT_RAW | SF_FORMAT_ALAW;
        case 3:
            return SF_FORMAT_RAW | SF_FORMAT_ULAW;
        default:
            return SF_FORMAT_RAW | SF_FORMAT_PCM_16;
    }
}

bool CodingOfSndfile(int format, WavCoding& c) {
    if ((format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV &&
        (format & SF_FORMAT_TYPEMASK) != SF_FORMAT_RF64 &&
        (format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAVEX) {
        return false;
    }
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_16:
            c = WavCoding::Pcm16;
            return true;
        case SF_FORMAT_PCM_U8:
            c = WavCoding::Pcm8;
            return true;
        case SF_FORMAT_PCM_24:
            c = WavCoding::Pcm24;
            return true;
        case SF_FORMAT_FLOAT:
            c = WavCoding::Float32;
            return true;
        case SF_FORMAT_IMA_ADPCM:
            c = WavCoding::ImaAdpcm;
            return true;
        case SF_FORMAT_MS_ADPCM:
            c = WavCoding::MsAdpcm;
            return true;
        case SF_FORMAT_GSM610:
            c = WavCoding::Gsm610;
            return true;
        case SF_FORMAT_ALAW:
            c = WavCoding::Alaw;
            return true;
        case SF_FORMAT_ULAW:
            c = WavCoding::Ulaw;
            return true;
        case SF_FORMAT_G721_32:
            c = WavCoding::G721;
            return true;
        default:
            return false;
    }
}

}  // namespace qsr::audio::file
