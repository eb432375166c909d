// The one lifetime rule for a library's logger: it lives while any of the
// library's objects can still log. Each object that logs holds a lease (as
// its first member, so that it goes last); the first lease brings the
// module's logger up and the last one takes it down. Where the module has a
// logger already (a program that links the engine itself), the leases leave
// it to its owner.
#pragma once

class LoggerLease {
public:
    LoggerLease();
    ~LoggerLease();
    LoggerLease(const LoggerLease&) : LoggerLease() {}
    LoggerLease& operator=(const LoggerLease&) { return *this; }

    // Leases held in this module now.
    static int count();
};
