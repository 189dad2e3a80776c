// tessaron-assets: writes the game's whole data folder (pictures, sounds and
// music, all made here) into the folder given on the command line, and on
// request a contact sheet of the sprites.  Same bytes on every run.
//
//   tessaron-assets <out-dir> [--contact-sheet <file.bmp>]
//
// Exit status 0 on success; 1 with a message on standard error when the
// arguments are wrong or a file cannot be written.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "assets/backgrounds.h"
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

int run(int argc, char** argv)
{
    std::string contactSheet;
    if (argc == 4 && std::strcmp(argv[2], "--contact-sheet") == 0)
        contactSheet = argv[3];
    else if (argc != 2) {
        std::fprintf(stderr, "usage: tessaron-assets <out-dir> [--contact-sheet <file.bmp>]\n");
        return 1;
    }
    Output out(argv[1]);

    const std::vector<Sprite> sprites = makeSprites();
    for (const Sprite& s : sprites)
        out.write(s.path, [&](const std::string& p) { return writeBmp(p, s.image); });
    for (const Background& b : makeBackgrounds())
        out.write(b.path, [&](const std::string& p) { return writeBmp(p, b.image); });
    for (const SoundEffect& e : makeSoundEffects())
        out.write(e.path, [&](const std::string& p) { return writeWav(p, e.samples); });
    for (const Module& m : makeMusic())
        out.write(m.path, [&](const std::string& p) { return m.bytes.save(p); });

    if (!contactSheet.empty()) {
        Output sheet(".");
        sheet.write(contactSheet, [&](const std::string& p) { return writeBmp(p, makeContactSheet(sprites)); });
        return out.ok() && sheet.ok() ? 0 : 1;
    }
    return out.ok() ? 0 : 1;
}

} // namespace
} // namespace tessaron::assets

int main(int argc, char** argv) { return tessaron::assets::run(argc, argv); }
