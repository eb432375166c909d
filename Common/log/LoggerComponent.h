// A named source of log lines, with the level bits it enables by default.
#pragma once

#include <cstdint>
#include <string>

class LoggerComponent {
public:
    LoggerComponent(const wchar_t* name, uint32_t defaultMask = 0xFFFFFFFFu);
    virtual std::wstring getName() const;
    virtual uint32_t getDefaultMask() const;
    virtual ~LoggerComponent();

    // Non-copying access for the logger's hot path.
    const std::wstring& name() const { return name_; }

private:
    std::wstring name_;
    uint32_t defaultMask_;
};

// The components of the system. LogAll is not a line source: its name is the
// settings key of the global mask.
extern LoggerComponent LogKIVInit;
extern LoggerComponent LogGUIMode;
extern LoggerComponent LogUpdater;
extern LoggerComponent LogNonGuiMode;
extern LoggerComponent LogCommInterface;
extern LoggerComponent LogAll;
