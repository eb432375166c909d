#include "EngineTestSupport.h"

ConfigText::ConfigText() {
    entries_ = {
        {"DeviceInfo", "Vendor", "Oskel"},
        {"DeviceInfo", "ModelName", "K206"},
        {"DeviceInfo", "VID", "7B1E"},
        {"DeviceInfo", "PIDs", "31C7"},
        {"Versions", "FirmwareVersion1", "K206_G082511_00"},
        {"UpdateSequence", "1.Files", "flash.fls:0"},
        {"Verifications", "ExactModelMatch", "true"},
        {"Verifications", "VerifyPIDVID", "true"},
        {"Verifications", "CheckSpr", "true"},
        {"Verifications", "SprList", ""},
        {"Timers", "FlashTimeout", "145"},
        {"Timers", "BootTimeout", "40"},
        {"Timers", "RetryTimeout", "20"},
        {"Timers", "Retries", "6"},
    };
}

void ConfigText::set(const std::string& key, const std::string& value, const std::string& section) {
    for (Entry& e : entries_) {
        if (e.key == key) {
            e.value = value;
            return;
        }
    }
    entries_.push_back({section, key, value});
}

void ConfigText::remove(const std::string& key) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].key == key) {
            entries_.erase(entries_.begin() + static_cast<long>(i));
            return;
        }
    }
}

void ConfigText::sequence(const std::vector<std::pair<std::string, std::string>>& steps) {
    std::vector<Entry> kept;
    for (const Entry& e : entries_) {
        if (e.section != "UpdateSequence")
            kept.push_back(e);
    }
    for (const auto& step : steps)
        kept.push_back({"UpdateSequence", step.first, step.second});
    entries_ = kept;
}

std::string ConfigText::text() const {
    std::vector<std::string> sections;
    for (const Entry& e : entries_) {
        bool seen = false;
        for (const std::string& s : sections)
            seen = seen || s == e.section;
        if (!seen)
            sections.push_back(e.section);
    }
    std::string out = ";KIV Config File\r\n";
    for (const std::string& s : sections) {
        out += "[" + s + "]\r\n";
        for (const Entry& e : entries_) {
            if (e.section == s)
                out += e.key + "=" + e.value + "\r\n";
        }
    }
    return out;
}

std::vector<ProgressReport> EngineTest::progress;
FakeClock* EngineTest::activeClock = nullptr;

void EngineTest::recordProgress(int percent) {
    progress.push_back({percent, activeClock ? activeClock->ms : 0});
}

EngineTest::EngineTest() {
    com_ = new FakeComTarget(clock_);
    com_->destroyed = &comDestroyed_;
    updater_.reset(new ISDUpdater(com_, clock_));
    options_.getRsrcMgr().setDirectories(folder_.path() + L"pkg\\", folder_.path() + L"common\\");
    options_.setCfgIniPath(folder_.path() + L"config.ini");
    // The flash script names files that must be in the package folder.
    createFolder(folder_.path() + L"pkg");
    addPackageFile(L"flash.fls");
    addDevice(L"P1", KIVDevice::TypeUsb);
    progress.clear();
    activeClock = &clock_;
}

EngineTest::~EngineTest() {
    updater_.reset();
    activeClock = nullptr;
}

Bytes EngineTest::versionWith(const std::string& aio) {
    FakePrinter p;
    p.aio = aio;
    return FakeComTarget::versionReply(p);
}

void EngineTest::addPackageFile(const std::wstring& name) {
    writeFileBytes(folder_.path() + L"pkg\\" + name, "KIVFLS01");
}

void EngineTest::addDevice(const std::wstring& name, int32_t type) {
    KIVDevice device;
    device.setName(name);
    device.setType(type);
    options_.addDeviceToList(device);
}

void EngineTest::writeConfig() {
    writeFileBytes(folder_.path() + L"config.ini", config_.text());
}

int32_t EngineTest::runUpdate(bool sprAnswered) {
    writeConfig();
    startMs_ = clock_.ms;
    return updater_->update(&options_, 0, &EngineTest::recordProgress, sprAnswered);
}

std::wstring EngineTest::deviceVersion() {
    writeConfig();
    std::wstring out;
    updater_->getDeviceVersionString(&options_, 0, &out);
    return out;
}

std::vector<std::string> EngineTest::lines() const {
    std::vector<std::string> texts = log_.texts();
    for (std::string& t : texts)
        t.erase(0, t.find_first_not_of(' '));
    return texts;
}

size_t EngineTest::logged(const std::string& text) const {
    size_t n = 0;
    for (const std::string& t : lines())
        n += t == text;
    return n;
}

int EngineTest::lineIndex(const std::string& text, int from) const {
    return findText(lines(), text, from);
}
