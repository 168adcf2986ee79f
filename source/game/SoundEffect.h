// Playing a sound effect: the cached buffer for the path, rewound and
// played once, so a sound played again while it still sounds starts over.
#pragma once
#include "lib/DirectSound.h"

inline void PlaySoundEffect(const char* path) {
    IDirectSoundBuffer8* buffer = CDirectSound::GetInstance()->GetSecondryBuffer(path);
    if (!buffer) return;
    buffer->SetCurrentPosition(0);
    buffer->Play(0, 0, 0);
}
