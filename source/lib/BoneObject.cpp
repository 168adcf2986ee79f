#include "lib/BoneObject.h"

#include "lib/SkinXFile.h"

CBoneObject::CBoneObject() = default;

CBoneObject::~CBoneObject() { Unload(); }

int CBoneObject::SetSkinXFile(CSkinXFile* skinXFile) {
    // A controller cloned for an earlier mesh writes that mesh's frames; it
    // never outlives the attachment.
    Unload();
    m_lpSkinXFile = skinXFile;
    ID3DXAnimationController* source = skinXFile ? skinXFile->m_lpAnimController : nullptr;
    if (!source) return 1;
    if (FAILED(source->CloneAnimationController(source->GetMaxNumAnimationOutputs(), source->GetMaxNumAnimationSets(),
                                                source->GetMaxNumTracks(), source->GetMaxNumEvents(),
                                                &m_lpAnimController))) {
        m_lpSkinXFile = nullptr;
        m_lpAnimController = nullptr;
        return 0;
    }
    const UINT tracks = m_lpAnimController->GetMaxNumTracks();
    for (UINT track = 0; track < tracks; ++track) m_lpAnimController->SetTrackEnable(track, FALSE);
    return 1;
}

HRESULT CBoneObject::ChangeAnimation(UINT animation, UINT track) {
    if (!m_lpAnimController) return E_FAIL;
    ID3DXAnimationSet* set = nullptr;
    const HRESULT found = m_lpAnimController->GetAnimationSet(animation, &set);
    if (FAILED(found)) return found;
    m_PreviousAnimation = m_CurrentAnimation;
    m_CurrentAnimation = animation;
    m_lpAnimController->SetTrackAnimationSet(track, set);
    set->Release();
    return m_lpAnimController->SetTrackPosition(m_CurrentTrack, 0.0);
}

HRESULT CBoneObject::ChangeAnimationEvent(UINT animation, float start, float duration) {
    if (!m_lpAnimController) return E_FAIL;
    const UINT fadingTrack = m_PreviousTrack;
    m_PreviousTrack = m_CurrentTrack;
    m_CurrentTrack = m_CurrentTrack + 1 == 2 ? 0 : m_CurrentTrack + 1;
    const HRESULT changed = ChangeAnimation(animation, m_CurrentTrack);
    if (FAILED(changed)) {
        // No such animation: the tracks play on as they were.
        m_CurrentTrack = m_PreviousTrack;
        m_PreviousTrack = fadingTrack;
        return changed;
    }

    m_lpAnimController->KeyTrackEnable(m_PreviousTrack, FALSE, start + duration);
    m_lpAnimController->KeyTrackSpeed(m_PreviousTrack, 0.0f, start, duration, D3DXTRANSITION_LINEAR);
    m_lpAnimController->KeyTrackWeight(m_PreviousTrack, 0.0f, start, duration, D3DXTRANSITION_LINEAR);

    m_lpAnimController->SetTrackEnable(m_CurrentTrack, TRUE);
    m_lpAnimController->KeyTrackSpeed(m_CurrentTrack, 1.0f, start, duration, D3DXTRANSITION_LINEAR);
    m_lpAnimController->KeyTrackWeight(m_CurrentTrack, 1.0f, start, duration, D3DXTRANSITION_LINEAR);
    return S_OK;
}

HRESULT CBoneObject::SetTrackEnable(UINT track, int enable) {
    if (!m_lpAnimController) return E_FAIL;
    return m_lpAnimController->SetTrackEnable(track, enable ? TRUE : FALSE);
}

HRESULT CBoneObject::UnkeyAllTrackEvents() {
    if (!m_lpAnimController) return E_FAIL;
    m_lpAnimController->UnkeyAllTrackEvents(0);
    m_lpAnimController->UnkeyAllTrackEvents(1);
    return S_OK;
}

HRESULT CBoneObject::ResetTime() {
    if (!m_lpAnimController) return E_FAIL;
    return m_lpAnimController->ResetTime();
}

HRESULT CBoneObject::Animation(double timeStep) {
    if (!m_lpAnimController) return E_FAIL;
    return m_lpAnimController->AdvanceTime(timeStep, nullptr);
}

void CBoneObject::CalcMatrix() {
    if (m_lpSkinXFile) m_lpSkinXFile->UpdateFrameMatrices(&m_World);
}

void CBoneObject::SetTransform() { m_OldWorld = m_World; }

void CBoneObject::Draw(IDirect3DDevice9* device) {
    if (m_lpSkinXFile) m_lpSkinXFile->Draw(device);
}

double CBoneObject::GetNowAnimePos() {
    if (!m_lpAnimController) return 0.0;
    ID3DXAnimationSet* set = nullptr;
    m_lpAnimController->GetTrackAnimationSet(m_CurrentTrack, &set);
    if (!set) return 0.0;
    const double period = set->GetPeriod();
    set->Release();
    D3DXTRACK_DESC desc{};
    m_lpAnimController->GetTrackDesc(m_CurrentTrack, &desc);
    return period > 0.0 ? desc.Position / period : 0.0;
}

float CBoneObject::GetBoundingSphereData() const { return m_lpSkinXFile ? m_lpSkinXFile->GetBoundingRadius() : 0.0f; }

D3DXVECTOR3* CBoneObject::GetBoundingSpheerCenter(D3DXVECTOR3* center) const {
    if (m_lpSkinXFile) return m_lpSkinXFile->GetBoundingSphereCenter(center);
    *center = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return center;
}

void CBoneObject::Unload() { SafeRelease(&m_lpAnimController); }
