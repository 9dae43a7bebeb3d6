#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tags/FmodText.h"

namespace qsr::services {
class IMessageBox;
}
namespace qsr::soundlib {
class ISoundLibrary;
}

namespace qsr::tags {

// The program's one wrapper around the sound library: at most one open
// stream with its playing channel (and, in the library's terms, one tracker
// song, which our library cannot load). Library failures become false, 0 or
// empty results; members documented as reported also show the library's
// error text in a critical "FMOD Error" box. Properties read as Name() and
// are set as Name(value). Used from the user-interface thread only; it does
// not own the library or the message box.
class clsFMOD {
  public:
    clsFMOD(soundlib::ISoundLibrary& library, services::IMessageBox& messageBox);
    // Stops everything, closes the stream and the library, ignoring failures.
    ~clsFMOD();
    clsFMOD(const clsFMOD&) = delete;
    clsFMOD& operator=(const clsFMOD&) = delete;

    // --- Members the tag editor uses.
    bool Init(long lMixrate, long lMaxChannels);  // reported
    // Closes any open stream, opens and plays sFilename; a file that does not
    // open gives "Could not recognize & play "<name>"." (warning box).
    bool StreamPlay(const std::string& sFilename, bool bVBR, std::uint8_t bVolume);
    bool StreamPausePlay();  // false without a stream; reported
    bool StreamUnload();     // reported
    bool StreamIsLoaded() const { return streamHandle_ != 0; }
    long StreamSongLen();
    // Only while a stream is open and playing: otherwise reads 0 and ignores writes.
    long StreamSongPos();
    void StreamSongPos(long lPos);
    // Opens a stream for reading its tags, leaving the class state alone; 0 on failure.
    long GetStreamOpenFile(const std::string& sFilename, bool bVBR);
    bool GetStreamCloseFile(long lHandle);
    // The field's text, empty when the file does not have it.
    std::string GetStreamTag(long lHandle, int eTag, const std::string& sTagName);
    void GetVU(float& nLeft, float& nRight);

    // --- Members nothing in the program calls.
    bool ReturnDrivers(std::vector<std::string>& sDrvArray);
    bool InitOutput(int eOutType);       // reported; unsupported
    bool InitMixer(int eMixerType);      // reported; unsupported
    bool InitBuffer(long lBufferLenMs);  // reported; unsupported
    bool InitDriver(int iDriveNum);      // reported; unsupported
    bool StreamStop();                   // reported
    long StreamFrequency();              // unsupported: 0
    void StreamFrequency(long lFreq);    // unsupported: nothing
    std::uint8_t StreamVolume();
    void StreamVolume(std::uint8_t bVolume);
    bool StreamIsPlaying();
    long StreamKbps();
    std::uint8_t StreamPanning();  // unsupported: 0
    void StreamPanning(std::uint8_t bPanning);
    bool StreamSurround();  // unsupported: false
    void StreamSurround(bool bSurround);
    long GetStreamLength(long lHandle);  // seconds, halves to even
    long GetStreamTagNumTags(long lHandle);
    bool GetStreamTagByNum(long lHandle, long lNum, int& eTagType, std::string& sTagName,
                           std::string& sTagValue);

    // Tracker music: our library loads no songs, so MusicPlay shows the
    // could-not-play message and the rest answer false or 0.
    bool MusicPlay(const std::string& sFilename, bool bLoopit, std::uint8_t bVolume);
    bool MusicStop();
    bool MusicUnload();
    bool MusicPausePlay();
    std::uint8_t MusicVolume();
    void MusicVolume(std::uint8_t bVolume);
    std::string MusicName();
    long MusicNumChannels();
    long MusicNumIntruments();
    long MusicNumOrders();
    long MusicNumPatterns();
    long MusicNumSamples();
    long MusicBPM();
    bool MusicIsLoaded() const { return songHandle_ != 0; }
    long MusicOrder();
    void MusicOrder(long lNewOrder);
    long MusicPattern();
    long MusicRow();
    long MusicSpeed();
    long MusicTime();
    bool MusicIsPlaying();
    bool MusicIsFinished();
    long MusicNumRows();
    void MusicPanSep(float sPan);
    long MusicGetRows(long lOrder);
    long MusicSongLen();
    long MusicSongPos();
    bool GetMusicOK(const std::string& sFilename);
    bool GetMusicData(const std::string& sFilename, long& lLength, std::string& sName);

    // CD audio: not supported by our library; false or 0.
    bool CDEject(std::uint8_t bDrive);
    long CDGetNumTracks(std::uint8_t bDrive);
    bool CDPlay(std::uint8_t bDrive, long lTrack);
    bool CDPausePlay(std::uint8_t bDrive);
    bool CDStop(std::uint8_t bDrive);
    long CDGetTrackLength(std::uint8_t bDrive, long lTrack);
    long CDGetTrackTime(std::uint8_t bDrive);
    bool CDSetTrackTime(std::uint8_t bDrive, long lMs);
    bool CDSetVolume(std::uint8_t bDrive, std::uint8_t bVol);

    float CPUUsage();
    float FMODVersion();
    long ChannelsPlaying();
    void SpeakerSetup(int Spk);
    void GetSpecificVU(long lSpecChannel, float& nLeft, float& nRight);
    // 1 for a file that opens as a stream, 0 otherwise (no song ever loads).
    int TestFile(const std::string& sFilename);

  private:
    bool Report();  // the error box with the library's last error; false
    bool ReportCode(int code);
    void CouldNotPlay(const std::string& sFilename);

    soundlib::ISoundLibrary& lib_;
    services::IMessageBox& box_;
    std::int32_t streamHandle_ = 0;
    std::int32_t streamChannel_ = 0;
    std::int32_t songHandle_ = 0;
};

}  // namespace qsr::tags
