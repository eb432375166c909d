// The only reader of config.ini. A key is looked up in every section, in file
// order, and the comma-separated values of all of them are merged.
#pragma once

#include <string>
#include <vector>

class CIniReader {
public:
    CIniReader();
    ~CIniReader();

    void setINIFileName(const std::wstring& path);
    // Some section holds a non-empty value for the key.
    bool keyExists(const std::wstring& key);
    // Results stay valid until the next call of the same operation.
    const std::vector<std::wstring>& getKeyValue(const std::wstring& key);
    // The first of those values without the blanks around it; false when the
    // key has none (absent, or only empty values).
    bool firstValue(const std::wstring& key, std::wstring& value);
    const std::vector<std::wstring>& getSectionKeys(const std::wstring& section);

private:
    std::vector<std::wstring> sectionKeys_;
    std::vector<std::wstring> keyValues_;
    std::wstring path_;
};
