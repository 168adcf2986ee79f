#include "platform/d3dx9/animation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

// ---- Keyframed animation sets ---------------------------------------------

template <class Key>
void SortedCopy(std::vector<Key>& into, const Key* keys, UINT count) {
    into.assign(keys, keys + (keys ? count : 0));
    std::stable_sort(into.begin(), into.end(), [](const Key& a, const Key& b) { return a.Time < b.Time; });
}

// The keys around a time in ticks: the index of the first key after it, and
// the fraction of the way from the key before. Before the first key and after
// the last one the nearest key holds.
template <class Key>
bool FindSpan(const std::vector<Key>& keys, double ticks, size_t* next, float* fraction) {
    const auto after =
        std::upper_bound(keys.begin(), keys.end(), ticks, [](double t, const Key& key) { return t < key.Time; });
    *next = static_cast<size_t>(after - keys.begin());
    if (*next == 0 || *next == keys.size()) return false;
    const Key& before = keys[*next - 1];
    const double span = after->Time - before.Time;
    *fraction = span > 0.0 ? static_cast<float>((ticks - before.Time) / span) : 1.0f;
    return true;
}

// The value of a channel at a time in ticks, interpolated between the keys
// around it by `between` (lerp or slerp); without keys, the fallback.
template <class Key, class Value, class Between>
Value Sample(const std::vector<Key>& keys, double ticks, const Value& fallback, Between between) {
    if (keys.empty()) return fallback;
    size_t next = 0;
    float fraction = 0.0f;
    if (!FindSpan(keys, ticks, &next, &fraction)) return keys[next == 0 ? 0 : keys.size() - 1].Value;
    Value value;
    between(&value, &keys[next - 1].Value, &keys[next].Value, fraction);
    return value;
}

class KeyframedAnimationSet final : public ID3DXKeyframedAnimationSet {
public:
    KeyframedAnimationSet(LPCSTR name, double ticksPerSecond, D3DXPLAYBACK_TYPE playback, UINT capacity)
        : m_name(name ? name : ""), m_ticksPerSecond(ticksPerSecond), m_playback(playback), m_capacity(capacity) {
        m_animations.reserve(capacity);
    }

    LPCSTR GetName() override { return m_name.c_str(); }

    double GetPeriod() override { return m_lastKeyTicks / m_ticksPerSecond; }

    double GetPeriodicPosition(double position) override {
        const double period = GetPeriod();
        if (!(period > 0.0)) return 0.0;
        switch (m_playback) {
        case D3DXPLAY_ONCE: return std::clamp(position, 0.0, period);
        case D3DXPLAY_PINGPONG: {
            double local = std::fmod(position, 2.0 * period);
            if (local < 0.0) local += 2.0 * period;
            return local > period ? 2.0 * period - local : local;
        }
        case D3DXPLAY_LOOP:
        default: {
            double local = std::fmod(position, period);
            if (local < 0.0) local += period;
            return local;
        }
        }
    }

    UINT GetNumAnimations() override { return static_cast<UINT>(m_animations.size()); }

    HRESULT GetAnimationNameByIndex(UINT index, LPCSTR* name) override {
        if (!name) return D3DERR_INVALIDCALL;
        if (index >= m_animations.size()) {
            *name = nullptr;
            return D3DERR_INVALIDCALL;
        }
        *name = m_animations[index].name.c_str();
        return S_OK;
    }

    HRESULT GetAnimationIndexByName(LPCSTR name, UINT* index) override {
        if (!name || !index) return D3DERR_INVALIDCALL;
        for (size_t i = 0; i < m_animations.size(); ++i) {
            if (m_animations[i].name == name) {
                *index = static_cast<UINT>(i);
                return S_OK;
            }
        }
        return D3DERR_INVALIDCALL;
    }

    HRESULT GetSRT(double periodicPosition, UINT animation, D3DXVECTOR3* scale, D3DXQUATERNION* rotation,
                   D3DXVECTOR3* translation) override {
        if (animation >= m_animations.size()) return D3DERR_INVALIDCALL;
        const Animation& channel = m_animations[animation];
        const double ticks = periodicPosition * m_ticksPerSecond;
        if (scale) *scale = Sample(channel.scale, ticks, D3DXVECTOR3(1.0f, 1.0f, 1.0f), D3DXVec3Lerp);
        if (rotation)
            *rotation = Sample(channel.rotation, ticks, D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f), D3DXQuaternionSlerp);
        if (translation) *translation = Sample(channel.translation, ticks, D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVec3Lerp);
        return S_OK;
    }

    double GetSourceTicksPerSecond() override { return m_ticksPerSecond; }

    HRESULT RegisterAnimationSRTKeys(LPCSTR name, UINT scaleKeyCount, UINT rotationKeyCount, UINT translationKeyCount,
                                     const D3DXKEY_VECTOR3* scaleKeys, const D3DXKEY_QUATERNION* rotationKeys,
                                     const D3DXKEY_VECTOR3* translationKeys, DWORD* animationIndex) override {
        if (!name || m_animations.size() >= m_capacity) return D3DERR_INVALIDCALL;
        if ((scaleKeyCount && !scaleKeys) || (rotationKeyCount && !rotationKeys) ||
            (translationKeyCount && !translationKeys))
            return D3DERR_INVALIDCALL;
        Animation& channel = m_animations.emplace_back();
        channel.name = name;
        SortedCopy(channel.scale, scaleKeys, scaleKeyCount);
        SortedCopy(channel.rotation, rotationKeys, rotationKeyCount);
        SortedCopy(channel.translation, translationKeys, translationKeyCount);
        if (!channel.scale.empty()) m_lastKeyTicks = std::max<double>(m_lastKeyTicks, channel.scale.back().Time);
        if (!channel.rotation.empty()) m_lastKeyTicks = std::max<double>(m_lastKeyTicks, channel.rotation.back().Time);
        if (!channel.translation.empty())
            m_lastKeyTicks = std::max<double>(m_lastKeyTicks, channel.translation.back().Time);
        if (animationIndex) *animationIndex = static_cast<DWORD>(m_animations.size() - 1);
        return S_OK;
    }

private:
    struct Animation {
        std::string name;
        std::vector<D3DXKEY_VECTOR3> scale;
        std::vector<D3DXKEY_QUATERNION> rotation;
        std::vector<D3DXKEY_VECTOR3> translation;
    };

    std::string m_name;
    double m_ticksPerSecond;
    D3DXPLAYBACK_TYPE m_playback;
    UINT m_capacity;
    double m_lastKeyTicks = 0.0;
    std::vector<Animation> m_animations;
};

// ---- The animation controller ---------------------------------------------
//
// How the controller plays its tracks:
//  - Global time starts at 0 and grows by every AdvanceTime step; ResetTime
//    sets it back to 0. It is the clock of keyed events only.
//  - A track's position is its set's local time in seconds. An AdvanceTime
//    step moves every enabled track by step x the track's speed; disabled
//    tracks stand still. GetTrackDesc returns the position unwrapped (it
//    keeps growing past the period); only key sampling wraps it by the set's
//    period (looping sets; "once" sets clamp, ping-pong sets reflect).
//    A set's period is its last key time divided by its ticks per second.
//  - Keys are sampled with slerp for rotation and linear interpolation for
//    scale and translation; before the first and after the last key the
//    nearest key holds.
//  - Enabled tracks with weight above 0 blend by their weights normalised
//    over the tracks that animate the frame: one such track poses the frame
//    fully, whatever its weight. Scale and translation blend linearly,
//    rotation by slerp; the blended parts are composed as S x R x T into the
//    output matrix (and written to the output's scale, rotation and
//    translation where those were registered). Priorities are stored and
//    reported but all tracks blend as one group. A frame that no playing
//    track animates keeps its matrix as it is.
//  - AdvanceTime(step) in order: global time += step; every keyed event due
//    by then is applied in the order of its start time (then of keying);
//    every enabled track's position += step x speed (the speed as just keyed);
//    the outputs are written.
//  - Keyed events: "enable" and "position" keys fire once when global time
//    reaches their time. Speed and weight keys are transitions from the
//    track's value at the first advance that reaches their start, to the new
//    value at start + duration, linear in global time (ease-in-ease-out
//    follows 3f^2 - 2f^3 of the same fraction); a transition whose end has
//    been reached sets the new value exactly and is removed. A start time in
//    the past means "already under way".
//  - ResetTime also moves every pending event by the same amount as the
//    clock, so an event that was due 0.0045 s from now is still due 0.0045 s
//    from now. Callers that reset every frame therefore key at 0.0 for "now":
//    a 0.01 s cross-fade keyed before two 0.0055 s frames has finished after
//    them, with the faded track at weight 0 and disabled.
//  - Events are counted against the controller's maximum: keying beyond it
//    (or on a track that does not exist) returns the invalid handle 0; valid
//    handles start at 1. UnkeyAllTrackEvents removes one track's pending
//    events, which frees their places.
//  - Callback keys given to a set are accepted and never called back.
//  - CloneAnimationController shares the registered outputs (the same frame
//    matrices) and animation sets, and gives the clone a copy of the tracks,
//    global time and pending events that is its own from then on.
//
// Times and positions compare with a tolerance of kTimeEpsilon so that sums of
// decimal frame steps land on keyed times that are the same decimal sums.
constexpr double kTimeEpsilon = 1e-9;

enum class EventKind { Enable, Position, Speed, Weight };

struct TrackEvent {
    D3DXEVENTHANDLE handle;
    UINT track;
    EventKind kind;
    double start;
    double duration;
    D3DXTRANSITION_TYPE transition;
    double value;  // new enable flag, position, speed or weight
    bool running;  // a transition that has taken its starting value
    double from;
};

struct AnimationOutput {
    std::string name;
    D3DXMATRIX* matrix;
    D3DXVECTOR3* scale;
    D3DXQUATERNION* rotation;
    D3DXVECTOR3* translation;
};

struct Track {
    ID3DXAnimationSet* set = nullptr;
    D3DXTRACK_DESC desc{D3DXPRIORITY_LOW, 1.0f, 1.0f, 0.0, FALSE};
    // Output index for each animation of the set (-1: no such frame), valid
    // while bindingOutputs equals the number of registered outputs.
    std::vector<int> binding;
    size_t bindingOutputs = 0;
    bool bound = false;
};

struct BlendedPose {
    float weight;
    D3DXVECTOR3 scale;
    D3DXQUATERNION rotation;
    D3DXVECTOR3 translation;
    int tracks;
};

class AnimationController final : public ID3DXAnimationController {
public:
    AnimationController(UINT maxOutputs, UINT maxSets, UINT maxTracks, UINT maxEvents)
        : m_maxOutputs(maxOutputs), m_maxSets(maxSets), m_maxEvents(maxEvents), m_tracks(maxTracks) {}

    ~AnimationController() override {
        for (Track& track : m_tracks)
            if (track.set) track.set->Release();
        for (ID3DXAnimationSet* set : m_sets) set->Release();
    }

    UINT GetMaxNumAnimationOutputs() override { return m_maxOutputs; }
    UINT GetMaxNumAnimationSets() override { return m_maxSets; }
    UINT GetMaxNumTracks() override { return static_cast<UINT>(m_tracks.size()); }
    UINT GetMaxNumEvents() override { return m_maxEvents; }

    HRESULT RegisterAnimationOutput(LPCSTR name, D3DXMATRIX* matrix, D3DXVECTOR3* scale, D3DXQUATERNION* rotation,
                                    D3DXVECTOR3* translation) override {
        if (!name || m_outputs.size() >= m_maxOutputs) return D3DERR_INVALIDCALL;
        m_outputs.push_back({name, matrix, scale, rotation, translation});
        return S_OK;
    }

    HRESULT RegisterAnimationSet(ID3DXAnimationSet* set) override {
        if (!set || m_sets.size() >= m_maxSets) return D3DERR_INVALIDCALL;
        if (std::find(m_sets.begin(), m_sets.end(), set) != m_sets.end()) return D3DERR_INVALIDCALL;
        set->AddRef();
        m_sets.push_back(set);
        return S_OK;
    }

    UINT GetNumAnimationSets() override { return static_cast<UINT>(m_sets.size()); }

    HRESULT GetAnimationSet(UINT index, ID3DXAnimationSet** set) override {
        if (!set) return D3DERR_INVALIDCALL;
        *set = index < m_sets.size() ? m_sets[index] : nullptr;
        if (!*set) return D3DERR_INVALIDCALL;
        (*set)->AddRef();
        return S_OK;
    }

    HRESULT GetAnimationSetByName(LPCSTR name, ID3DXAnimationSet** set) override {
        if (!set) return D3DERR_INVALIDCALL;
        *set = nullptr;
        if (!name) return D3DERR_INVALIDCALL;
        for (ID3DXAnimationSet* candidate : m_sets) {
            if (std::strcmp(candidate->GetName(), name) == 0) {
                *set = candidate;
                candidate->AddRef();
                return S_OK;
            }
        }
        return D3DERR_INVALIDCALL;
    }

    HRESULT AdvanceTime(double timeDelta, ID3DXAnimationCallbackHandler*) override {
        m_time += timeDelta;
        ApplyDueEvents();
        for (Track& track : m_tracks)
            if (track.desc.Enable) track.desc.Position += timeDelta * track.desc.Speed;
        WriteOutputs();
        return S_OK;
    }

    HRESULT ResetTime() override {
        for (TrackEvent& event : m_events) event.start -= m_time;
        m_time = 0.0;
        return S_OK;
    }

    double GetTime() override { return m_time; }

    HRESULT SetTrackAnimationSet(UINT track, ID3DXAnimationSet* set) override {
        Track* target = FindTrack(track);
        if (!target) return D3DERR_INVALIDCALL;
        if (set) set->AddRef();
        if (target->set) target->set->Release();
        target->set = set;
        target->bound = false;
        return S_OK;
    }

    HRESULT GetTrackAnimationSet(UINT track, ID3DXAnimationSet** set) override {
        if (!set) return D3DERR_INVALIDCALL;
        *set = nullptr;
        Track* target = FindTrack(track);
        if (!target) return D3DERR_INVALIDCALL;
        *set = target->set;
        if (*set) (*set)->AddRef();
        return S_OK;
    }

    HRESULT SetTrackPriority(UINT track, D3DXPRIORITY_TYPE priority) override {
        return WithTrack(track, [&](D3DXTRACK_DESC& desc) { desc.Priority = priority; });
    }
    HRESULT SetTrackSpeed(UINT track, float speed) override {
        return WithTrack(track, [&](D3DXTRACK_DESC& desc) { desc.Speed = speed; });
    }
    HRESULT SetTrackWeight(UINT track, float weight) override {
        return WithTrack(track, [&](D3DXTRACK_DESC& desc) { desc.Weight = weight; });
    }
    HRESULT SetTrackPosition(UINT track, double position) override {
        return WithTrack(track, [&](D3DXTRACK_DESC& desc) { desc.Position = position; });
    }
    HRESULT SetTrackEnable(UINT track, BOOL enable) override {
        return WithTrack(track, [&](D3DXTRACK_DESC& desc) { desc.Enable = enable ? TRUE : FALSE; });
    }
    HRESULT SetTrackDesc(UINT track, const D3DXTRACK_DESC* description) override {
        if (!description) return D3DERR_INVALIDCALL;
        return WithTrack(track, [&](D3DXTRACK_DESC& desc) {
            desc = *description;
            desc.Enable = description->Enable ? TRUE : FALSE;
        });
    }
    HRESULT GetTrackDesc(UINT track, D3DXTRACK_DESC* description) override {
        if (!description) return D3DERR_INVALIDCALL;
        return WithTrack(track, [&](D3DXTRACK_DESC& desc) { *description = desc; });
    }

    D3DXEVENTHANDLE KeyTrackSpeed(UINT track, float newSpeed, double startTime, double duration,
                                  D3DXTRANSITION_TYPE transition) override {
        return Key(track, EventKind::Speed, startTime, duration, transition, newSpeed);
    }
    D3DXEVENTHANDLE KeyTrackWeight(UINT track, float newWeight, double startTime, double duration,
                                   D3DXTRANSITION_TYPE transition) override {
        return Key(track, EventKind::Weight, startTime, duration, transition, newWeight);
    }
    D3DXEVENTHANDLE KeyTrackPosition(UINT track, double newPosition, double startTime) override {
        return Key(track, EventKind::Position, startTime, 0.0, D3DXTRANSITION_LINEAR, newPosition);
    }
    D3DXEVENTHANDLE KeyTrackEnable(UINT track, BOOL newEnable, double startTime) override {
        return Key(track, EventKind::Enable, startTime, 0.0, D3DXTRANSITION_LINEAR, newEnable ? 1.0 : 0.0);
    }

    HRESULT UnkeyAllTrackEvents(UINT track) override {
        if (!FindTrack(track)) return D3DERR_INVALIDCALL;
        std::erase_if(m_events, [track](const TrackEvent& event) { return event.track == track; });
        return S_OK;
    }

    HRESULT CloneAnimationController(UINT maxOutputs, UINT maxSets, UINT maxTracks, UINT maxEvents,
                                     ID3DXAnimationController** clone) override {
        if (!clone) return D3DERR_INVALIDCALL;
        *clone = nullptr;
        if (maxOutputs < m_outputs.size() || maxSets < m_sets.size()) return D3DERR_INVALIDCALL;
        auto* copy = new AnimationController(maxOutputs, maxSets, maxTracks, maxEvents);
        copy->m_outputs = m_outputs;
        for (ID3DXAnimationSet* set : m_sets) copy->RegisterAnimationSet(set);
        for (UINT i = 0; i < maxTracks && i < m_tracks.size(); ++i) {
            copy->SetTrackAnimationSet(i, m_tracks[i].set);
            copy->m_tracks[i].desc = m_tracks[i].desc;
        }
        for (const TrackEvent& event : m_events)
            if (event.track < maxTracks && copy->m_events.size() < maxEvents) copy->m_events.push_back(event);
        copy->m_time = m_time;
        copy->m_nextHandle = m_nextHandle;
        *clone = copy;
        return S_OK;
    }

private:
    Track* FindTrack(UINT track) { return track < m_tracks.size() ? &m_tracks[track] : nullptr; }

    template <class Change>
    HRESULT WithTrack(UINT track, Change change) {
        Track* target = FindTrack(track);
        if (!target) return D3DERR_INVALIDCALL;
        change(target->desc);
        return S_OK;
    }

    D3DXEVENTHANDLE Key(UINT track, EventKind kind, double start, double duration, D3DXTRANSITION_TYPE transition,
                        double value) {
        if (!FindTrack(track) || m_events.size() >= m_maxEvents) return 0;
        const D3DXEVENTHANDLE handle = m_nextHandle++;
        if (m_nextHandle == 0) m_nextHandle = 1;
        m_events.push_back(
            {handle, track, kind, start, duration > 0.0 ? duration : 0.0, transition, value, false, 0.0});
        return handle;
    }

    void ApplyDueEvents() {
        // Keying order is handle order, so a stable sort by start keeps it
        // among events that start together.
        std::stable_sort(m_events.begin(), m_events.end(),
                         [](const TrackEvent& a, const TrackEvent& b) { return a.start < b.start; });
        std::erase_if(m_events, [this](TrackEvent& event) { return Apply(event); });
    }

    // Applies an event whose start has come; true once it is finished.
    bool Apply(TrackEvent& event) {
        if (m_time + kTimeEpsilon < event.start) return false;
        D3DXTRACK_DESC& desc = m_tracks[event.track].desc;
        switch (event.kind) {
        case EventKind::Enable: desc.Enable = event.value != 0.0 ? TRUE : FALSE; return true;
        case EventKind::Position: desc.Position = event.value; return true;
        case EventKind::Speed:
        case EventKind::Weight: break;
        }
        float& field = event.kind == EventKind::Speed ? desc.Speed : desc.Weight;
        if (!event.running) {
            event.running = true;
            event.from = field;
        }
        const double end = event.start + event.duration;
        if (event.duration <= 0.0 || m_time + kTimeEpsilon >= end) {
            field = static_cast<float>(event.value);
            return true;
        }
        double fraction = (m_time - event.start) / event.duration;
        if (event.transition == D3DXTRANSITION_EASEINEASEOUT) fraction = fraction * fraction * (3.0 - 2.0 * fraction);
        field = static_cast<float>(event.from + (event.value - event.from) * fraction);
        return false;
    }

    void Bind(Track& track) {
        if (track.bound && track.bindingOutputs == m_outputs.size()) return;
        const UINT count = track.set->GetNumAnimations();
        track.binding.assign(count, -1);
        for (UINT animation = 0; animation < count; ++animation) {
            LPCSTR name = nullptr;
            if (FAILED(track.set->GetAnimationNameByIndex(animation, &name)) || !name) continue;
            for (size_t output = 0; output < m_outputs.size(); ++output) {
                if (m_outputs[output].name == name) {
                    track.binding[animation] = static_cast<int>(output);
                    break;
                }
            }
        }
        track.bindingOutputs = m_outputs.size();
        track.bound = true;
    }

    void WriteOutputs() {
        m_poses.assign(m_outputs.size(), BlendedPose{});
        for (Track& track : m_tracks) {
            if (!track.set || !track.desc.Enable || !(track.desc.Weight > 0.0f)) continue;
            Bind(track);
            const double local = track.set->GetPeriodicPosition(track.desc.Position);
            for (size_t animation = 0; animation < track.binding.size(); ++animation) {
                const int output = track.binding[animation];
                if (output < 0) continue;
                D3DXVECTOR3 scale;
                D3DXQUATERNION rotation;
                D3DXVECTOR3 translation;
                track.set->GetSRT(local, static_cast<UINT>(animation), &scale, &rotation, &translation);
                Accumulate(m_poses[output], track.desc.Weight, scale, rotation, translation);
            }
        }
        for (size_t i = 0; i < m_outputs.size(); ++i) {
            BlendedPose& pose = m_poses[i];
            if (pose.tracks == 0) continue;
            if (pose.tracks > 1) D3DXQuaternionNormalize(&pose.rotation, &pose.rotation);
            const AnimationOutput& output = m_outputs[i];
            if (output.matrix) {
                D3DXMATRIX scaling, rotation;
                D3DXMatrixScaling(&scaling, pose.scale.x, pose.scale.y, pose.scale.z);
                D3DXMatrixRotationQuaternion(&rotation, &pose.rotation);
                D3DXMatrixMultiply(output.matrix, &scaling, &rotation);
                output.matrix->_41 = pose.translation.x;
                output.matrix->_42 = pose.translation.y;
                output.matrix->_43 = pose.translation.z;
            }
            if (output.scale) *output.scale = pose.scale;
            if (output.rotation) *output.rotation = pose.rotation;
            if (output.translation) *output.translation = pose.translation;
        }
    }

    // Running weighted mean: each new track pulls the blend toward its pose
    // by its share of the weight seen so far.
    static void Accumulate(BlendedPose& pose, float weight, const D3DXVECTOR3& scale, const D3DXQUATERNION& rotation,
                           const D3DXVECTOR3& translation) {
        pose.weight += weight;
        ++pose.tracks;
        if (pose.tracks == 1) {
            pose.scale = scale;
            pose.rotation = rotation;
            pose.translation = translation;
            return;
        }
        const float share = weight / pose.weight;
        D3DXVec3Lerp(&pose.scale, &pose.scale, &scale, share);
        D3DXQuaternionSlerp(&pose.rotation, &pose.rotation, &rotation, share);
        D3DXVec3Lerp(&pose.translation, &pose.translation, &translation, share);
    }

    UINT m_maxOutputs;
    UINT m_maxSets;
    UINT m_maxEvents;
    std::vector<Track> m_tracks;
    std::vector<AnimationOutput> m_outputs;
    std::vector<ID3DXAnimationSet*> m_sets;
    std::vector<TrackEvent> m_events;
    std::vector<BlendedPose> m_poses;
    double m_time = 0.0;
    D3DXEVENTHANDLE m_nextHandle = 1;
};

}  // namespace

HRESULT D3DXCreateKeyframedAnimationSet(LPCSTR name, double ticksPerSecond, D3DXPLAYBACK_TYPE playback,
                                        UINT animationCount, UINT /*callbackKeyCount*/,
                                        const D3DXKEY_CALLBACK* /*callbackKeys*/, ID3DXKeyframedAnimationSet** set) {
    if (!set) return D3DERR_INVALIDCALL;
    *set = nullptr;
    if (!(ticksPerSecond > 0.0)) return D3DERR_INVALIDCALL;
    *set = new KeyframedAnimationSet(name, ticksPerSecond, playback, animationCount);
    return S_OK;
}

HRESULT D3DXCreateAnimationController(UINT maxOutputs, UINT maxSets, UINT maxTracks, UINT maxEvents,
                                      ID3DXAnimationController** controller) {
    if (!controller) return D3DERR_INVALIDCALL;
    *controller = new AnimationController(maxOutputs, maxSets, maxTracks, maxEvents);
    return S_OK;
}
