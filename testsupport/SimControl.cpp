#include "SimControl.h"

#include "SimState.h"
#include "WindowsSupport.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>

namespace {

std::string envVar(const wchar_t* name) {
    wchar_t buf[256];
    DWORD n = GetEnvironmentVariableW(name, buf, 256);
    if (n == 0 || n >= 256)
        return "";
    std::string s;
    for (DWORD i = 0; i < n; ++i)
        s += char(buf[i]); // the values are plain ASCII addresses
    return s;
}

bool startWinsock() {
    static const bool ok = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ok;
}

SOCKET connectControl() {
    std::string control = envVar(L"KIV_SIM_CONTROL");
    size_t colon = control.rfind(':');
    if (colon == std::string::npos || !startWinsock())
        return INVALID_SOCKET;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(u_short(std::atoi(control.c_str() + colon + 1)));
    sa.sin_addr.s_addr = inet_addr(control.substr(0, colon).c_str());
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return s;
    DWORD timeoutMs = 5000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof timeoutMs);
    if (connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

} // namespace

std::wstring simNet() {
    std::string net = envVar(L"KIV_SIM_NET");
    return std::wstring(net.begin(), net.end());
}

std::wstring simAddress(int hostSuffix) {
    return simNet() + L"." + std::to_wstring(hostSuffix);
}

bool simCommand(const std::string& line, std::string& reply) {
    reply.clear();
    SOCKET s = connectControl();
    if (s == INVALID_SOCKET)
        return false;
    std::string text = line + "\n";
    bool ok = send(s, text.data(), int(text.size()), 0) == int(text.size());
    char buf[4096];
    int n;
    while (ok && (n = recv(s, buf, sizeof buf, 0)) > 0)
        reply.append(buf, size_t(n));
    closesocket(s);
    // The last line is the verdict: "OK" or "ERR <reason>".
    if (!reply.empty() && reply.back() == '\n')
        reply.pop_back();
    size_t cut = reply.rfind('\n');
    std::string verdict = cut == std::string::npos ? reply : reply.substr(cut + 1);
    reply.resize(cut == std::string::npos ? 0 : cut + 1);
    return ok && verdict == "OK";
}

std::string simState() {
    std::string reply;
    return simCommand("STATE", reply) ? reply : std::string();
}

std::string simStateField(const std::string& section, const std::string& field) {
    return SimState::field(simState(), section, field);
}

bool simSet(const std::string& section, const std::string& key, const std::string& value) {
    std::string reply;
    return simCommand("SET " + section + " " + key + " " + value, reply);
}

bool simRestore(const std::string& section) {
    std::string reply;
    return simCommand("RESTORE " + section, reply);
}
