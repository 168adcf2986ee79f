// Small helpers over ID3DXSprite shared by the HUD, the result screens and
// the ranking: a region drawn with its top-left corner at a pixel position,
// and the four-place numbers cut from the digit row of the HUD's sheet.
#pragma once
#include <cstdint>

#include "platform/d3dx9/sprite.h"

class CTextureManager;
class IDirect3DTexture9;

constexpr D3DCOLOR SPRITE_WHITE = 0xFFFFFFFF;

// A screen picture from the texture cache: unfiltered, at the file's own
// size, without colour key.
IDirect3DTexture9* SpriteTexture(CTextureManager* cache, IDirect3DDevice9* device, const char* fileName);

// The texture's region (the whole texture when null) with its top-left
// corner at (x, y).
void DrawSpriteAt(ID3DXSprite* sprite, IDirect3DTexture9* texture, const RECT* region, float x, float y,
                  D3DCOLOR colour = SPRITE_WHITE);

// White with the given alpha (only its low 8 bits count).
inline D3DCOLOR AlphaWhite(int alpha) { return static_cast<D3DCOLOR>(alpha & 0xFF) << 24 | 0x00FFFFFFu; }

// The sheet region of digit 0 ... 9.
RECT DigitRegion(int digit);

// Draws value in four digit places 40 pixels apart, place 0 at (x, y).
// Leading zeros in the first three places stay blank, so 0 shows as a
// single zero in the last place. The field holds 0 to 9999: values outside
// show as the nearest end of that range.
void DrawFourDigitNumber(ID3DXSprite* sprite, IDirect3DTexture9* digitSheet, std::int64_t value, float x, float y,
                         D3DCOLOR colour);
