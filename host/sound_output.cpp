#include "host/sound_output.h"

#include "host/platform.h"
#include "music/sound_layer.h"

void FollowSoundOutput(int32_t showMs) {
    SoundOutputChange change;
    while (PlatformNextSoundOutputChange(&change)) {
        if (change.added)
            SoundOutputAdded(showMs);
        else
            SoundOutputRemoved(change.device, showMs);
    }
}
