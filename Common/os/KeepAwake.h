// Keeps the machine and its display from going to sleep while an object of
// this class lives on the calling thread: a printer is being flashed, and a
// sleep in the middle of the transfer or the printer's restart would leave it
// half updated. Disk, processor and network work do not count as activity
// for the system's idle timer, so a flash has to say so itself.
#pragma once

class KeepAwake {
public:
    KeepAwake();
    ~KeepAwake();
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;
};
