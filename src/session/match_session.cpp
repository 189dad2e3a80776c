#include "session/match_session.h"

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

// Replays are written beside the screenshots.
constexpr const char* ReplayFolder = "replays";
// A recording's problem stays on screen for 5 seconds.
constexpr std::int64_t StatusSteps = 125;
constexpr std::uint64_t StepsPerSecond = 25;

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

MatchSession::MatchSession()
    : state_(SCREEN_W, SCREEN_H), watching_(!Config.replay.empty() || Config.replayLast) {}

MatchSession::~MatchSession() = default;

void MatchSession::loadBackground() {
    FileList names;
    scanFileList(names, BackgroundPattern);
    const char* picked = names.pick(watching_ ? pickRandom_ : state_.random);  // the one random draw for it
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
        [this](int lo, int hi) { return (watching_ ? pickRandom_ : state_.random).randomInt(lo, hi); });
}

void MatchSession::load() {
    // The back buffer every frame is composed in.
    backBuffer_ = create_bitmap(SCREEN_W, SCREEN_H);
    if (backBuffer_) clear_bitmap(backBuffer_);

    // A random background; when it is refused, the next one that loads,
    // or the fallback.
    if (watching_) startWatching();
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
    if (Config.online.on && !watching_) {
        net::OnlineSettings online = Config.online;
        online.screenWidth = SCREEN_W;
        online.screenHeight = SCREEN_H;
        online_.reset(new net::OnlinePlay(online));
    }

    // Board placement, round reset and "Round 1" (a replay brings its own
    // versus settings).
    if (!replay_) {
        state_.versus = Config.versus;
        state_.versus.joystick = num_joysticks > 0;
    }
    state_.beginLoad();

    // The music.
    Music.playSong(GameSongSlot);
    Music.setVolume(GameSongSlot, GameMusicVolume);

    // Pointer fade and the pause panel with its sounds.
    state_.finishLoad();
    PanelSounds.load();

    // A replay's earlier matches run at once; or the recording starts.
    if (watching_) finishWatching();
    if (!watching_ && !online_ && (Config.recordReplays || !Config.recordPath.empty()))
        recording_.reset(new MatchRecording(state_, Config.recordReplays ? ReplayFolder : "", Config.recordPath));
}

// Before the picks: the replay is read and the match set up as it was
// recorded; a replay that cannot be read leaves the session showing why.
void MatchSession::startWatching() {
    replay_.reset(new Replay);
    const std::string path = Config.replayLast ? newestReplay(ReplayFolder) : Config.replay;
    std::string problem = path.empty() ? std::string("there is no replay in ") + ReplayFolder + "/ yet"
                                       : loadReplay(path, *replay_);
    if (problem.empty()) {
        state_ = replayState(replay_->header, SCREEN_W, SCREEN_H);
        pickRandom_ = state_.random;
        problem = catchUpStartDraws(state_, replay_->header);
    }
    if (problem.empty()) return;
    std::fprintf(stderr, "Tessaron: cannot play the replay: %s\n", problem.c_str());
    notice_ = "Cannot play the replay: " + problem;
    replay_.reset();
    state_ = MatchState(SCREEN_W, SCREEN_H);
    pickRandom_ = state_.random;
}

// The loaded state is the playback's start (its first snapshot).
void MatchSession::finishWatching() {
    if (!replay_) return;
    player_.reset(new ReplayPlayer(*replay_, state_));
    player_->leadIn();
    updateWatchLines();
}

void MatchSession::reportRecording(const std::string& problem) {
    if (problem.empty()) return;
    std::fprintf(stderr, "Tessaron: the replay was not saved: %s\n", problem.c_str());
    status_ = "Replay not saved: " + problem;
    statusUntil_ = LogicStepsRun + StatusSteps;
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
    const StepEvents events = state_.step(input);
    carryOut(events);
    if (recording_) reportRecording(recording_->afterStep(input, events, state_));
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
    status_ = online_->status();
    notice_ = online_->notice();
}

// One owed tick of watching: the watcher's keys (F9 saves the frame as in
// play), then as many steps as the speed asks for (none while paused or
// once the replay has ended).
void MatchSession::watchTick() {
    const bool escape = key[KEY_ESC] != 0, q = key[KEY_Q] != 0;
    const bool ended = !player_ || player_->atEnd() || !player_->problem().empty();
    if ((escape && key[KEY_LSHIFT]) || (q && !qWasDown_ && (watch_.paused() || ended))) QuitFlag.store(1);
    if (escape && !escapeWasDown_) {
        if (ended) QuitFlag.store(1);
        else watch_.setPaused(!watch_.paused());
    }
    escapeWasDown_ = escape;
    qWasDown_ = q;
    if (key[KEY_F9]) saveScreenshot(backBuffer_);
    if (!player_) return;
    const WatchCommand command = watch_.tick({key[KEY_SPACE] != 0, key[KEY_RIGHT] != 0, key[KEY_UP] != 0,
                                              key[KEY_LEFT] != 0});
    if (command.jumpBack) {
        player_->jumpBack(WatchControl::JumpBackSteps);
        ++LogicStepsRun;
    }
    for (int i = 0; i < command.steps; ++i) {
        StepEvents events;
        if (!player_->step(&events)) break;
        carryOut(events, false);
        ++LogicStepsRun;
    }
    if (!player_->problem().empty() && notice_.empty())
        std::fprintf(stderr, "Tessaron: replay stopped: %s\n", player_->problem().c_str());
    updateWatchLines();
}

// "Replay 1:05 / 3:10  x4", and the notice once the replay has ended (the
// whole problem of a digest that disagreed went to stderr).
void MatchSession::updateWatchLines() {
    const std::uint64_t length = replay_->lastStep + 1 - replay_->header.firstStep;
    const std::uint64_t at = player_->matchSteps() / StepsPerSecond, total = length / StepsPerSecond;
    char text[96];
    std::snprintf(text, sizeof text, "Replay %llu:%02llu / %llu:%02llu  %s", static_cast<unsigned long long>(at / 60),
                  static_cast<unsigned long long>(at % 60), static_cast<unsigned long long>(total / 60),
                  static_cast<unsigned long long>(total % 60),
                  watch_.paused() ? "paused" : watch_.speed() == 16 ? "x16" : watch_.speed() == 4 ? "x4" : "x1");
    status_ = text;
    if (!player_->problem().empty())
        notice_ = "Replay stopped after step " + std::to_string(player_->stepsRun()) + ": it disagrees with this game";
    else if (player_->atEnd()) notice_ = replay_->finished ? "End of replay" : "End of replay (unfinished match)";
    else notice_.clear();
}

// What the step asked for: the screenshot of the frame shown before it (the
// back buffer), its sounds in order, the music's step, the quit.
// A replay's quit ends only the replay (the file ends there).
void MatchSession::carryOut(const StepEvents& events, bool live) {
    if (events.screenshot) saveScreenshot(backBuffer_);
    for (int i = 0; i < events.sounds.count; ++i) playCue(events.sounds.cues[i]);
    if (events.musicStep) Music.update();
    if (events.quit && live) QuitFlag.store(1);
}

void MatchSession::draw() {
    // Nothing drawn has changed since the last frame: the screen, and the
    // back buffer F9 saves, already show it.
    if (!watching_ && !online_ && LogicStepsRun >= statusUntil_) status_.clear();
    // Online, the match shown is the one played over the network (none
    // while waiting for it).
    const MatchState* shown = online_ ? online_->shown() : &state_;
    if (online_) {
        status_ = online_->status();
        notice_ = online_->notice();
    }
    const std::uint64_t overlay = std::hash<std::string>()(status_ + '\n' + notice_);
    if (!frameGate_.needed({LogicStepsRun, mouse_x, mouse_y, shown && pointerShown(shown->pointer), overlay})) return;
    // Background, board 0 with its HUD, particles and messages, board 1 in
    // versus, the session's messages, the pause panel, the pointer; then
    // onto the screen.  Only the areas that can have changed are put
    // back, drawn over and copied (render/frame_compose.h).
    FrameParts parts;
    parts.background = background_;
    // A replay that cannot be played shows only why.
    const bool match = shown && (!watching_ || player_);
    if (!shown) shown = &state_;
    parts.boards[0] = match ? &shown->boards[0] : nullptr;
    if (match && shown->versusOn()) parts.boards[1] = &shown->boards[1];
    parts.players = shown->players;
    parts.matchesWon = shown->matchesWon;
    parts.messages = match ? &shown->messages : nullptr;
    parts.panel = match ? &shown->panel : nullptr;
    parts.status = status_.c_str();
    parts.notice = notice_.c_str();
    parts.pointer = &shown->pointer;
    parts.pointerSprite = mouse_sprite;
    parts.pointerX = mouse_x;
    parts.pointerY = mouse_y;
    composer_.show(parts, backBuffer_, screen);
    ++FramesDrawn;
}

bool MatchSession::tick() {
    if (!loaded_) load();
    if (loadFailed_) return true;
    if (online_) online_->poll();
    if (TickCounter.load() > 0) {
        if (watching_) watchTick();
        else if (online_) runOnlineStep();
        else runLogicStep();
        TickCounter.fetch_sub(1);
    }
    draw();
    clear_keybuf();
    return true;
}

void MatchSession::shutdown() {
    if (shutDown_) return;
    // The match under way is kept as an unfinished one.
    if (recording_) {
        const std::string problem = recording_->finish(state_);
        if (!problem.empty()) std::fprintf(stderr, "Tessaron: the replay was not saved: %s\n", problem.c_str());
        recording_.reset();
    }
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
