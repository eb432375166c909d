// Command-line parsing with any arguments. Beyond running clean:
// every option keeps a value it accepts (mode 1 to 3, dialog not negative),
// and every device item is a non-empty, comma-free piece of some argument
// other than a single blank.
#include "CmdLineOpts.h"
#include "FuzzInput.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<std::wstring> args;
    while (in.remaining_bytes() > 0 && args.size() < 16) {
        args.push_back(byteText(in, 64));
    }
    std::vector<const wchar_t*> argv;
    for (const std::wstring& a : args)
        argv.push_back(a.c_str());

    CmdLineOpts opts;
    bool parsed = opts.parseCmdLine(static_cast<int>(argv.size()), argv.data());
    int32_t mode = opts.getAppMode();
    FUZZ_CHECK(mode >= 1 && mode <= 3);
    FUZZ_CHECK(opts.getDialogNum() >= 0);
    for (const std::wstring& item : opts.getDeviceList()) {
        FUZZ_CHECK(!item.empty() && item != L" ");
        FUZZ_CHECK(item.find(L',') == std::wstring::npos);
        bool inSomeArgument = false;
        for (const std::wstring& a : args)
            inSomeArgument = inSomeArgument || a.find(item) != std::wstring::npos;
        FUZZ_CHECK(inSomeArgument);
    }
    // Without any argument but the program, whatever its name, nothing can be wrong.
    if (args.size() <= 1)
        FUZZ_CHECK(parsed);
    return 0;
}
