"""Builds Ember Cook's data tree from content/: the step the build system runs for the `content` target.

usage: build.py CONTENTDIR DATADIR SVGDIR FONTBAKE PSITOOL [--jobs N]
The data tree is made afresh each time, so nothing stale from an earlier layout is ever packed.
"""
import os
import shutil
import subprocess
import sys
import time

# The scripts run from the source tree: leave no compiled caches in it.
sys.dont_write_bytecode = True
here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)

import art  # noqa: E402
import fonts  # noqa: E402
import levels  # noqa: E402
import sfx  # noqa: E402


def main(argv):
    jobs = 2
    if "--jobs" in argv:
        i = argv.index("--jobs")
        jobs = int(argv[i + 1])
        del argv[i:i + 2]
    if len(argv) != 6:
        sys.exit(__doc__)
    content, data, svgdir, fontbake, psitool = argv[1:]
    start = time.monotonic()
    shutil.rmtree(data, ignore_errors=True)
    # Hand-written data files go in as they are.
    shutil.copytree(os.path.join(content, "data"), data)
    levels.main(data)
    sys.argv = ["art.py", data, svgdir, "--jobs", str(jobs)]
    art.main()
    fonts.main(fontbake, os.path.join(content, "fonts", "fonts.txt"), data)
    sfx.main(data)
    subprocess.run([sys.executable, psitool, "build", os.path.join(content, "effects"), os.path.join(data, "effects")],
                   check=True)
    print("content: data tree built in %.1f s" % (time.monotonic() - start))


if __name__ == "__main__":
    main(sys.argv)
