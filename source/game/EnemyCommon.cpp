#include "game/EnemyCommon.h"

#include "game/FireBall.h"
#include "game/SphereHit.h"
#include "lib/DirectSound.h"
#include "platform/crt/random.h"

namespace {
IDirectSoundBuffer8* Voice(const char* path) { return CDirectSound::GetInstance()->GetSecondryBuffer(path); }

float Fraction() { return static_cast<float>(CrtRand()) / 32768.0f; }
}  // namespace

void PlaySoundUnlessPlaying(const char* path) {
    if (IDirectSoundBuffer8* buffer = Voice(path)) buffer->Play(0, 0, 0);
}

namespace enemy {

CSphereHit* NewHitSphere(const CBoneObject& character) {
    D3DXVECTOR3 center;
    character.GetBoundingSpheerCenter(&center);
    const float radius = character.GetBoundingSphereData();
    return new CSphereHit(&center, &radius);
}

void DeathSmoke(const D3DXMATRIX& committed) {
    if (CrtRand() % 20 != 0) return;
    D3DXVECTOR3 position(committed._41, committed._42, committed._43);
    // Drawn one after another: the order of the draws is part of the game.
    position.x += Fraction() * 0.2f - 0.1f;
    position.y += static_cast<float>(CrtRand()) / 32767.0f * 0.5f;
    position.z += Fraction() * 0.2f - 0.1f;
    CFireBallGenerator::GetInstance()->CreateExplode(&position);
}

}  // namespace enemy
