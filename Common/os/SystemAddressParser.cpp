#include "SystemAddressParser.h"

#include "WindowsSupport.h"

#include <winsock2.h>

bool systemDottedAddress(const char* text, uint32_t& hostOrder) {
    unsigned long address = inet_addr(text);
    if (address == INADDR_NONE)
        return false;
    hostOrder = ntohl(address);
    return true;
}
