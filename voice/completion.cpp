// The hand-over of finished buffers. PostCompletion runs on the audio system's thread, while
// the window installs and removes the poster on its own thread.
#include "voice/completion.h"

#include <atomic>

namespace {

// Atomic because the audio thread reads it while the window may be clearing it on quit.
std::atomic<CompletionPoster> installedPoster{nullptr};

}  // namespace

void SetCompletionPoster(CompletionPoster poster)
{
    installedPoster.store(poster);
}

void PostCompletion(CVoiceBase* device, void* handle)
{
    const CompletionPoster poster = installedPoster.load();
    if (poster) poster(device, handle);
}
