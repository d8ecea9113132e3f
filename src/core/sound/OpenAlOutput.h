#pragma once
// The sound output of the program: OpenAL Soft. Each buffer is an OpenAL buffer with a source of
// its own; samples are unpacked straight into the buffer's storage where the library lets its
// buffers be mapped, and copied once otherwise.
//
// OpenAL Soft chooses its back end from its configuration (ALSOFT_DRIVERS, ALSOFT_CONF,
// alsoft.conf): a machine without a sound card can use the "null" back end, and the "wave" back
// end writes everything played to a file.
#include <memory>
#include <string>

#include "core/sound/SoundOutput.h"

namespace core {

// Opens the named device (nullptr: the default device) and makes a context for it. Fails with
// kSoundNoDriver when no device opens.
SoundResult OpenOpenAlOutput(const char* deviceName, std::unique_ptr<SoundOutput>& output);

// The device a name stands for: the name itself, or for nullptr the library's default device
// (empty when it knows none).
std::string OpenAlDeviceName(const char* deviceName);

// The result code an OpenAL error (alGetError) stands for.
SoundResult SoundResultFromAlError(int alError);

} // namespace core
