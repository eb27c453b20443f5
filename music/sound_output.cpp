#include "music/sound_output.h"

#include "music/music.h"
#include "music/sound_layer.h"
#include "platform/platform.h"

void FollowSoundOutput(int32_t showMs) {
    SoundOutputChange change;
    while (PlatformNextSoundOutputChange(&change)) {
        if (change.added)
            SoundOutputAdded(showMs);
        else
            SoundOutputRemoved(change.device, showMs);
    }
    constexpr int64_t kOutOfStepFrames = int64_t{kMusicOutOfStepMs} * kOutputRate / 1000;
    int64_t heard = 0;
    if (!SoundPlaceHeard(&heard)) return;
    const int64_t off = heard - int64_t{showMs} * kOutputRate / 1000;
    if (off > kOutOfStepFrames || off < -kOutOfStepFrames) SeekMusic(showMs);
}
