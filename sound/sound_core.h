// The five sound slots.
#pragma once

constexpr int SoundSlotCount = 5;
// Slot names, by slot number: three impacts (one per field), lock, unlock.
extern const char* const SoundNames[SoundSlotCount];
