#pragma once

namespace qsr::audio {

// Parts that need large libraries most runs never touch (FFmpeg, FluidSynth,
// libcdio) are modules beside the program, loaded on first use.
//
// The loaded module `file` (as "qsr-ffmpeg-module.so"), looked for in the
// installed program's module folder and then in the build tree; null when it
// is missing or refused (the reason on standard error). QSR_MODULE_DIR, when
// set, is the only folder looked in. Never unloaded: what it made may outlive
// any one caller.
void* LoadModule(const char* file);

// The entry `name` of a loaded module: a function returning its table, whose
// first member is the version. Null, with the reason on standard error, when
// the module cannot load or is of another version.
const void* ModuleTable(const char* file, const char* name, int version);

}  // namespace qsr::audio
