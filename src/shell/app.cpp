#include "shell/app.h"

#include <allegro.h>

#include <cstdio>
#include <string>

#include <unistd.h>

#include "audio/audio_system.h"
#include "session/match_session.h"
#include "shell/command_line.h"
#include "shell/globals.h"

// The logic's copies of the scancodes must match Allegro's.
static_assert(tessaron::ScanQ == KEY_Q && tessaron::ScanF9 == KEY_F9 && tessaron::ScanEsc == KEY_ESC &&
              tessaron::ScanTab == KEY_TAB && tessaron::ScanEnter == KEY_ENTER && tessaron::ScanSpace == KEY_SPACE &&
              tessaron::ScanLeft == KEY_LEFT && tessaron::ScanRight == KEY_RIGHT && tessaron::ScanUp == KEY_UP &&
              tessaron::ScanDown == KEY_DOWN && tessaron::ScanLShift == KEY_LSHIFT && tessaron::ScanA == KEY_A &&
              tessaron::ScanD == KEY_D && tessaron::ScanE == KEY_E && tessaron::ScanS == KEY_S &&
              tessaron::ScanW == KEY_W,
              "scancode constants of the logic differ from Allegro's");

namespace tessaron {
namespace {

constexpr const char* ConfigPath = "cfg/config.cfg";
constexpr const char* BodyFontPath = "data/fonts/trebuc.ttf";
constexpr const char* TitleFontPath = "data/fonts/BNKGOTHM.ttf";
constexpr int LogicStepsPerSecond = 25;

bool AllegroUp = false;

// Runs on Allegro's timer thread.
void tickCallback() { TickCounter.fetch_add(1); }
END_OF_FUNCTION(tickCallback)

// Runs when the window's close button is pressed.
void quitCallback() { QuitFlag.store(1); }
END_OF_FUNCTION(quitCallback)

// Sets the configured mode, or reports why it cannot be set.
bool setGraphicsMode(const GameConfig& config) {
    int driver = config.fullscreen > 0 ? GFX_AUTODETECT_FULLSCREEN : GFX_AUTODETECT_WINDOWED;
    if (!screenSizeUsable(config.screenWidth, config.screenHeight)) {
        // X accepts any size, even zero or negative, but the game's
        // screen-sized bitmaps could then not be made.
        char text[200];
        std::snprintf(text, sizeof text, "Unsupported screen size %d x %d in %s (each side must be 1 to %d pixels)",
                      config.screenWidth, config.screenHeight, ConfigPath, MaxScreenSide);
        reportFatal(text);
        return false;
    }
    if (set_gfx_mode(driver, config.screenWidth, config.screenHeight, 0, 0) != 0) {
        std::string text = allegro_error;
        if (text.empty()) text = "Unable to set the graphics mode";
        reportFatal(text.c_str());
        return false;
    }
    return true;
}

// Opens both font sets; every file that cannot be opened is named.
bool loadFonts() {
    std::string missing;
    const std::string why = ": missing, unreadable or not a TrueType font";
    if (!loadFontSet(BodyFonts, BodyFontPath)) missing += "\n  " + (BodyFontPath + why);
    if (!loadFontSet(TitleFonts, TitleFontPath)) missing += "\n  " + (TitleFontPath + why);
    if (missing.empty()) return true;
    reportMissingData(missing);
    return false;
}

// Returns false when the match could not load its required data.
bool runMainLoop() {
    MatchSession* session = new MatchSession();
    while (QuitFlag.load() == 0) {
        poll_joystick();
        session->tick();
        rest(1);
    }
    bool loadedWell = !session->loadFailed();
    if (session->loaded()) session->shutdown();
    delete session;
    return loadedWell;
}

void shutDown(const GameConfig& config) {
    releaseFontSet(BodyFonts);
    releaseFontSet(TitleFonts);
    stopTextLayer();
    clear_keybuf();
    remove_int(tickCallback);
    allegro_exit();
    AllegroUp = false;
    if (config.sound != 0) closeAudio();
}

} // namespace

void reportFatal(const char* text) {
    std::fprintf(stderr, "Tessaron: %s\n", text);
    std::fflush(stderr);
    if (AllegroUp) {
        // The message box needs the text mode back.
        set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
        allegro_message("%s\n", text);
    }
}

void reportMissingData(const std::string& files) {
    // The paths are relative: name the folder they were looked for in.
    char folder[4096];
    const char* where = getcwd(folder, sizeof folder) ? folder : "(a folder whose name cannot be read)";
    reportFatal(("Tessaron cannot start: these data files cannot be used (paths relative to the "
                 "working directory " + std::string(where) + "):" + files).c_str());
}

int runApplication(int argc, const char* const* argv) {
    // 0. The command line: --help, --version or a refused option end the
    // program here, before anything of Allegro opens a window.
    const CommandLine options = parseCommandLine(argc, argv);
    if (options.mode != RunMode::Play) return finishWithoutPlaying(options);

    // 1. Allegro itself.  Without a display (or any system driver) nothing
    // else of Allegro may be called.
    if (allegro_init() != 0) {
        std::string text = allegro_error;
        if (text.empty()) text = "Allegro could not start (is there a display?)";
        reportFatal(text.c_str());
        return -1;
    }
    AllegroUp = true;

    // 2-3. Settings, the options over them, and colour depth.  Two boards
    // on a smaller screen would overlap: that is refused rather than drawn.
    Config = readGameConfig(ConfigPath);
    options.applyTo(Config);
    if (Config.versus.opponent != 0 &&
        (Config.screenWidth < MinVersusWidth || Config.screenHeight < MinVersusHeight)) {
        char text[300];
        std::snprintf(text, sizeof text,
                      "A versus match needs a screen of at least %d x %d, not %d x %d: choose a larger size "
                      "(--size, or screen_width and screen_height in %s) or play alone (--versus off)",
                      MinVersusWidth, MinVersusHeight, Config.screenWidth, Config.screenHeight, ConfigPath);
        reportFatal(text);
        return 2;
    }
    set_color_depth(Config.vidQuality);

    // 4-6. Window callbacks, title and the graphics mode.
    LOCK_FUNCTION(quitCallback);
    set_close_button_callback(quitCallback);
    set_window_title("Tessaron");
    if (!setGraphicsMode(Config)) return -1;

    // 7-8. Input drivers and the 25 Hz tick.
    install_timer();
    install_keyboard();
    install_mouse();
    install_joystick(JOY_TYPE_AUTODETECT);
    LOCK_VARIABLE(TickCounter);
    LOCK_FUNCTION(tickCallback);
    install_int_ex(tickCallback, BPS_TO_TIMER(LogicStepsPerSecond));

    // 9-10. Audio and the text layer.
    if (Config.sound != 0) startAudio();
    startTextLayer();

    // 11. Something on screen while the fonts and the match load.
    textout_ex(screen, font, "Loading", 0, 0, makecol(255, 255, 255), 0);

    // 12-13. The fonts.
    if (!loadFonts()) {
        shutDown(Config);
        return 1;
    }

    // 14-15. The match, then the orderly shut-down.
    bool loadedWell = runMainLoop();
    freeMusicAndSamples();
    shutDown(Config);
    return loadedWell ? 0 : 1;
}

} // namespace tessaron
