#include "game/Flame.h"

#include "game/BillBoardManager.h"
#include "game/SoundEffect.h"
#include "lib/DirectSound.h"
#include "platform/crt/random.h"

CFlameGenerator* CFlameGenerator::m_lpFlameGenerator = nullptr;

namespace {
constexpr const char* kPictureNames[CFlameGenerator::kPictureCount] = {
    "Texture/Flame/Flame.png",  "Texture/Flame/Flame2.png", "Texture/Flame/Flame3.png",
    "Texture/Flame/Flame4.png", "Texture/Flame/Flame5.png", "Texture/Flame/Flame6.png",
};
constexpr const char* kFlameSound = "Sound/SE/Flame.wav";
constexpr D3DCOLOR kOpaqueBlackKey = 0xFF000000;
constexpr std::int32_t kLife = 255;  // also the alpha of the first frame
constexpr float kCullRadius = 9.0f;

}  // namespace

CFlameGenerator* CFlameGenerator::GetInstance() {
    if (!m_lpFlameGenerator) m_lpFlameGenerator = new CFlameGenerator;
    return m_lpFlameGenerator;
}

void CFlameGenerator::DeleteInstance() {
    delete m_lpFlameGenerator;
    m_lpFlameGenerator = nullptr;
}

// The callbacks run without the generator, so the names come from the table.
IDirect3DTexture9* CFlameGenerator::Picture(int index) {
    return BillBoardTexture(kPictureNames[index], kOpaqueBlackKey);
}

void CFlameGenerator::FlameInit() {
    for (int i = 0; i < kPictureCount; ++i) m_TextureName[i] = kPictureNames[i];
    CDirectSound::GetInstance()->GetSecondryBuffer(kFlameSound);
    for (int i = 0; i < kPictureCount; ++i) Picture(i);
}

void CFlameGenerator::CreateFlame(D3DXVECTOR3* position) {
    const int picture = CrtRand() % kPictureCount;
    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    BillBoardNode* node = manager->AddNode();
    // A tall picture standing on its placement point.
    node->Init(0.1f, 3.0f, 8.0f, 0.0f, 0xFFFFFFFF);
    node->SetTexture(Picture(picture));
    D3DXMatrixTranslation(&node->m_World, position->x, position->y, position->z);
    node->SetTransform(manager->GetDevice());
    node->m_Count = kLife;
    node->m_Blend = 1;
    node->m_UpdateProc = FlameProcess;
    node->m_RenderProc = FlameRender;
    node->m_EffectType = EFFECT_EXPLODE;
    node->m_UseType = USE_NONE;
    PlaySoundEffect(kFlameSound);
}

int CFlameGenerator::FlameProcess(BillBoardNode* node) {
    // Drawn one after another: the order of the random numbers matters.
    const float x = RandomUpTo(0.02f) - 0.01f;
    const float y = static_cast<float>(CrtRand()) / 32767.0f * 0.01f;
    const float z = RandomUpTo(0.02f) - 0.01f;
    node->Move(x, y, z);
    node->SetBillBoard(CBillBoardManager::GetInstance()->GetCameraMatrix());
    if (node->m_Count % 4 == 0) node->SetTexture(Picture(CrtRand() % kPictureCount));
    node->ChangeColor(static_cast<D3DCOLOR>(node->m_Count & 0xFF) << 24 | 0x00FFFFFFu);
    node->m_Count -= 1;
    return node->m_Count <= 0 ? 1 : 0;
}

int CFlameGenerator::FlameRender(BillBoardNode* node) { return RenderBillBoardNode(node, kCullRadius); }
