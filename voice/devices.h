// The process-wide devices, constructed before the entry function runs: recorder, then player.
#pragma once

#include "voice/voice_playing.h"
#include "voice/voice_recording.h"

extern CVoiceRecording recorder;
extern CVoicePlaying player;
