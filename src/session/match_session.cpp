#include "session/match_session.h"

#include <cstring>

#include "audio/audio_system.h"
#include "render/bitmap_bank.h"
#include "render/bmp_file.h"
#include "render/frame_compose.h"
#include "render/pointer_draw.h"
#include "render/screenshot.h"
#include "render/text_cache.h"
#include "board/sound_cue.h"
#include "session/background_choice.h"
#include "session/file_list.h"
#include "shell/app.h"
#include "shell/globals.h"

namespace tessaron {

namespace {

// The sound effects in SampleBank slot order.
const char* const SampleFiles[] = {
    "data/sound/energy_explosion.wav",     "data/sound/rotate.wav",
    "data/sound/clink.wav",                "data/sound/explode_big.wav",
    "data/sound/energy_disintegrate4.wav", "data/sound/energy_disintegrate5.wav",
    "data/sound/energy_huge.wav",          "data/sound/lightning.wav",
    "data/sound/glassbreak.wav",
};

constexpr const char* BackgroundPattern = "data/backgrounds/*.bmp*";
constexpr const char* BackgroundDirectory = "data/backgrounds/";
constexpr const char* FallbackBackground = "data/bg1.bmp";
// Read-only, hidden, system, volume label and archive files; no directories.
constexpr int ScanAttributes = FA_RDONLY | FA_HIDDEN | FA_SYSTEM | FA_LABEL | FA_ARCH;

// The logic's sound cues, played by the audio layer.
void playCue(int cue) {
    if (cue == SoundPanelWake) playPanelWake();
    else if (cue == SoundPanelBack) playPanelBack();
    else playGameSample(cue);
}

// Allegro's joystick state for one of the ten inputs the controls read.
int readJoystick(int joystick, int input) {
    if (joystick < 0 || joystick >= num_joysticks) return 0;
    const JOYSTICK_INFO& info = joy[joystick];
    if (input >= JoyButton0) {
        int button = input - JoyButton0;
        return button < info.num_buttons ? info.button[button].b : 0;
    }
    if (info.num_sticks < 1) return 0;
    const JOYSTICK_STICK_INFO& stick = info.stick[0];
    int axis = (input == JoyLeft || input == JoyRight) ? 0 : 1;
    if (axis >= stick.num_axis) return 0;
    bool negative = input == JoyLeft || input == JoyUp;
    return negative ? stick.axis[axis].d1 : stick.axis[axis].d2;
}

void musicStep(void*) { Music.update(); }
void screenshotHook(void* context) { saveScreenshot(static_cast<MatchSession*>(context)->backBuffer()); }

// Allegro's view of the keyboard and mouse, copied for the logic step.
void copyLiveInput() {
    for (int i = 0; i < KeyCount; ++i) Live.keys[i] = key[i] ? 1 : 0;
    copyMouseButtons(Live);
}

} // namespace

void scanFileList(FileList& list, const char* pattern) {
    list.clear();
    al_ffblk info;
    if (al_findfirst(pattern, &info, ScanAttributes) != 0) return;
    do {
        list.add(info.name);  // refuses hidden names and names past the 256th
    } while (al_findnext(&info) == 0);
    al_findclose(&info);
}

MatchSession::MatchSession() : logic_(SCREEN_W, SCREEN_H) {}

MatchSession::~MatchSession() = default;

void MatchSession::loadBackground() {
    FileList names;
    scanFileList(names, BackgroundPattern);
    const char* picked = names.pick();  // the match's one random draw for it
    loadFirstUsable(names, picked, BackgroundDirectory, FallbackBackground, [this](const char* path) {
        background_ = loadOptionalPicture(path);
        return background_ != nullptr;
    });
}

void MatchSession::loadMusic() {
    FileList names;
    scanFileList(names, MusicPattern);
    loadSongFromList(
        Music, GameSongSlot, MusicDirectory, names.count(), [&names](int i) { return names.name(i); },
        [](int lo, int hi) { return Random.randomInt(lo, hi); });
}

void MatchSession::load() {
    // 1. The back buffer every frame is composed in.
    backBuffer_ = create_bitmap(SCREEN_W, SCREEN_H);
    if (backBuffer_) clear_bitmap(backBuffer_);

    // 2. A random background; when it is refused, the next one that loads,
    // or the fallback.
    loadBackground();

    // 3. Flags.
    loaded_ = true;
    shutDown_ = false;

    // 4. Pictures and sound effects in slot order.  Every picture is needed
    // to draw the match: without them the game stops here, naming them all.
    std::string missing;
    bool picturesLoaded = loadPictureBanks(&missing);
    if (!backBuffer_) missing += "\n  (no memory for a screen-sized picture)";
    if (!picturesLoaded || !backBuffer_) {
        reportMissingData(missing);
        loadFailed_ = true;
        QuitFlag.store(1);
        return;
    }
    for (const char* file : SampleFiles) GameSamples.add(file);
    setSoundCueHandler(playCue);
    setJoystickReader(readJoystick);

    // 5. One random song from the music folder; none when it is empty.
    loadMusic();

    // 6-9. Board placement, round reset and "Round 1".
    logic_.hooks.musicStep = musicStep;
    logic_.hooks.screenshot = screenshotHook;
    logic_.hooks.context = this;
    logic_.versus = Config.versus;
    logic_.versus.joystick = num_joysticks > 0;
    logic_.beginLoad();

    // 10. The music.
    Music.playSong(GameSongSlot);
    Music.setVolume(GameSongSlot, GameMusicVolume);

    // 11-12. Pointer fade and the pause panel with its sounds.
    logic_.finishLoad();
    PanelSounds.load();
}

void MatchSession::runLogicStep() {
    copyLiveInput();
    logic_.step();
    if (logic_.quitRequested()) QuitFlag.store(1);
    ++LogicStepsRun;
}

void MatchSession::draw() {
    // 0. Nothing drawn has changed since the last frame: the screen, and the
    // back buffer F9 saves, already show it.
    if (!frameGate_.needed({LogicStepsRun, mouse_x, mouse_y, pointerShown(Pointer)})) return;
    // 1-5. Background, board 0 with its HUD, particles and messages, board 1
    // in versus, the session's messages, the pause panel, the pointer;
    // 6. onto the screen.  Only the areas that can have changed are put
    // back, drawn over and copied (render/frame_compose.h).
    FrameParts parts;
    parts.background = background_;
    parts.boards[0] = &logic_.boards[0];
    if (logic_.versusOn()) parts.boards[1] = &logic_.boards[1];
    parts.messages = &logic_.messages;
    parts.panel = &logic_.panel;
    parts.pointer = &Pointer;
    parts.pointerSprite = mouse_sprite;
    parts.pointerX = mouse_x;
    parts.pointerY = mouse_y;
    composer_.show(parts, backBuffer_, screen);
    ++FramesDrawn;
}

bool MatchSession::tick() {
    if (!loaded_) load();
    if (loadFailed_) return true;
    if (TickCounter.load() > 0) {
        runLogicStep();
        TickCounter.fetch_sub(1);
    }
    draw();
    clear_keybuf();
    return true;
}

void MatchSession::shutdown() {
    if (shutDown_) return;
    destroy_bitmap(backBuffer_);
    backBuffer_ = nullptr;
    destroy_bitmap(background_);
    background_ = nullptr;
    logic_.messages.clear();
    clearTextCache();
    freePictureBanks();
    GameSamples.free();
    logic_.boards[0].particles.clear();
    logic_.boards[0].messages.clear();
    logic_.boards[1].particles.clear();
    logic_.boards[1].messages.clear();
    PanelSounds.free();
    setSoundCueHandler(nullptr);
    shutDown_ = true;
}

} // namespace tessaron
