// Entry of KIV.exe.
#include "LauncherRun.h"

int wmain(int argc, wchar_t** argv) {
    LauncherRun run(argc, argv);
    return run.run();
}
