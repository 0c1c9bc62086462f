// Registration of the audio modules and of the sound manager and music factories.
#include "sound/AudioLayer.h"

#include "sound/BassLibrary.h"
#include "sound/BassMusicInterface.h"
#include "sound/DSoundLayer.h"
#include "sound/DSoundManager.h"
#include "sound/FModLibrary.h"
#include "sound/FModMusicInterface.h"
#include "sound/SoundServices.h"

namespace Zest
{

void RegisterAudioLayer()
{
    RegisterDSoundModule();
    RegisterBassModule();
    RegisterFModModule();
    // Factories installed beforehand (by a test, or by an application with audio of its own) stay in place.
    if (!HasSoundManagerFactory())
        SetSoundManagerFactory([](Platform::HWND window, bool useFMod) -> std::unique_ptr<SoundManager>
                               { return std::make_unique<DSoundManager>(window, useFMod); });
    if (!HasMusicInterfaceFactory())
        SetMusicInterfaceFactory(
            [](MusicBackend backend, Platform::HWND window) -> std::unique_ptr<MusicInterface>
            {
                if (backend == MusicBackend::FMod) return std::make_unique<FModMusicInterface>(window);
                if (backend == MusicBackend::Bass) return std::make_unique<BassMusicInterface>(window);
                return nullptr;
            });
}

} // namespace Zest
