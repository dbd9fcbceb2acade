// How a finished buffer reaches the window's thread. The waveform callbacks may not call the
// audio interface, so they only hand the device to the poster the window installed, which posts
// it to the window; the window then calls FinishRecording / FinishPlaying on that device.
#pragma once

class CVoiceBase;

// Posts `device` and `handle` (the device handle that finished) to the window's thread. Must be
// safe to call from any thread, and harmless when the window is already gone.
typedef void (*CompletionPoster)(CVoiceBase* device, void* handle);

// Installs the poster (null: completions are dropped, e.g. after the window has closed).
void SetCompletionPoster(CompletionPoster poster);
// Hands `device` and the handle that finished to the installed poster, if any.
void PostCompletion(CVoiceBase* device, void* handle);
