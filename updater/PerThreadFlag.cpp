#include "PerThreadFlag.h"

PerThreadFlag& PerThreadFlag::operator=(bool value) {
    std::lock_guard<std::mutex> guard(lock_);
    values_[std::this_thread::get_id()] = value;
    return *this;
}

PerThreadFlag::operator bool() const {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = values_.find(std::this_thread::get_id());
    return it != values_.end() && it->second;
}

void PerThreadFlag::forget() {
    std::lock_guard<std::mutex> guard(lock_);
    values_.erase(std::this_thread::get_id());
}
