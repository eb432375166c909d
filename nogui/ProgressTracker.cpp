#include "ProgressTracker.h"

ProgressTracker::ProgressTracker(uint32_t bootSeconds)
    : bootMs_(bootSeconds * 1000u), percent_(0), phase_(Sending), haveLast_(false), lastMs_(0),
      slowSeen_(false), slowSinceMs_(0) {}

bool ProgressTracker::report(int percent, uint64_t nowMs) {
    const int oldPercent = percent_;
    const Phase oldPhase = phase_;

    // The engine never sends 100; 100 is kept for a verified update.
    if (percent > 99)
        percent = 99;
    if (percent > percent_)
        percent_ = percent;

    if (haveLast_ && phase_ != Verified) {
        const uint64_t interval = nowMs >= lastMs_ ? nowMs - lastMs_ : 0;
        if (interval <= FastIntervalMs) {
            if (phase_ == Sending)
                phase_ = Restarting;
            slowSeen_ = false;
        } else if (phase_ == Restarting) {
            // The reset wait is over; the boot wait runs from its last poll.
            if (!slowSeen_) {
                slowSeen_ = true;
                slowSinceMs_ = lastMs_;
            }
            if (nowMs - slowSinceMs_ >= bootMs_)
                phase_ = Verifying;
        }
    }
    if (percent >= 99 && phase_ != Verified)
        phase_ = Verifying;

    haveLast_ = true;
    lastMs_ = nowMs;
    return percent_ != oldPercent || phase_ != oldPhase;
}

void ProgressTracker::finish(bool verified) {
    if (verified) {
        percent_ = 100;
        phase_ = Verified;
    }
}

const wchar_t* ProgressTracker::phaseText(Phase phase) {
    switch (phase) {
    case Sending:
        return L"sending firmware";
    case Restarting:
        return L"waiting for the printer to restart";
    case Verifying:
        return L"verifying";
    case Verified:
        return L"verified";
    }
    return L"";
}
