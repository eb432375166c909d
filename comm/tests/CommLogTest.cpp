// KIVComm.dll brings up its own logger and writes its lines under the
// communication component's name, in the log file every module shares.
#include "LoopbackServer.h"

#include "IComTarget.h"
#include "KIVDevice.h"
#include "ScopedHandle.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {
std::wstring exeFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

void setLogSwitch(bool on) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Tavrin", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return;
    ScopedRegKey key(raw);
    DWORD one = 1;
    if (on)
        RegSetValueExW(raw, L"kivlog", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                       sizeof one);
    else
        RegDeleteValueW(raw, L"kivlog");
}
} // namespace

TEST(CommLog, OperationsAreTracedWithTheirDevice) {
    // A log folder of our own, so the file holds only this test's lines.
    std::wstring folder = exeFolder() + L"comm-log-test";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring logPath = folder + L"\\KIVlog.txt";
    DeleteFileW(logPath.c_str());
    SetEnvironmentVariableW(L"ALLUSERSPROFILE", folder.c_str());

    ScopedLibrary library(LoadLibraryW((exeFolder() + L"KIVComm.dll").c_str()));
    ASSERT_TRUE(library.valid());
    DllGetKIVCommFn factory = getProcAddressAs<DllGetKIVCommFn>(library.get(), "DllGetKIVComm");
    ASSERT_NE(factory, nullptr);
    setLogSwitch(true);
    IComTarget* comm = factory(nullptr);
    setLogSwitch(false);
    ASSERT_NE(comm, nullptr);

    LoopbackServer server([](SOCKET c, const LoopbackServer::Bytes&) {
        LoopbackServer::sendBytes(c, LoopbackServer::Bytes{0xA5, 0x00, 0x01, 0x50});
    });
    KIVDevice device;
    device.setType(KIVDevice::TypeNetwork);
    device.setIPAddress(L"127.0.0.1");
    device.setTcpPort(server.port());
    unsigned char* reply = nullptr;
    uint32_t length = 0;
    comm->sendPacket(&device, L"A5000750E08100020011", &reply, &length);
    EXPECT_EQ(length, 4u);
    comm->sendRaw(&device, L"1B2A73010", &reply, &length, 1);
    delete comm;

    std::ifstream file(logPath.c_str(), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    std::string log = content.str();
    std::string port = std::to_string(server.port());
    EXPECT_NE(log.find("+KIVComm::sendPacket(): "), std::string::npos) << log;
    size_t exit = log.find("-KIVComm::sendRaw()");
    ASSERT_NE(exit, std::string::npos) << log;
    EXPECT_NE(log.substr(exit, log.find('\n', exit) - exit).find("rc=6"), std::string::npos);
    EXPECT_NE(log.find("KIVComm::sendPacket(): device=127.0.0.1:" + port +
                       " cmd=A5000750E08100020011 rc=0 reply=A5000150"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("KIVComm::sendRaw(): not a hexadecimal command, nothing sent: 1B2A73010"),
              std::string::npos)
        << log;
    DeleteFileW(logPath.c_str());
    RemoveDirectoryW(folder.c_str());
}
