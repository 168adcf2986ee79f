#include "scene/SpriteDraw.h"

#include <algorithm>
#include <cstdio>

#include "lib/texturemanager/TextureManager.h"
#include "platform/d3dx9/d3dx9math.h"

namespace {
constexpr int kDigitWidth = 40;
constexpr int kDigitHeight = 50;
constexpr int kPlaces = 4;
}  // namespace

IDirect3DTexture9* SpriteTexture(CTextureManager* cache, IDirect3DDevice9* device, const char* fileName) {
    const float fileSize = static_cast<float>(D3DX_DEFAULT);
    return cache->GetTexture(device, fileName, D3DX_FILTER_NONE, D3DX_FILTER_NONE, fileSize, fileSize, 0, 0);
}

void DrawSpriteAt(ID3DXSprite* sprite, IDirect3DTexture9* texture, const RECT* region, float x, float y,
                  D3DCOLOR colour) {
    const D3DXVECTOR3 position(x, y, 0.0f);
    sprite->Draw(texture, region, nullptr, &position, colour);
}

RECT DigitRegion(int digit) { return RECT{kDigitWidth * digit, 0, kDigitWidth * digit + kDigitWidth, kDigitHeight}; }

void DrawFourDigitNumber(ID3DXSprite* sprite, IDirect3DTexture9* digitSheet, std::int64_t value, float x, float y,
                         D3DCOLOR colour) {
    const int shown = static_cast<int>(std::clamp<std::int64_t>(value, 0, 9999));
    char text[kPlaces + 1];
    std::snprintf(text, sizeof text, "%04d", shown);
    bool leading = true;
    for (int place = 0; place < kPlaces; ++place) {
        const int digit = text[place] - '0';
        if (leading && digit == 0 && place < kPlaces - 1) continue;
        leading = false;
        const RECT region = DigitRegion(digit);
        DrawSpriteAt(sprite, digitSheet, &region, x + static_cast<float>(kDigitWidth * place), y, colour);
    }
}
