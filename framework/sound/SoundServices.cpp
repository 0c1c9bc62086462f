// The music back-end choice and the factories the audio layer plugs its sound manager and music into.
#include "sound/SoundServices.h"

namespace Zest
{

namespace
{
SoundManagerFactory& SoundFactory()
{
    static SoundManagerFactory factory;
    return factory;
}
MusicInterfaceFactory& MusicFactory()
{
    static MusicInterfaceFactory factory;
    return factory;
}
} // namespace

MusicBackend ChooseMusicBackend(bool noMusic, bool useFMod)
{
    if (noMusic) return MusicBackend::None;
    return useFMod ? MusicBackend::FMod : MusicBackend::Bass;
}

void SetSoundManagerFactory(SoundManagerFactory factory)
{
    SoundFactory() = std::move(factory);
}

void SetMusicInterfaceFactory(MusicInterfaceFactory factory)
{
    MusicFactory() = std::move(factory);
}

bool HasSoundManagerFactory()
{
    return static_cast<bool>(SoundFactory());
}

bool HasMusicInterfaceFactory()
{
    return static_cast<bool>(MusicFactory());
}

std::unique_ptr<SoundManager> MakeSoundManager(Platform::HWND window, bool useFMod)
{
    if (SoundFactory())
        if (auto manager = SoundFactory()(window, useFMod)) return manager;
    return std::make_unique<SoundManager>();
}

std::unique_ptr<MusicInterface> MakeMusicInterface(MusicBackend backend, Platform::HWND window)
{
    if (backend != MusicBackend::None && MusicFactory())
        if (auto music = MusicFactory()(backend, window)) return music;
    return std::make_unique<MusicInterface>();
}

} // namespace Zest
