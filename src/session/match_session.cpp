#include "session/match_session.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "audio/audio_system.h"
#include "render/bitmap_bank.h"
#include "render/bmp_file.h"
#include "render/frame_compose.h"
#include "render/pointer_draw.h"
#include "render/screenshot.h"
#include "render/text_cache.h"
#include "board/sound_cue.h"
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
bool readJoystick(int joystick, int input) {
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
    return (negative ? stick.axis[axis].d1 : stick.axis[axis].d2) != 0;
}

// The ten inputs of one joystick as the bits of a step input's word.
std::uint16_t joystickWord(int joystick) {
    std::uint16_t word = 0;
    for (int i = 0; i < JoyInputs; ++i)
        if (readJoystick(joystick, i)) word = static_cast<std::uint16_t>(word | 1u << i);
    return word;
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

MatchSession::MatchSession() : state_(SCREEN_W, SCREEN_H) {}

MatchSession::~MatchSession() = default;

void MatchSession::loadBackground() {
    FileList names;
    scanFileList(names, BackgroundPattern);
    const char* picked = names.pick(state_.random);
    if (picked) {
        char path[512];
        std::snprintf(path, sizeof path, "%s%s", BackgroundDirectory, picked);
        background_ = loadCheckedBmp(path);
    } else {
        background_ = loadCheckedBmp(FallbackBackground);
    }
}

void MatchSession::loadMusic() {
    FileList names;
    scanFileList(names, MusicPattern);
    loadSongFromList(
        Music, GameSongSlot, MusicDirectory, names.count(), [&names](int i) { return names.name(i); },
        [this](int lo, int hi) { return state_.random.randomInt(lo, hi); });
}

void MatchSession::load() {
    // The back buffer every frame is composed in.
    backBuffer_ = create_bitmap(SCREEN_W, SCREEN_H);
    if (backBuffer_) clear_bitmap(backBuffer_);

    // A random background, or the fallback when the folder is empty.
    loadBackground();

    // Flags.
    loaded_ = true;
    shutDown_ = false;

    // Pictures and sound effects in slot order.  Every picture is needed
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

    // One random song from the music folder; none when it is empty.
    loadMusic();

    // Online: the match starts once an opponent is there.
    if (Config.online.on) {
        net::OnlineSettings online = Config.online;
        online.screenWidth = SCREEN_W;
        online.screenHeight = SCREEN_H;
        online_.reset(new net::OnlinePlay(online));
    }

    // Board placement, round reset and "Round 1".
    state_.versus = Config.versus;
    state_.versus.joystick = num_joysticks > 0;
    state_.beginLoad();

    // The music.
    Music.playSong(GameSongSlot);
    Music.setVolume(GameSongSlot, GameMusicVolume);

    // Pointer fade and the pause panel with its sounds.
    state_.finishLoad();
    PanelSounds.load();
}

namespace {
// Allegro's keyboard and mouse now.
LiveInput readLiveInput() {
    LiveInput live;
    for (int i = 0; i < KeyCount; ++i) live.keys[i] = key[i] ? 1 : 0;
    copyMouseButtons(live);
    return live;
}
} // namespace

// The step's input is read once, before the step: Allegro's keyboard and
// mouse, and each side's joystick.
void MatchSession::runLogicStep() {
    StepInput input = state_.keyboardInput(readLiveInput());
    for (int side = 0; side < 2; ++side) input.joysticks[side] = joystickWord(state_.joysticks[side].joystick);
    carryOut(state_.step(input));
    ++LogicStepsRun;
}

// An owed tick online: a step of the match over the network, or a wait for
// the other side (a tick waited is not owed again); F9 saves the frame in
// a wait too.
void MatchSession::runOnlineStep() {
    const LiveInput live = readLiveInput();
    StepEvents events;
    if (online_->tick(live, events)) {
        carryOut(events);
        ++LogicStepsRun;
    } else if (live.keys[ScanF9]) {
        saveScreenshot(backBuffer_);
    }
    if (online_->quitRequested()) QuitFlag.store(1);
}

// What the step asked for: the screenshot of the frame shown before it (the
// back buffer), its sounds in order, the music's step, the quit.
void MatchSession::carryOut(const StepEvents& events) {
    if (events.screenshot) saveScreenshot(backBuffer_);
    for (int i = 0; i < events.sounds.count; ++i) playCue(events.sounds.cues[i]);
    if (events.musicStep) Music.update();
    if (events.quit) QuitFlag.store(1);
}

void MatchSession::draw() {
    // Nothing drawn has changed since the last frame: the screen, and the
    // back buffer F9 saves, already show it.
    const MatchState* shown = online_ ? online_->shown() : &state_;
    const std::string status = online_ ? online_->status() : "", notice = online_ ? online_->notice() : "";
    const std::uint64_t overlay = std::hash<std::string>()(status + '\n' + notice);
    if (!frameGate_.needed({LogicStepsRun, mouse_x, mouse_y, shown && pointerShown(shown->pointer), overlay})) return;
    // Background, board 0 with its HUD, particles and messages, board 1 in
    // versus, the session's messages, the pause panel, the pointer; then
    // onto the screen.  Only the areas that can have changed are put
    // back, drawn over and copied (render/frame_compose.h).
    FrameParts parts;
    parts.background = background_;
    if (shown) {
        parts.boards[0] = &shown->boards[0];
        if (shown->versusOn()) parts.boards[1] = &shown->boards[1];
        parts.players = shown->players;
        parts.messages = &shown->messages;
        parts.panel = &shown->panel;
        parts.pointer = &shown->pointer;
        parts.pointerSprite = mouse_sprite;
        parts.pointerX = mouse_x;
        parts.pointerY = mouse_y;
    }
    parts.status = status.c_str();
    parts.notice = notice.c_str();
    composer_.show(parts, backBuffer_, screen);
    ++FramesDrawn;
}

bool MatchSession::tick() {
    if (!loaded_) load();
    if (loadFailed_) return true;
    if (online_) online_->poll();
    if (TickCounter.load() > 0) {
        if (online_) runOnlineStep();
        else runLogicStep();
        TickCounter.fetch_sub(1);
    }
    draw();
    clear_keybuf();
    return true;
}

void MatchSession::shutdown() {
    if (shutDown_) return;
    online_.reset();  // a match in progress is left with a goodbye
    destroy_bitmap(backBuffer_);
    backBuffer_ = nullptr;
    destroy_bitmap(background_);
    background_ = nullptr;
    state_.messages.clear();
    clearTextCache();
    freePictureBanks();
    GameSamples.free();
    state_.boards[0].particles.clear();
    state_.boards[0].messages.clear();
    state_.boards[1].particles.clear();
    state_.boards[1].messages.clear();
    PanelSounds.free();
    shutDown_ = true;
}

} // namespace tessaron
