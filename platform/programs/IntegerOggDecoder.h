// The integer Ogg Vorbis decoder that the game's floating-point decoder is held against (the sound tests) and
// measured against (the sound benchmark); for those programs only, never linked into the game.
//
// The two libraries export the same function names, so the integer one is loaded at run time into a link namespace
// of its own: its calls into itself stay there and never reach the game's decoder.
#pragma once

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace SoundTest
{

class IntegerOggDecoder
{
public:
    IntegerOggDecoder()
    {
        mLibrary = dlmopen(LM_ID_NEWLM, "libvorbisidec.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!mLibrary) return;
        mOpen = reinterpret_cast<OpenFunction>(dlsym(mLibrary, "ov_open_callbacks"));
        mRead = reinterpret_cast<ReadFunction>(dlsym(mLibrary, "ov_read"));
        mClear = reinterpret_cast<ClearFunction>(dlsym(mLibrary, "ov_clear"));
        if (!mOpen || !mRead || !mClear) mRead = nullptr;
    }
    ~IntegerOggDecoder()
    {
        if (mLibrary) dlclose(mLibrary);
    }
    IntegerOggDecoder(const IntegerOggDecoder&) = delete;
    IntegerOggDecoder& operator=(const IntegerOggDecoder&) = delete;

    bool Loaded() const { return mRead != nullptr; }

    // The whole file as interleaved signed 16-bit samples; false when it does not open or a read fails.
    bool Decode(const std::string& bytes, std::vector<int16_t>& out) const
    {
        out.clear();
        if (!Loaded()) return false;
        Memory memory{&bytes, 0};
        // The library's file state is under 1 KB; its layout is its own business.
        auto state = std::make_unique<FileState>();
        if (mOpen(&memory, state.get(), nullptr, 0, {&Memory::Read, &Memory::Seek, &Memory::Close, &Memory::Tell}) < 0)
            return false;
        char buffer[8192];
        int section = 0;
        long n;
        while ((n = mRead(state.get(), buffer, sizeof buffer, &section)) > 0)
        {
            const size_t at = out.size();
            out.resize(at + static_cast<size_t>(n) / 2);
            std::memcpy(&out[at], buffer, static_cast<size_t>(n));
        }
        mClear(state.get());
        return n == 0;
    }

private:
    struct Memory
    {
        const std::string* bytes;
        size_t pos;
        static size_t Read(void* out, size_t size, size_t count, void* self)
        {
            auto* m = static_cast<Memory*>(self);
            const size_t n = std::min(size * count, m->bytes->size() - m->pos) / size;
            std::memcpy(out, m->bytes->data() + m->pos, n * size);
            m->pos += n * size;
            return n;
        }
        static int Seek(void* self, int64_t offset, int whence)
        {
            auto* m = static_cast<Memory*>(self);
            const int64_t base = whence == SEEK_CUR   ? static_cast<int64_t>(m->pos)
                                 : whence == SEEK_END ? static_cast<int64_t>(m->bytes->size())
                                                      : 0;
            if (base + offset < 0 || base + offset > static_cast<int64_t>(m->bytes->size())) return -1;
            m->pos = static_cast<size_t>(base + offset);
            return 0;
        }
        static int Close(void*) { return 0; }
        static long Tell(void* self) { return static_cast<long>(static_cast<Memory*>(self)->pos); }
    };
    struct Callbacks
    {
        size_t (*read)(void*, size_t, size_t, void*);
        int (*seek)(void*, int64_t, int);
        int (*close)(void*);
        long (*tell)(void*);
    };
    struct FileState
    {
        alignas(16) unsigned char bytes[4096];
    };
    using OpenFunction = int (*)(void*, FileState*, const char*, long, Callbacks);
    using ReadFunction = long (*)(FileState*, char*, int, int*);
    using ClearFunction = int (*)(FileState*);

    void* mLibrary = nullptr;
    OpenFunction mOpen = nullptr;
    ReadFunction mRead = nullptr;
    ClearFunction mClear = nullptr;
};

} // namespace SoundTest
