// Every file the game reads from its data directory, with what kind of file it
// is, and the pixel regions the game cuts out of its sprite sheets. The
// generator checks its output against this list, and the tests load each entry.
#pragma once
#include <cstddef>

namespace assets {

enum class Kind {
    Texture,      // PNG, JPEG or BMP picture
    StaticMesh,   // X file without skin
    SkinnedMesh,  // X file with frame hierarchy, skin weights and animation sets
    Sound,        // PCM WAV
    Music,        // Ogg Vorbis
    Icon,         // Windows icon file with PNG images
};

struct Asset {
    const char* path;  // relative to the data directory, exact case
    Kind kind;
};

inline constexpr Asset kAssets[] = {
    // Characters and their textures (texture names resolve beside the mesh).
    {"XFile/Character/Dragoon.x", Kind::SkinnedMesh},
    {"XFile/Character/hito.x", Kind::SkinnedMesh},
    {"XFile/Character/Curry.x", Kind::SkinnedMesh},
    {"XFile/Character/Dragoon.png", Kind::Texture},
    {"XFile/Character/hito.png", Kind::Texture},
    {"XFile/Character/Curry.png", Kind::Texture},
    {"Texture/Bump/Dragoon.png", Kind::Texture},
    // Scenery.
    {"XFile/Map/Sky.x", Kind::StaticMesh},
    {"XFile/Map/sea.x", Kind::StaticMesh},
    {"XFile/Map/Sky.png", Kind::Texture},
    {"XFile/Map/Sea.png", Kind::Texture},
    // Billboards.
    {"Texture/FireBall.png", Kind::Texture},
    {"Texture/FireBallNormal.png", Kind::Texture},
    {"Texture/EnemyFireBall.png", Kind::Texture},
    {"Texture/Explode.png", Kind::Texture},
    {"Texture/Flame/Flame.png", Kind::Texture},
    {"Texture/Flame/Flame2.png", Kind::Texture},
    {"Texture/Flame/Flame3.png", Kind::Texture},
    {"Texture/Flame/Flame4.png", Kind::Texture},
    {"Texture/Flame/Flame5.png", Kind::Texture},
    {"Texture/Flame/Flame6.png", Kind::Texture},
    {"Texture/Laser/BlueRedBeam_.png", Kind::Texture},
    {"Texture/Laser/MultyRock.png", Kind::Texture},
    {"Texture/Laser/_FireLaser.png", Kind::Texture},
    {"Texture/Laser/FireLaser.png", Kind::Texture},
    {"Texture/Effect/Shot.png", Kind::Texture},
    {"Texture/Effect/BlueFlash.png", Kind::Texture},
    {"Texture/Effect/Shot_09.png", Kind::Texture},
    {"Texture/Effect/DEATH.png", Kind::Texture},
    // HUD, title and ranking screens.
    {"Texture/Sprite/TexTmp.png", Kind::Texture},
    {"Texture/Sprite/gauge1.png", Kind::Texture},
    {"Texture/Sprite/gauge2.png", Kind::Texture},
    {"Texture/Sprite/gauge3.png", Kind::Texture},
    {"Texture/Sprite/gameover.JPG", Kind::Texture},
    {"Texture/Sprite/MisstionClear.png", Kind::Texture},
    {"Texture/Sprite/Pause.png", Kind::Texture},
    {"Texture/Sprite/MiniMap.png", Kind::Texture},
    {"Texture/Sprite/Point.png", Kind::Texture},
    {"Texture/Title/TitleSprite.png", Kind::Texture},
    {"Texture/Title/Load.png", Kind::Texture},
    {"Texture/Title/Advice/Advice.png", Kind::Texture},
    {"Texture/Ranking/RankingSprite.png", Kind::Texture},
    {"Texture/Ranking/Black.bmp", Kind::Texture},
    // Sound effects.
    {"Sound/SE/Wing.wav", Kind::Sound},
    {"Sound/SE/MultiRock.wav", Kind::Sound},
    {"Sound/SE/FireDrive.wav", Kind::Sound},
    {"Sound/SE/FireBall.wav", Kind::Sound},
    {"Sound/SE/Bomb3.wav", Kind::Sound},
    {"Sound/SE/SanderType.wav", Kind::Sound},
    {"Sound/SE/ChangeOverDrive.wav", Kind::Sound},
    {"Sound/SE/unison_ok.wav", Kind::Sound},
    {"Sound/SE/explode_l.wav", Kind::Sound},
    {"Sound/SE/Flame.wav", Kind::Sound},
    {"Sound/SE/burner_f15.wav", Kind::Sound},
    {"Sound/SE/Key_shift.wav", Kind::Sound},
    {"Sound/SE/skilTrig_blow.wav", Kind::Sound},
    {"Sound/SE/cursor_move.wav", Kind::Sound},
    {"Sound/SE/Ranking/Member.wav", Kind::Sound},
    {"Sound/SE/Ranking/power32.wav", Kind::Sound},
    {"Sound/SE/Ranking/metal07.wav", Kind::Sound},
    {"Sound/SE/HitoVoice/HitoDameg.wav", Kind::Sound},
    {"Sound/SE/HitoVoice/HitoDead.wav", Kind::Sound},
    {"Sound/SE/CurryVoice/CurryHelp.wav", Kind::Sound},
    {"Sound/SE/CurryVoice/CurryDead.wav", Kind::Sound},
    {"Sound/SE/CurryVoice/あなたに、特別ですよ.wav", Kind::Sound},
    {"Sound/SE/CurryVoice/最高だ！.wav", Kind::Sound},
    {"Sound/SE/CurryVoice/わー僕は何もしてないよ～.wav", Kind::Sound},
    // Music.
    {"Sound/BGM/反逆.ogg", Kind::Music},
    {"Sound/BGM/Galewrath.ogg", Kind::Music},
    {"Sound/BGM/Korvenhymn.ogg", Kind::Music},
    // The window's icon.
    {"icon1.ico", Kind::Icon},
};

// Names the game asks for in another letter case than the file on disk; the
// platform's case-insensitive path fallback must map each onto its file.
struct CaseAlias {
    const char* requested;
    const char* file;
};
inline constexpr CaseAlias kCaseAliases[] = {
    {"Texture/SPrite/gauge1.png", "Texture/Sprite/gauge1.png"},
    {"Texture/SPrite/gauge3.png", "Texture/Sprite/gauge3.png"},
};

// A region (left, top, right, bottom, in pixels) of a sprite sheet.
struct SpriteRect {
    const char* image;
    const char* name;
    int left, top, right, bottom;
};

inline constexpr SpriteRect kSpriteRects[] = {
    {"Texture/Sprite/TexTmp.png", "0", 0, 0, 40, 50},
    {"Texture/Sprite/TexTmp.png", "1", 40, 0, 80, 50},
    {"Texture/Sprite/TexTmp.png", "2", 80, 0, 120, 50},
    {"Texture/Sprite/TexTmp.png", "3", 120, 0, 160, 50},
    {"Texture/Sprite/TexTmp.png", "4", 160, 0, 200, 50},
    {"Texture/Sprite/TexTmp.png", "5", 200, 0, 240, 50},
    {"Texture/Sprite/TexTmp.png", "6", 240, 0, 280, 50},
    {"Texture/Sprite/TexTmp.png", "7", 280, 0, 320, 50},
    {"Texture/Sprite/TexTmp.png", "8", 320, 0, 360, 50},
    {"Texture/Sprite/TexTmp.png", "9", 360, 0, 400, 50},
    {"Texture/Sprite/TexTmp.png", "human marker", 268, 66, 318, 127},
    {"Texture/Sprite/TexTmp.png", "curry marker", 0, 64, 64, 106},
    {"Texture/Sprite/TexTmp.png", "mode 1", 64, 64, 128, 128},
    {"Texture/Sprite/TexTmp.png", "mode 2", 128, 64, 192, 128},
    {"Texture/Sprite/TexTmp.png", "arrow", 192, 64, 258, 128},
    {"Texture/Sprite/TexTmp.png", "SCORE", 0, 176, 377, 252},
    {"Texture/Sprite/TexTmp.png", "COMBO", 0, 345, 363, 421},
    {"Texture/Sprite/TexTmp.png", "TIME", 0, 260, 389, 359},
    {"Texture/Sprite/gauge2.png", "gauge frame", 0, 0, 32, 400},
    {"Texture/Sprite/gauge1.png", "life bar", 0, 0, 32, 400},
    {"Texture/Sprite/gauge3.png", "energy bar", 0, 0, 32, 400},
    {"Texture/Title/TitleSprite.png", "logo", 0, 0, 700, 65},
    {"Texture/Title/TitleSprite.png", "START", 0, 77, 209, 136},
    {"Texture/Title/TitleSprite.png", "EXIT", 0, 136, 140, 195},
    {"Texture/Title/TitleSprite.png", "bar", 0, 200, 227, 228},
    {"Texture/Title/Advice/Advice.png", "advice 0", 0, 0, 403, 54},
    {"Texture/Title/Advice/Advice.png", "advice 1", 0, 64, 472, 112},
    {"Texture/Title/Advice/Advice.png", "advice 2", 0, 120, 611, 162},
    {"Texture/Ranking/RankingSprite.png", "1ST", 0, 0, 118, 54},
    {"Texture/Ranking/RankingSprite.png", "2ND", 0, 56, 142, 120},
    {"Texture/Ranking/RankingSprite.png", "3RD", 0, 121, 127, 183},
    {"Texture/Ranking/RankingSprite.png", "YOU", 0, 184, 187, 256},
    {"Texture/Ranking/Black.bmp", "fade", 0, 0, 800, 600},
};

// Animation sets each character needs, in file order, and the bone the dragon
// fires from.
inline constexpr const char* kDragonAnimationSets[] = {"Flight", "DashRight", "DashLeft"};
inline constexpr const char* kSoldierAnimationSets[] = {"Walk", "StandUp", "Stand", "Run", "Attack", "Death", "Damage"};
inline constexpr const char* kCurryAnimationSets[] = {"Idle", "Look",    "Death", "Damage", "Attack",
                                                      "Sway", "Special", "Run",   "Stand"};
inline constexpr const char* kDragonMouthBone = "Neck_Joint";

}  // namespace assets
