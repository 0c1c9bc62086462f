// Program entry: builds the game application, starts it, runs it until the player leaves and ends it.
#include <memory>
#include <string>

#include "game/screens/GameApp.h"

int main(int argc, char** argv)
{
    auto app = std::make_unique<Zest::GameApp>();
    app->mCommandLine.assign(argv + 1, argv + argc);
    if (argc > 0 && argv[0] != nullptr)
    {
        // The usage text names the program as it was started, without its folder.
        const std::string started = argv[0];
        app->mProgramName = started.substr(started.find_last_of('/') + 1);
    }
    app->Init();
    app->Start();
    const int code = app->mExitCode;
    app.reset();
    return code;
}
