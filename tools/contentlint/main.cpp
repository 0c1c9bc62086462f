// contentlint: checks a built content tree and prints every problem; exit status 1 when there is any.
#include "ContentLint.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4)
    {
        std::fprintf(stderr, "usage: contentlint DATADIR [PACK [MUSICDIR]]\n");
        return 2;
    }
    ContentLint::Paths paths{argv[1], argc > 2 ? argv[2] : "", argc > 3 ? argv[3] : ""};
    const ContentLint::Report report = ContentLint::CheckAll(paths);
    for (const std::string& p : report.problems) std::printf("%s\n", p.c_str());
    std::printf("contentlint: %zu problem(s)\n", report.problems.size());
    return report.Clean() ? 0 : 1;
}
