// CPU time per frame of the animation controllers of many characters that
// share one set of frames: each frame resets the clock, advances by one step
// and poses 30 frames, with a cross-fade between two tracks now and then.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/d3dx9/animation.h"

namespace {
constexpr UINT kBones = 30;
constexpr UINT kSets = 3;

struct Skeleton {
    std::vector<D3DXMATRIX> frames = std::vector<D3DXMATRIX>(kBones);
    std::vector<std::string> names;
    ID3DXAnimationController* controller = nullptr;

    Skeleton() {
        for (UINT bone = 0; bone < kBones; ++bone) names.push_back("Bone" + std::to_string(bone));
        D3DXCreateAnimationController(kBones, kSets, 2, 30, &controller);
        for (UINT bone = 0; bone < kBones; ++bone)
            controller->RegisterAnimationOutput(names[bone].c_str(), &frames[bone], nullptr, nullptr, nullptr);
        for (UINT s = 0; s < kSets; ++s) {
            ID3DXKeyframedAnimationSet* set = nullptr;
            D3DXCreateKeyframedAnimationSet(("Set" + std::to_string(s)).c_str(), 4800.0, D3DXPLAY_LOOP, kBones, 0,
                                            nullptr, &set);
            std::vector<D3DXKEY_QUATERNION> rotations;
            std::vector<D3DXKEY_VECTOR3> translations;
            for (int key = 0; key <= 20; ++key) {
                D3DXQUATERNION q;
                const D3DXVECTOR3 axis(0.0f, 1.0f, static_cast<float>(s));
                D3DXQuaternionRotationAxis(&q, &axis, 0.1f * static_cast<float>(key));
                rotations.push_back({key * 240.0f, q});
                translations.push_back({key * 240.0f, D3DXVECTOR3(0.0f, 1.0f + 0.01f * key, 0.0f)});
            }
            for (UINT bone = 0; bone < kBones; ++bone)
                set->RegisterAnimationSRTKeys(names[bone].c_str(), 0, static_cast<UINT>(rotations.size()),
                                              static_cast<UINT>(translations.size()), nullptr, rotations.data(),
                                              translations.data(), nullptr);
            controller->RegisterAnimationSet(set);
            set->Release();
        }
    }
    ~Skeleton() { controller->Release(); }
};

void BM_AdvanceAndPose50Characters(benchmark::State& state) {
    Skeleton skeleton;
    std::vector<ID3DXAnimationController*> characters(50);
    for (ID3DXAnimationController*& character : characters) {
        skeleton.controller->CloneAnimationController(kBones, kSets, 2, 30, &character);
        ID3DXAnimationSet* set = nullptr;
        character->GetAnimationSet(0, &set);
        character->SetTrackAnimationSet(0, set);
        character->SetTrackAnimationSet(1, set);
        set->Release();
        character->SetTrackEnable(0, TRUE);
        character->SetTrackEnable(1, TRUE);
        character->SetTrackWeight(1, 0.5f);
    }
    UINT frame = 0;
    for (auto _ : state) {
        ++frame;
        for (size_t i = 0; i < characters.size(); ++i) {
            ID3DXAnimationController* character = characters[i];
            if ((frame + i) % 60 == 0) {
                character->UnkeyAllTrackEvents(0);
                character->KeyTrackWeight(0, 0.2f, 0.0, 0.05, D3DXTRANSITION_LINEAR);
                character->KeyTrackSpeed(0, 1.0f, 0.0, 0.05, D3DXTRANSITION_LINEAR);
            }
            character->ResetTime();
            character->AdvanceTime(0.0055, nullptr);
        }
        benchmark::DoNotOptimize(skeleton.frames.data());
    }
    for (ID3DXAnimationController* character : characters) character->Release();
}
BENCHMARK(BM_AdvanceAndPose50Characters)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
