// Program entry: builds the game application, starts it, runs it until the player leaves and ends it.
#include <memory>

#include "game/screens/GameApp.h"

int main(int argc, char** argv)
{
    auto app = std::make_unique<Zest::GameApp>();
    app->mCommandLine.assign(argv + 1, argv + argc);
    app->Init();
    app->Start();
    const int code = app->mExitCode;
    app.reset();
    return code;
}
