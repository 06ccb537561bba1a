#pragma once
// The sound server's backend (PulseAudio, and PipeWire's PulseAudio server),
// and the backend the program uses by default: the sound server whenever one
// answers, else ALSA.
#include <memory>
#include <string>

#include "WaveDevice.h"

// How the program names itself to the sound server: the desktop's mixer shows
// these, and the server remembers a stream's volume and device by them.
struct TSoundServerClient {
  std::string Name = "Tamsel录音机";
  std::string Id = "org.tamsel.Recorder";  // the desktop entry
  std::string IconName = "tamsel";
  std::string RecordName = "录音";
  std::string PlayName = "播放";
};

enum class TSoundSystem { Automatic, Alsa, Pulse };
// "alsa" and "pulse" (any case); anything else is Automatic.
TSoundSystem SoundSystemByName(const std::string& name);
const char* SoundSystemName(TSoundSystem system);

// The server's name for the default output's monitor: what the computer plays.
inline constexpr const char* kDefaultMonitor = "@DEFAULT_MONITOR@";

// Decides at each open and each listing, so a server that went away between
// takes is found again: TAMSEL_AUDIO (alsa or pulse) first, then preferred,
// else the sound server when it answers and ALSA when none does.
std::shared_ptr<TWaveBackend> MakeDesktopWaveBackend(TSoundSystem preferred = TSoundSystem::Automatic,
                                                     const TSoundServerClient& client = TSoundServerClient());
