// Entry of KIV.exe.
#include "LauncherRun.h"
#include "LibraryLoader.h"

int wmain(int argc, wchar_t** argv) {
    hardenLibrarySearch();
    LauncherRun run(argc, argv);
    return run.run();
}
