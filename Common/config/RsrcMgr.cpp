// The paths part of RsrcMgr; the unpacking lives with the launcher.
#include "RsrcMgr.h"

#include "MethodTrace.h"

RsrcMgr::RsrcMgr() {
    MethodTrace trace(LogKIVInit, L"RsrcMgr::RsrcMgr(): ");
}

RsrcMgr::~RsrcMgr() {
    MethodTrace trace(LogKIVInit, L"RsrcMgr::~RsrcMgr(): ");
    if (runLock_ && closeRunLock_)
        closeRunLock_(runLock_);
}

std::wstring RsrcMgr::getPackagePath() {
    return loggedResult(LogKIVInit, L"RsrcMgr::getPackagePath", packageDir_);
}

std::wstring RsrcMgr::getCommonPath() {
    return loggedResult(LogKIVInit, L"RsrcMgr::getCommonPath", commonDir_);
}

void RsrcMgr::setDirectories(const std::wstring& package, const std::wstring& common) {
    packageDir_ = package;
    commonDir_ = common;
}
