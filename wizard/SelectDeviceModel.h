// The Select-device page without its window: the rows in list order, the
// user's marks, the row texts by device type, and the wait for the first
// enumeration result with its give-up rule.
#pragma once

#include "KIVDevice.h"

#include <cstdint>
#include <string>
#include <vector>

class SelectDeviceModel {
public:
    struct Row {
        std::wstring label;
        std::wstring version;
    };

    // upToDate: the text shown instead of a version equal to the package's.
    SelectDeviceModel(const std::wstring& packageVersion, const std::wstring& upToDate);

    // Fields, so that a test can make the page give up in milliseconds.
    uint32_t waitLimitMs;
    uint32_t timerIntervalMs;

    // Replaces the rows with the devices, all unmarked.
    void fill(const std::vector<KIVDevice*>& devices);
    // Adds a row at the end, unmarked; the other marks stay.
    void append(KIVDevice* device);
    void clear();

    size_t size() const { return rows_.size(); }
    const Row& row(size_t index) const { return rows_[index]; }
    KIVDevice* device(size_t index) const { return shown_[index]; }

    // A click on a row flips its mark.
    void toggle(size_t index);
    bool marked(size_t index) const { return marks_[index] != 0; }

    // One timer tick while the page waits. Returns true when the page stops
    // waiting now: a result has arrived, or the wait limit has passed (on
    // the tick after limit / interval ticks, counted from 0).
    bool tick(bool devicesArrived);
    uint32_t ticks() const { return ticks_; }
    void resetTicks() { ticks_ = 0; }

    std::wstring versionText(const KIVDevice& device) const;

private:
    std::wstring packageVersion_;
    std::wstring upToDate_;
    std::vector<Row> rows_;
    std::vector<KIVDevice*> shown_;
    std::vector<int32_t> marks_;
    uint32_t ticks_;
};
