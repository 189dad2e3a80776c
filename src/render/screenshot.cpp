#include "render/screenshot.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaron {

namespace {

// A write-only PACKFILE over a descriptor, buffered.  The first write that
// fails ends the save: later bytes are dropped without another system call,
// so a full disk costs one failed write, not one per byte.
struct FileWriter {
    int fd;
    bool failed;
    std::size_t used;
    unsigned char buffer[1 << 16];
};
FileWriter& writer(void* user) { return *static_cast<FileWriter*>(user); }

void flushWriter(FileWriter& w) {
    std::size_t done = 0;
    while (!w.failed && done < w.used) {
        const ssize_t n = write(w.fd, w.buffer + done, w.used - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) w.failed = true;
        else done += static_cast<std::size_t>(n);
    }
    w.used = 0;
}

int writerPutc(int c, void* user) {
    FileWriter& w = writer(user);
    if (w.failed) return EOF;
    w.buffer[w.used++] = static_cast<unsigned char>(c);
    if (w.used == sizeof w.buffer) flushWriter(w);
    return w.failed ? EOF : c;
}
long writerWrite(const void* data, long n, void* user) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (long i = 0; i < n; ++i) {
        if (writerPutc(bytes[i], user) == EOF) return i;
    }
    return n;
}
int writerClose(void*) { return 0; }
int writerGetc(void*) { return EOF; }
int writerUngetc(int, void*) { return EOF; }
long writerRead(void*, long, void*) { return 0; }
int writerSeek(void*, int) { return -1; }
int writerEof(void*) { return 0; }
int writerError(void* user) { return writer(user).failed ? 1 : 0; }
const PACKFILE_VTABLE WriterVtable = {writerClose, writerGetc,  writerUngetc, writerRead, writerPutc,
                                      writerWrite, writerSeek, writerEof,    writerError};

// Writes the frame as a BMP to a new file `path`; false (and no file) when
// any write fails.
bool writeBmp(BITMAP* frame, const char* path) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    static FileWriter w;  // 64 KiB: kept off the stack
    w.fd = fd;
    w.failed = false;
    w.used = 0;
    PACKFILE* file = pack_fopen_vtable(&WriterVtable, &w);
    bool ok = file != nullptr;
    if (file) {
        save_bmp_pf(file, frame, nullptr);
        pack_fclose(file);
        flushWriter(w);
        ok = !w.failed;
    }
    if (close(fd) != 0) ok = false;
    if (!ok) unlink(path);
    return ok;
}

} // namespace

bool saveScreenshot(BITMAP* frame) { return saveScreenshotTo(frame, "screenshots"); }

bool saveScreenshotTo(BITMAP* frame, const char* folder) {
    if (!frame || !folder) return false;
    if (mkdir(folder, 0777) != 0 && errno != EEXIST) return false;
    char path[512];
    char partial[600];
    const int n = std::snprintf(path, sizeof path, "%s/tessaron.bmp", folder);
    if (n < 0 || n >= static_cast<int>(sizeof path)) return false;
    // Something other than a file (or a link) in the screenshot's place,
    // say a pipe or a folder, is not ours to replace.
    struct stat info;
    if (lstat(path, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) return false;
    // The frame goes to a new file beside the old screenshot and replaces
    // it only once complete, so a full disk never leaves a cut picture.
    std::snprintf(partial, sizeof partial, "%s/.tessaron.bmp.%ld.part", folder, static_cast<long>(getpid()));
    unlink(partial);  // a leftover of an earlier run killed mid-save
    if (!writeBmp(frame, partial)) return false;
    if (rename(partial, path) != 0) {
        unlink(partial);
        return false;
    }
    return true;
}

} // namespace tessaron
