// tessaron-assets: writes the game's whole data folder (pictures, sounds and
// music, all made here) into the folder given on the command line, and on
// request a contact sheet of the sprites and the menu icons (PNG, as
// <icon-dir>/<N>x<N>/apps/tessaron.png).  Same bytes on every run.
//
//   tessaron-assets [<out-dir>] [--contact-sheet <file.bmp>] [--icons <icon-dir>]
//
// Exit status 0 on success; 1 with a message on standard error when the
// arguments are wrong or a file cannot be written.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "assets/backgrounds.h"
#include "assets/icons.h"
#include "assets/music.h"
#include "assets/sounds.h"
#include "assets/sprites.h"

namespace tessaron::assets {
namespace {

// Creates the file's folder and reports a failed write once, by name.
class Output {
public:
    explicit Output(std::string root) : root(std::move(root)) {}

    template <typename Writer>
    void write(const std::string& relative, Writer writer)
    {
        const std::filesystem::path path = std::filesystem::path(root) / relative;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (!writer(path.string())) {
            std::fprintf(stderr, "tessaron-assets: cannot write %s\n", path.string().c_str());
            failed = true;
        }
    }

    bool ok() const { return !failed; }

private:
    std::string root;
    bool failed = false;
};

int usage()
{
    std::fprintf(stderr, "usage: tessaron-assets [<out-dir>] [--contact-sheet <file.bmp>] [--icons <icon-dir>]\n");
    return 1;
}

int run(int argc, char** argv)
{
    std::string dataDir, contactSheet, iconDir;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--contact-sheet") == 0 && hasValue)
            contactSheet = argv[++i];
        else if (std::strcmp(argv[i], "--icons") == 0 && hasValue)
            iconDir = argv[++i];
        else if (argv[i][0] != '-' && dataDir.empty())
            dataDir = argv[i];
        else
            return usage();
    }
    if (dataDir.empty() && contactSheet.empty() && iconDir.empty())
        return usage();

    bool ok = true;
    const std::vector<Sprite> sprites = makeSprites();
    if (!dataDir.empty()) {
        Output out(dataDir);
        for (const Sprite& s : sprites)
            out.write(s.path, [&](const std::string& p) { return writeBmp(p, s.image); });
        for (const Background& b : makeBackgrounds())
            out.write(b.path, [&](const std::string& p) { return writeBmp(p, b.image); });
        for (const SoundEffect& e : makeSoundEffects())
            out.write(e.path, [&](const std::string& p) { return writeWav(p, e.samples); });
        for (const Module& m : makeMusic())
            out.write(m.path, [&](const std::string& p) { return m.bytes.save(p); });
        ok = out.ok();
    }
    if (!contactSheet.empty()) {
        Output sheet(".");
        sheet.write(contactSheet, [&](const std::string& p) { return writeBmp(p, makeContactSheet(sprites)); });
        ok = ok && sheet.ok();
    }
    if (!iconDir.empty()) {
        Output icons(iconDir);
        for (int size : kIconSizes) {
            const std::string name = std::to_string(size) + "x" + std::to_string(size) + "/apps/tessaron.png";
            icons.write(name, [&](const std::string& p) { return writePng(p, makeIcon(size)); });
        }
        ok = ok && icons.ok();
    }
    return ok ? 0 : 1;
}

} // namespace
} // namespace tessaron::assets

int main(int argc, char** argv) { return tessaron::assets::run(argc, argv); }
