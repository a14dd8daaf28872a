#include "sound/sound_core.h"

const char* const SoundNames[SoundSlotCount] = {
    "Field 衝撃音(六角)", "Field 衝撃音(八角)", "Field 衝撃音(ミニ)",
    "Field 展開音", "Field 消失音",
};
