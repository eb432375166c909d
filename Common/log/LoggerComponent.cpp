#include "LoggerComponent.h"

LoggerComponent::LoggerComponent(const wchar_t* name, uint32_t defaultMask)
    : name_(name ? name : L""), defaultMask_(defaultMask) {}

std::wstring LoggerComponent::getName() const {
    return name_;
}

uint32_t LoggerComponent::getDefaultMask() const {
    return defaultMask_;
}

LoggerComponent::~LoggerComponent() {}

LoggerComponent LogKIVInit(L"KIVInit");
LoggerComponent LogGUIMode(L"GUIMode");
LoggerComponent LogUpdater(L"Updater");
LoggerComponent LogNonGuiMode(L"nonGuiMode");
LoggerComponent LogCommInterface(L"CommInterface");
LoggerComponent LogAll(L"All");
