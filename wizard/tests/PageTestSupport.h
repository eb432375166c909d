// What every page test needs: a language library, folders with the
// package's artwork, options, a fake engine and a context.
#pragma once

#include "FakeUpdater.h"
#include "KIVOptions.h"
#include "WindowsSupport.h"
#include "WizardContext.h"

#include <memory>
#include <string>

// A build path as a Windows folder (with a final backslash) or file.
std::wstring winPath(const char* path);
std::wstring winFile(const char* path);
// The built library of a language ("en", "ar", "ja", ...); stays loaded.
HMODULE languageLibrary(const std::wstring& code);

struct PageSetup {
    explicit PageSetup(const std::wstring& code,
                       const std::wstring& packageFolder = std::wstring());
    std::wstring t(uint32_t id) const; // a string of the language library

    HMODULE lang;
    KIVOptions options;
    FakeUpdater updater;
    WizardContext context;
    std::vector<std::unique_ptr<KIVDevice>> records;

    KIVDevice* device(int32_t type, const std::wstring& name, const std::wstring& port,
                      const std::wstring& ip, const std::wstring& version);
};

// The control's font: weight and height.
LOGFONTW controlFont(HWND dialog, int control);
