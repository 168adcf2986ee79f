// The 3D picture at a reduced resolution under a full-size HUD: the
// adaptive choice of scale, the device's offscreen 3D target, and the
// option that picks the scale.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "app/Options.h"
#include "platform/d3d9/scene_scale.h"
#include "support/graphics_fixture.h"

using d3d9::AdaptiveSceneScale;

namespace {
// Feeds count frames of the given time; returns how often the scale changed.
int FeedFrames(AdaptiveSceneScale& scale, int count, double ms) {
    int changes = 0;
    for (int i = 0; i < count; ++i) {
        const int before = scale.Level();
        scale.Feed(ms);
        changes += scale.Level() != before ? 1 : 0;
    }
    return changes;
}

// A load whose frame time depends on the scale it is drawn at.
template <class Cost>
int RunLoad(AdaptiveSceneScale& scale, int frames, Cost cost) {
    int changes = 0;
    for (int i = 0; i < frames; ++i) {
        const int before = scale.Level();
        scale.Feed(cost(scale.Scale()));
        changes += scale.Level() != before ? 1 : 0;
    }
    return changes;
}
}  // namespace

TEST(AdaptiveSceneScale, StepsDownOneLevelAtATimeWhileFramesMissTheBudgetAndStopsAtHalf) {
    AdaptiveSceneScale scale;
    EXPECT_EQ(FeedFrames(scale, 600, 12.0), 0);
    EXPECT_EQ(scale.Scale(), 1.0f);

    // Three slow frames among thirty are hitches, not a load.
    for (int i = 0; i < 10; ++i) {
        FeedFrames(scale, 3, 40.0);
        FeedFrames(scale, 27, 12.0);
    }
    EXPECT_EQ(scale.Scale(), 1.0f);

    // A load that misses every frame: the fourth miss steps down, then one
    // level per settling period.
    FeedFrames(scale, 30, 12.0);
    EXPECT_EQ(FeedFrames(scale, 3, 25.0), 0);
    EXPECT_EQ(FeedFrames(scale, 1, 25.0), 1);
    EXPECT_EQ(scale.Scale(), 0.875f);
    EXPECT_EQ(FeedFrames(scale, 9, 25.0), 0);
    EXPECT_EQ(FeedFrames(scale, 1, 25.0), 1);
    EXPECT_EQ(scale.Scale(), 0.75f);
    FeedFrames(scale, 200, 25.0);
    EXPECT_EQ(scale.Scale(), 0.5f);
}

TEST(AdaptiveSceneScale, StepsUpOnlyAfterALongRunOfFramesThatFitTheLevelAboveWithRoomToSpare) {
    AdaptiveSceneScale scale;
    FeedFrames(scale, 20, 25.0);
    ASSERT_EQ(scale.Scale(), 0.75f);

    // 12 ms at 0.75 would be about 16 ms at 0.875: inside the budget, but
    // without the headroom a step up needs.
    EXPECT_EQ(FeedFrames(scale, 1000, 12.0), 0);

    // 8 ms would be about 11 ms: room enough, after a full calm run.
    EXPECT_EQ(FeedFrames(scale, AdaptiveSceneScale::kCalmFrames - 1, 8.0), 0);
    EXPECT_EQ(FeedFrames(scale, 1, 8.0), 1);
    EXPECT_EQ(scale.Scale(), 0.875f);
    // A slow frame in the run starts the count again.
    FeedFrames(scale, AdaptiveSceneScale::kCalmFrames - 1, 8.0);
    FeedFrames(scale, 1, 16.0);
    EXPECT_EQ(FeedFrames(scale, AdaptiveSceneScale::kCalmFrames - 1, 8.0), 0);
    EXPECT_EQ(FeedFrames(scale, 1, 8.0), 1);
    EXPECT_EQ(scale.Scale(), 1.0f);
}

TEST(AdaptiveSceneScale, ALoadOnABoundaryDoesNotMakeThePicturePump) {
    // Mostly pixels: 20 ms at full scale, about 16 ms at 0.875.
    AdaptiveSceneScale steady;
    EXPECT_EQ(RunLoad(steady, 6000, [](float s) { return 4.0 + 16.0 * s * s; }), 1);
    EXPECT_EQ(steady.Scale(), 0.875f);

    // A load the pixel share misjudges: cheap enough below full scale to
    // look as if full scale would fit, too slow at full scale. Every failed
    // step up doubles the calm the next one needs.
    AdaptiveSceneScale misjudged;
    const auto load = [](float s) { return s >= 1.0f ? 19.0 : 7.0; };
    // Down, then tries up (and down again) after 120, 240, 480, 960 and 1920
    // frames of calm.
    EXPECT_EQ(RunLoad(misjudged, 3840, load), 11);
    EXPECT_EQ(misjudged.CalmNeeded(), AdaptiveSceneScale::kMaxCalmFrames);
    // From then on a brief try every 32 seconds at most.
    EXPECT_LE(RunLoad(misjudged, 2 * AdaptiveSceneScale::kMaxCalmFrames, load), 4);
}

namespace {
// Frames at a fixed scene scale; the scale goes back to 1 afterwards.
class SceneScaleTest : public GraphicsTest {
protected:
    void SetScale(float scale) {
        d3d9::SetSceneScale(scale);
        // The scale a frame is drawn at is chosen as the frame before it ends.
        Device()->Present(nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        d3d9::SetSceneScale(1.0f);
        GraphicsTest::TearDown();
    }

    struct WorldVertex {
        float x, y, z;
        std::uint32_t colour;
    };
    struct ScreenVertex {
        float x, y, z, rhw;
        std::uint32_t colour;
    };
    // Rectangles [left, right) x [100, 200) at depth z in world space (drawn
    // with identity transforms, so clip space) or as pre-transformed screen
    // pixels; depth tested when depthTest.
    void DrawRectangles(const std::vector<std::pair<float, float>>& spans, float z, std::uint32_t colour, bool screen,
                        bool depthTest = false) {
        IDirect3DDevice9* device = Device();
        device->SetRenderState(D3DRS_ZENABLE, depthTest ? TRUE : FALSE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        device->SetTexture(0, nullptr);
        std::vector<WorldVertex> world;
        std::vector<ScreenVertex> pixels;
        auto corner = [&](float x, float y) {
            pixels.push_back({x, y, z, 1.0f, colour});
            world.push_back({x / 400.0f - 1.0f, 1.0f - y / 300.0f, z, colour});
        };
        for (const auto& [left, right] : spans) {
            corner(left, 100.0f);
            corner(right, 100.0f);
            corner(left, 200.0f);
            corner(right, 100.0f);
            corner(right, 200.0f);
            corner(left, 200.0f);
        }
        const auto triangles = static_cast<UINT>(pixels.size() / 3);
        if (screen) {
            device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
            device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, triangles, pixels.data(), sizeof(ScreenVertex));
        } else {
            device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
            device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, triangles, world.data(), sizeof(WorldVertex));
        }
    }
    // White stripes one pixel wide, two apart, over [left, left + 200).
    void DrawStripes(float left, bool screen) {
        std::vector<std::pair<float, float>> spans;
        for (float x = left; x < left + 200.0f; x += 2.0f) spans.emplace_back(x, x + 1.0f);
        DrawRectangles(spans, 0.5f, 0xFFFFFFFF, screen);
    }
    // The picture of one frame: 3D stripes on the left, the same stripes as
    // 2D on the right.
    d3d9::Pixels StripesFrame() {
        IDirect3DDevice9* device = Device();
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        DrawStripes(100.0f, false);
        DrawStripes(500.0f, true);
        device->EndScene();
        d3d9::Pixels pixels = ReadTarget();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        return pixels;
    }
    static bool Alternates(const d3d9::Pixels& pixels, unsigned left) {
        for (unsigned x = left; x < left + 200; ++x)
            if ((pixels.At(x, 150) & 0xFFFFFF) != ((x - left) % 2 == 0 ? 0xFFFFFFu : 0u)) return false;
        return true;
    }
};
}  // namespace

TEST_F(SceneScaleTest, AtHalfScaleThe3DLosesDetailWhileScreenSpaceDrawsStayExact) {
    const d3d9::Pixels full = StripesFrame();
    ASSERT_EQ(full.width, 800u);
    EXPECT_TRUE(Alternates(full, 100));
    EXPECT_TRUE(Alternates(full, 500));

    SetScale(0.5f);
    const d3d9::Pixels half = StripesFrame();
    ASSERT_EQ(half.width, 800u);
    ASSERT_EQ(half.height, 600u);
    EXPECT_FALSE(Alternates(half, 100));
    EXPECT_TRUE(Alternates(half, 500));
    for (unsigned y = 90; y < 210; ++y)
        for (unsigned x = 490; x < 710; ++x) ASSERT_EQ(half.At(x, y), full.At(x, y)) << x << "," << y;

    // Back at full scale the picture is the first one again.
    SetScale(1.0f);
    EXPECT_EQ(StripesFrame().rgba, full.rgba);
}

TEST_F(SceneScaleTest, ScreenSpaceDrawsAfterThe3DStillTestAgainstItsDepth) {
    for (float scale : {1.0f, 0.5f}) {
        SetScale(scale);
        IDirect3DDevice9* device = Device();
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        DrawRectangles({{100.0f, 300.0f}}, 0.2f, 0xFFFFFFFF, false, true);
        DrawRectangles({{200.0f, 400.0f}}, 0.5f, 0xFFFF0000, true, true);
        device->EndScene();
        const d3d9::Pixels pixels = ReadTarget();
        EXPECT_EQ(pixels.At(150, 150), 0xFFFFFFFFu) << scale;
        EXPECT_EQ(pixels.At(250, 150), 0xFFFFFFFFu) << scale;  // behind the 3D
        EXPECT_EQ(pixels.At(350, 150), 0xFFFF0000u) << scale;
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
}

TEST_F(SceneScaleTest, ViewportsAndClearsKeepFullSizeUnitsAtAReducedScale) {
    SetScale(0.5f);
    IDirect3DDevice9* device = Device();
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const D3DVIEWPORT9 viewport{100, 100, 200, 100, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    D3DVIEWPORT9 seen{};
    device->GetViewport(&seen);
    EXPECT_EQ(seen.Width, 200u);
    EXPECT_EQ(device->TargetWidth(), 800u);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    const RECT inside{150, 150, 160, 160};
    device->Clear(1, &inside, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    device->EndScene();
    // Reading the back buffer brings the 3D picture onto it first.
    const d3d9::Pixels pixels = ReadTarget();
    EXPECT_EQ(pixels.At(120, 120), 0xFFFF0000u);
    EXPECT_EQ(pixels.At(280, 180), 0xFFFF0000u);
    EXPECT_EQ(pixels.At(154, 154), 0xFF00FF00u);
    EXPECT_EQ(pixels.At(60, 60) & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels.At(400, 150) & 0xFFFFFF, 0u);
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

TEST(SceneScaleOption, AutoInPlayOneUnderAutomationAndWhatWasGiven) {
    auto parse = [](std::vector<const char*> arguments, float* scale) {
        arguments.insert(arguments.begin(), "vortwing");
        ProgramOptions options;
        std::string error;
        const bool parsed = ParseProgramOptions(static_cast<int>(arguments.size()), arguments.data(), &options, &error);
        *scale = parsed ? SceneScaleFor(options) : -1.0f;
        return parsed;
    };
    float scale = -1;
    ASSERT_TRUE(parse({}, &scale));
    EXPECT_EQ(scale, 0.0f);
    ASSERT_TRUE(parse({"--record", "r.txt", "--fullscreen"}, &scale));
    EXPECT_EQ(scale, 0.0f);
    const std::vector<std::vector<const char*>> automated{
        {"--uncapped"}, {"--frames", "10"}, {"--screenshot", "5:a.png"}, {"--input", "script.txt"}};
    for (std::vector<const char*> arguments : automated) {
        ASSERT_TRUE(parse(arguments, &scale)) << arguments[0];
        EXPECT_EQ(scale, 1.0f) << arguments[0];
        arguments.insert(arguments.end(), {"--scale", "auto"});
        ASSERT_TRUE(parse(arguments, &scale)) << arguments[0];
        EXPECT_EQ(scale, 0.0f) << arguments[0];
    }
    ASSERT_TRUE(parse({"--scale", "0.75"}, &scale));
    EXPECT_EQ(scale, 0.75f);
    ASSERT_TRUE(parse({"--uncapped", "--scale", "0.5"}, &scale));
    EXPECT_EQ(scale, 0.5f);
    ASSERT_TRUE(parse({"--scale", "1"}, &scale));
    EXPECT_EQ(scale, 1.0f);
    for (const char* bad : {"0.25", "2", "", "half"}) EXPECT_FALSE(parse({"--scale", bad}, &scale)) << bad;
    EXPECT_FALSE(parse({"--scale"}, &scale));
}
