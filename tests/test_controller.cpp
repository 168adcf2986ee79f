// The game controller as the game reads it, driven by SDL virtual pads: the
// standard button order on a mapped pad, the d-pad, the raw fallback, pads
// plugged in and out, the player's mapping file, and recordings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "lib/DirectInput.h"
#include "platform/automation.h"
#include "platform/dinput/pad.h"
#include "platform/fs/user_dirs.h"
#include "support/scoped_directory.h"
#include "support/virtual_pad.h"

namespace {
// The game's controller set-up (ranges -6 ... 6 on every axis) on the
// player's pad, taken down at the end.
class GamePadTest : public ::testing::Test {
protected:
    void SetUp() override {
        automation::UnloadInputScript();
        CDirectInput::GetInstance();
        ASSERT_EQ(CDirectInput::InitDirectInput(nullptr), 1);
        ASSERT_TRUE(CDirectInput::DirectInputState);
    }
    void TearDown() override {
        CDirectInput::UninitDirectInput();
        CDirectInput::DeleteInstance(nullptr);
        CDirectInput::DirectInputState = 0;
        automation::StopRecording();
        automation::UnloadInputScript();
    }
    // Polls as the game does; false when the game would use the keyboard
    // alone this frame.
    static bool Poll() { return CDirectInput::GetInstance()->GetInputDevice(); }
    static const CDirectInput& Record() { return *CDirectInput::GetInstance(); }
    static std::set<int> ButtonsDown() {
        std::set<int> down;
        for (int b = 0; b < 128; ++b)
            if (Record().rgbButtons[b] & 0x80) down.insert(b);
        return down;
    }
};

using Indices = std::set<int>;
}  // namespace

TEST_F(GamePadTest, MappedPadReportsTheStandardButtonOrder) {
    VirtualPad pad(true, 0x0101);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(ButtonsDown(), Indices{});
    const struct {
        int physical;
        Indices expected;
    } presses[] = {
        {VirtualPad::kWest, {0}},        {VirtualPad::kSouth, {1}},        {VirtualPad::kEast, {2}},
        {VirtualPad::kNorth, {3}},       {VirtualPad::kLeftShoulder, {4}}, {VirtualPad::kRightShoulder, {5}},
        {VirtualPad::kBack, {8}},        {VirtualPad::kStart, {8, 9}},     {VirtualPad::kLeftStick, {10}},
        {VirtualPad::kRightStick, {11}}, {VirtualPad::kGuide, {}},         {VirtualPad::kUp, {}},
    };
    for (const auto& press : presses) {
        pad.Set(press.physical, true);
        ASSERT_TRUE(Poll());
        EXPECT_EQ(ButtonsDown(), press.expected) << "physical button " << press.physical;
        pad.Set(press.physical, false);
    }
    // Triggers are buttons 6 and 7 once pressed a quarter of the way.
    pad.SetAxis(VirtualPad::kLeftTrigger, 32767);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(ButtonsDown(), Indices{6});
    pad.SetAxis(VirtualPad::kLeftTrigger, -32768);
    pad.SetAxis(VirtualPad::kRightTrigger, -20000);  // a fifth of the way
    ASSERT_TRUE(Poll());
    EXPECT_EQ(ButtonsDown(), Indices{});
    pad.SetAxis(VirtualPad::kRightTrigger, 0);  // half way
    ASSERT_TRUE(Poll());
    EXPECT_EQ(ButtonsDown(), Indices{7});
}

TEST_F(GamePadTest, LeftStickAndDPadSteerInTheGameRange) {
    VirtualPad pad(true, 0x0102);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(Record().lX, 0);
    EXPECT_EQ(Record().lY, 0);
    EXPECT_EQ(Record().rgdwPOV[0], 0xFFFFFFFFu);

    pad.SetAxis(VirtualPad::kLeftX, -32768);
    pad.SetAxis(VirtualPad::kLeftY, 32767);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(Record().lX, -6);
    EXPECT_EQ(Record().lY, 6);  // stick pulled back
    pad.SetAxis(VirtualPad::kLeftX, 16000);
    pad.SetAxis(VirtualPad::kLeftY, 0);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(Record().lX, 3);
    EXPECT_EQ(Record().lY, 0);

    // The d-pad drives an axis to its end where the stick rests on it.
    pad.Set(VirtualPad::kLeft, true);
    pad.Set(VirtualPad::kUp, true);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(Record().lX, 3);   // the stick is pushed on X: it wins
    EXPECT_EQ(Record().lY, -6);  // up is forward
    EXPECT_EQ(Record().rgdwPOV[0], 31500u);
    pad.SetAxis(VirtualPad::kLeftX, 5000);  // within the rest zone
    ASSERT_TRUE(Poll());
    EXPECT_EQ(Record().lX, -6);
    pad.Set(VirtualPad::kLeft, false);
    pad.Set(VirtualPad::kUp, false);
    pad.Set(VirtualPad::kRight, true);
    pad.Set(VirtualPad::kDown, true);
    pad.SetAxis(VirtualPad::kLeftX, 0);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(Record().lX, 6);
    EXPECT_EQ(Record().lY, 6);
    EXPECT_EQ(Record().rgdwPOV[0], 13500u);
    EXPECT_EQ(ButtonsDown(), Indices{});
}

TEST_F(GamePadTest, PadWithoutMappingKeepsItsRawNumbers) {
    VirtualPad pad(false, 0x0103);
    ASSERT_TRUE(Poll());
    for (int physical : {int{VirtualPad::kSouth}, int{VirtualPad::kStart}, 8, 14}) {
        pad.Set(physical, true);
        ASSERT_TRUE(Poll());
        EXPECT_EQ(ButtonsDown(), Indices{physical});
        pad.Set(physical, false);
    }
    pad.SetAxis(VirtualPad::kLeftX, 32767);
    pad.SetAxis(1, -32768);
    pad.SetAxis(VirtualPad::kLeftTrigger, 0);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(Record().lX, 6);
    EXPECT_EQ(Record().lY, -6);
    EXPECT_EQ(Record().lRy, 0);  // raw axis 4 is the fifth field
}

TEST_F(GamePadTest, PadsPluggedInAndOutAfterStartAreFollowed) {
    // No pad at start: the controller is there, but reads as unplugged.
    EXPECT_FALSE(Poll());
    {
        VirtualPad pad(true, 0x0104);
        ASSERT_TRUE(Poll());
        pad.Set(VirtualPad::kSouth, true);
        ASSERT_TRUE(Poll());
        EXPECT_EQ(ButtonsDown(), Indices{1});
        pad.Unplug();
        EXPECT_FALSE(Poll());
        // The record keeps what it last read; the game skips it meanwhile.
        EXPECT_EQ(ButtonsDown(), Indices{1});
    }
    // Any other pad is taken up, in its own layout.
    VirtualPad other(false, 0x0105);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(ButtonsDown(), Indices{});
    other.Set(VirtualPad::kSouth, true);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(ButtonsDown(), Indices{VirtualPad::kSouth});
}

TEST_F(GamePadTest, MappingFileInTheResultsDirectoryGivesAPadTheStandardLayout) {
    ScopedDirectory directory;
    const std::string previousData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    setenv("XDG_DATA_HOME", std::filesystem::current_path().c_str(), 1);
    // SDL knows no mapping for this pad until the player's file is read.
    VirtualPad pad(false, 0x0106);
    char guid[64];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(0), guid, sizeof guid);
    const std::filesystem::path results = fs::ResultsDirectory();
    std::filesystem::create_directories(results);
    std::ofstream(results / "gamecontrollerdb.txt") << "# a comment and a damaged line\nnot,a,mapping\n"
                                                    << VirtualPad::Mapping(guid) << "platform:Linux,\n";
    TearDown();
    SetUp();  // the game starts with the file in place
    pad.Set(VirtualPad::kSouth, true);
    ASSERT_TRUE(Poll());
    EXPECT_EQ(ButtonsDown(), Indices{1});
    EXPECT_TRUE(SDL_IsGameController(0));
    if (previousData.empty())
        unsetenv("XDG_DATA_HOME");
    else
        setenv("XDG_DATA_HOME", previousData.c_str(), 1);
}

TEST_F(GamePadTest, RecordingWritesTheStandardIndicesAndUnpluggingAndReplaysThem) {
    ScopedDirectory directory;
    std::string error;
    ASSERT_TRUE(automation::StartRecording("pad.txt", &error)) << error;
    automation::ResetSceneFrames();
    automation::BeginSceneFrame();  // frame 0: no pad
    auto pad = std::make_unique<VirtualPad>(true, 0x0107);
    automation::BeginSceneFrame();  // 1: plugged in, resting
    pad->Set(VirtualPad::kSouth, true);
    pad->Set(VirtualPad::kStart, true);
    pad->SetAxis(VirtualPad::kLeftX, -32768);
    automation::BeginSceneFrame();  // 2
    pad.reset();
    automation::BeginSceneFrame();  // 3: unplugged
    pad = std::make_unique<VirtualPad>(true, 0x0107);
    automation::BeginSceneFrame();  // 4: back, resting
    automation::StopRecording();
    const std::string recording = ReadBytes("pad.txt");
    EXPECT_EQ(recording,
              "# vortwing input recording: FRAME NAME VALUE\n"
              "1 PAD.X 0\n"
              "2 PAD.BUTTON1 1\n2 PAD.BUTTON8 1\n2 PAD.BUTTON9 1\n2 PAD.X -6\n"
              "3 PAD.CONNECTED 0\n"
              "4 PAD.CONNECTED 1\n4 PAD.BUTTON1 0\n4 PAD.BUTTON8 0\n4 PAD.BUTTON9 0\n4 PAD.X 0\n");

    // Played back, the scripted controller is unplugged just as the pad was.
    TearDown();
    pad.reset();
    ASSERT_TRUE(automation::LoadInputScript("pad.txt", &error)) << error;
    automation::ResetSceneFrames();
    CDirectInput::GetInstance();
    ASSERT_EQ(CDirectInput::InitDirectInput(nullptr), 1);
    const bool expectedPoll[] = {true, true, true, false, true};
    for (bool expected : expectedPoll) {
        automation::BeginSceneFrame();
        EXPECT_EQ(Poll(), expected) << "frame " << automation::SceneFrame();
        if (automation::SceneFrame() == 2) {
            EXPECT_EQ(ButtonsDown(), (Indices{1, 8, 9}));
            EXPECT_EQ(Record().lX, -6);
        }
    }
    std::string message;
    EXPECT_FALSE(automation::LoadInputScriptText("0 PAD.CONNECTED 2\n", "bad", &message));
    EXPECT_EQ(message, "bad:1: PAD.CONNECTED must be 0 or 1");
}
