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
    logLine(LogKIVInit, L"RsrcMgr::getPackagePath: rc=", packageDir_, L".");
    return packageDir_;
}

std::wstring RsrcMgr::getCommonPath() {
    logLine(LogKIVInit, L"RsrcMgr::getCommonPath: rc=", commonDir_, L".");
    return commonDir_;
}

void RsrcMgr::setDirectories(const std::wstring& package, const std::wstring& common) {
    packageDir_ = package;
    commonDir_ = common;
}
