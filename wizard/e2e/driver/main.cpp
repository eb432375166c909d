// kivdrive SCRIPT: runs a scenario against the wizard of a KIV.exe that the
// scenario starts. Prints one line a step; exit 0 when every step passed,
// 1 when one failed, 2 when the script cannot be read.
#include "Driver.h"
#include "DriverScript.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kivdrive SCRIPT\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "kivdrive: cannot read %ls\n", argv[1]);
        return 2;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::vector<DriverStep> steps;
    std::string error;
    auto environment = [](const std::string& name, std::string& value) {
        const char* set = std::getenv(name.c_str());
        if (!set)
            return false;
        value = set;
        return true;
    };
    if (!DriverScript::parse(text.str(), environment, steps, error)) {
        std::fprintf(stderr, "kivdrive: %ls: %s\n", argv[1], error.c_str());
        return 2;
    }
    Driver driver;
    return driver.run(steps);
}
