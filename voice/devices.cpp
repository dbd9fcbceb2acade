// The process-wide devices. Both are defined in this one unit so that they are constructed in
// this order, recorder first, and destroyed in the reverse order at exit.
#include "voice/devices.h"

CVoiceRecording recorder;
CVoicePlaying player;
