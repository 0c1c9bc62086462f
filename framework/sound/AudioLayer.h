// Plugs the real audio into the application: the sound device and both music libraries as built-in modules, and
// the factories that make the sound manager and the music back ends.
#pragma once

namespace Zest
{

// Safe to call more than once. Factories already installed are kept.
void RegisterAudioLayer();

} // namespace Zest
