// Loads every built language library under Wine the way the wizard does and
// holds it to the contract: the ten templates, every string number, texts
// that match their UTF-8 sources, and a library that carries no code.
#include "WindowsSupport.h"
#include <commctrl.h>

#include "DialogTemplate.h"
#include "PageControls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kAllCodes[] = {"ar",    "cs", "da", "de", "el", "en", "es",   "fi", "fr",
                                 "he",    "hu", "it", "ja", "ko", "nl", "no",   "pl", "pt_BR",
                                 "pt_PT", "ro", "ru", "sv", "tr", "zh", "zh_TW"};

const WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

enum class Kind { DefaultButton, Button, Text, MultiLineEdit, ReportList, IpAddress, ProgressBar };

struct ControlLayout {
    DWORD id;
    Kind kind;
    short x, y, cx, cy;
};

struct TemplateLayout {
    WORD number;
    bool visible;
    short cx, cy;
    std::vector<ControlLayout> controls;
};

bool isRightToLeft(const std::string& code) {
    return code == "ar" || code == "he";
}

std::wstring widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::wstring envPath(const wchar_t* name) {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

std::wstring sourcePath(const std::string& code) {
    return envPath(L"KIV_LANG_SOURCE_DIR") + L"\\" + widen(code) + L"\\strings.txt";
}

std::wstring libraryPath(const std::string& code) {
    return envPath(L"KIV_LANG_BUILD_DIR") + L"\\" + widen(code) + L"\\lang.dll";
}

// The tests read the sources and the built libraries from these two folders.
::testing::AssertionResult foldersGiven() {
    if (envPath(L"KIV_LANG_SOURCE_DIR").empty() || envPath(L"KIV_LANG_BUILD_DIR").empty())
        return ::testing::AssertionFailure()
               << "KIV_LANG_SOURCE_DIR and KIV_LANG_BUILD_DIR must name the lang source and "
                  "build folders";
    return ::testing::AssertionSuccess();
}

bool fileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool readFile(const std::wstring& path, std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return false;
    char chunk[4096];
    size_t n;
    bytes.clear();
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, n);
    fclose(f);
    return true;
}

// Decodes strictly: a byte sequence that is not UTF-8 fails instead of
// turning into replacement characters.
bool fromUtf8(const std::string& in, std::wstring& out) {
    out.clear();
    if (in.empty())
        return true;
    int n =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(), (int)in.size(), nullptr, 0);
    if (n <= 0)
        return false;
    out.resize(n);
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(), (int)in.size(), &out[0], n);
    return true;
}

std::string toUtf8(const std::wstring& in) {
    if (in.empty())
        return std::string();
    int n =
        WideCharToMultiByte(CP_UTF8, 0, in.data(), (int)in.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, in.data(), (int)in.size(), &out[0], n, nullptr, nullptr);
    return out;
}

// A strings file as the build reads it: NUMBER<TAB>TEXT per line.
::testing::AssertionResult readStrings(const std::wstring& path,
                                       std::map<unsigned, std::wstring>& texts) {
    const std::string name = toUtf8(path);
    std::string bytes;
    if (!readFile(path, bytes))
        return ::testing::AssertionFailure() << "cannot read " << name;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    texts.clear();
    size_t start = 0;
    int lineNo = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        if (line.empty())
            continue;
        size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || line.find_first_not_of("0123456789") != tab)
            return ::testing::AssertionFailure() << name << " line " << lineNo << ": no number";
        std::wstring text;
        if (!fromUtf8(line.substr(tab + 1), text))
            return ::testing::AssertionFailure() << name << " line " << lineNo << ": not UTF-8";
        if (!texts.emplace(std::stoul(line.substr(0, tab)), text).second)
            return ::testing::AssertionFailure() << name << " line " << lineNo << ": repeated";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult readSource(const std::string& code,
                                      std::map<unsigned, std::wstring>& texts) {
    return readStrings(sourcePath(code), texts);
}

// The string numbers every library must answer: those of the English source.
const std::set<unsigned>& expectedStringNumbers() {
    static const std::set<unsigned> numbers = [] {
        std::set<unsigned> found;
        std::map<unsigned, std::wstring> english;
        if (readSource("en", english))
            for (const auto& entry : english)
                found.insert(entry.first);
        return found;
    }();
    return numbers;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    const size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

bool isNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// What a control statement of the template source must come out as.
bool kindOf(const std::string& keyword, const std::string& windowClass, Kind& kind) {
    const std::pair<const char*, Kind> byKeyword[] = {{"DEFPUSHBUTTON", Kind::DefaultButton},
                                                      {"PUSHBUTTON", Kind::Button},
                                                      {"LTEXT", Kind::Text},
                                                      {"EDITTEXT", Kind::MultiLineEdit}};
    const std::pair<const char*, Kind> byClass[] = {{"SysListView32", Kind::ReportList},
                                                    {"SysIPAddress32", Kind::IpAddress},
                                                    {"msctls_progress32", Kind::ProgressBar}};
    for (const auto& k : byKeyword)
        if (keyword == k.first)
            return kind = k.second, true;
    if (keyword == "CONTROL")
        for (const auto& c : byClass)
            if (windowClass == c.first)
                return kind = c.second, true;
    return false;
}

// One control statement: the first number outside the quoted texts is the
// control's, the four after it its place and size.
bool parseControl(std::string statement, ControlLayout& control) {
    std::vector<std::string> quoted;
    for (size_t open; (open = statement.find('"')) != std::string::npos;) {
        const size_t close = statement.find('"', open + 1);
        if (close == std::string::npos)
            return false;
        quoted.push_back(statement.substr(open + 1, close - open - 1));
        statement.replace(open, close - open + 1, ",");
    }
    statement = trimmed(statement);
    const size_t keywordEnd = statement.find_first_of(" \t,");
    const std::string keyword = statement.substr(0, keywordEnd);
    std::vector<long> numbers;
    size_t start = keywordEnd;
    while (start != std::string::npos && numbers.size() < 5) {
        const size_t comma = statement.find(',', start + 1);
        const std::string field = trimmed(statement.substr(start + 1, comma - start - 1));
        if (isNumber(field))
            numbers.push_back(std::stol(field));
        start = comma;
    }
    const std::string windowClass = quoted.size() > 1 ? quoted[1] : std::string();
    if (numbers.size() < 5 || !kindOf(keyword, windowClass, control.kind))
        return false;
    control.id = static_cast<DWORD>(numbers[0]);
    control.x = static_cast<short>(numbers[1]);
    control.y = static_cast<short>(numbers[2]);
    control.cx = static_cast<short>(numbers[3]);
    control.cy = static_cast<short>(numbers[4]);
    return true;
}

// The templates as their source lays them out, read from the file every
// library is built from.
::testing::AssertionResult readTemplates(std::vector<TemplateLayout>& templates) {
    const std::wstring path = envPath(L"KIV_LANG_SOURCE_DIR") + L"\\templates.rc.in";
    std::string bytes;
    if (!readFile(path, bytes))
        return ::testing::AssertionFailure() << "cannot read " << toUtf8(path);
    templates.clear();
    bool inside = false;
    int lineNo = 0;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        const size_t comment = line.find("//");
        line = trimmed(line.substr(0, comment));
        int number = 0, cx = 0, cy = 0;
        if (std::sscanf(line.c_str(), "%d DIALOGEX 0, 0, %d, %d", &number, &cx, &cy) == 3) {
            templates.push_back(TemplateLayout{static_cast<WORD>(number),
                                               false,
                                               static_cast<short>(cx),
                                               static_cast<short>(cy),
                                               {}});
        } else if (line.compare(0, 6, "STYLE ") == 0 && !templates.empty()) {
            templates.back().visible = line.find("WS_VISIBLE") != std::string::npos;
        } else if (line == "BEGIN" || line == "END") {
            inside = line == "BEGIN";
        } else if (inside && !line.empty()) {
            ControlLayout control;
            if (templates.empty() || !parseControl(line, control))
                return ::testing::AssertionFailure()
                       << toUtf8(path) << " line " << lineNo << ": control not understood";
            templates.back().controls.push_back(control);
        }
    }
    if (templates.empty())
        return ::testing::AssertionFailure() << toUtf8(path) << ": no template";
    return ::testing::AssertionSuccess();
}

const std::vector<TemplateLayout>& templateTable() {
    static const std::vector<TemplateLayout> table = [] {
        std::vector<TemplateLayout> templates;
        if (!readTemplates(templates))
            templates.clear();
        return templates;
    }();
    return table;
}

// The text of a string resource exactly as stored, trailing blanks included.
std::wstring loadString(HMODULE module, unsigned number) {
    const wchar_t* text = nullptr;
    int length = LoadStringW(module, number, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, length) : std::wstring();
}

struct ModuleCloser {
    void operator()(HMODULE m) const { FreeLibrary(m); }
};
using Module = std::unique_ptr<std::remove_pointer<HMODULE>::type, ModuleCloser>;

Module loadAsData(const std::string& code) {
    return Module(LoadLibraryExW(libraryPath(code).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

::testing::AssertionResult loadTemplate(HMODULE module, WORD number, kiv::DialogTemplateEx& out) {
    HRSRC info = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(number), kNeutral);
    if (!info)
        return ::testing::AssertionFailure() << "template " << number << " not found";
    HGLOBAL data = LoadResource(module, info);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes)
        return ::testing::AssertionFailure() << "template " << number << " not loaded";
    std::string error;
    if (!kiv::parseDialogTemplateEx(static_cast<const std::uint8_t*>(bytes),
                                    SizeofResource(module, info), out, error))
        return ::testing::AssertionFailure() << "template " << number << ": " << error;
    return ::testing::AssertionSuccess();
}

std::u16string lower(std::u16string s) {
    for (char16_t& c : s)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
}

bool hasClassName(const kiv::DialogItem& item, const std::u16string& name) {
    return !item.windowClass.isOrdinal && lower(item.windowClass.text) == lower(name);
}

bool hasAtom(const kiv::DialogItem& item, WORD atom) {
    return item.windowClass.isOrdinal && item.windowClass.ordinal == atom;
}

bool hasAll(DWORD style, DWORD bits) {
    return (style & bits) == bits;
}

// Empty when the control is of the kind; otherwise what is wrong with it.
std::string kindMismatch(const kiv::DialogItem& item, Kind kind) {
    const bool placeholder = !item.title.isOrdinal && item.title.text == u"...";
    const DWORD style = item.style;
    switch (kind) {
    case Kind::DefaultButton:
        if (!hasAtom(item, 0x0080) || (style & BS_TYPEMASK) != BS_DEFPUSHBUTTON)
            return "not a default push button";
        return placeholder ? "" : "text is not the placeholder";
    case Kind::Button:
        if (!hasAtom(item, 0x0080) || (style & BS_TYPEMASK) != BS_PUSHBUTTON)
            return "not a push button";
        return placeholder ? "" : "text is not the placeholder";
    case Kind::Text:
        if (!hasAtom(item, 0x0082) || (style & SS_TYPEMASK) != SS_LEFT)
            return "not a left-aligned static text";
        return placeholder ? "" : "text is not the placeholder";
    case Kind::MultiLineEdit:
        if (!hasAtom(item, 0x0081) ||
            !hasAll(style, ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER))
            return "not a read-only multi-line edit box with scroll bar and border";
        return "";
    case Kind::ReportList:
        if (!hasClassName(item, u"SysListView32") || (style & LVS_TYPEMASK) != LVS_REPORT ||
            !(style & WS_BORDER))
            return "not a report-style list view with border";
        return "";
    case Kind::IpAddress:
        return hasClassName(item, u"SysIPAddress32") ? "" : "not an IP-address control";
    case Kind::ProgressBar:
        if (!hasClassName(item, u"msctls_progress32") || !(style & WS_BORDER))
            return "not a progress bar with border";
        return "";
    }
    return "unknown kind";
}

void expectTemplateMatchesTable(const std::string& code, const TemplateLayout& layout,
                                const kiv::DialogTemplateEx& t) {
    SCOPED_TRACE("template " + std::to_string(layout.number));
    const DWORD frame = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    EXPECT_TRUE(hasAll(t.style, frame)) << std::hex << t.style;
    EXPECT_FALSE(t.style & WS_CHILD);
    EXPECT_EQ((t.style & WS_VISIBLE) != 0, layout.visible);
    EXPECT_EQ(t.cx, layout.cx);
    EXPECT_EQ(t.cy, layout.cy);
    EXPECT_TRUE(t.hasFont);
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.typeface, u"MS Shell Dlg");
    EXPECT_EQ((t.exStyle & WS_EX_LAYOUTRTL) != 0, isRightToLeft(code));

    ASSERT_EQ(t.items.size(), layout.controls.size());
    std::set<DWORD> ids;
    for (const kiv::DialogItem& item : t.items)
        ids.insert(item.id);
    EXPECT_EQ(ids.size(), t.items.size()) << "control numbers repeat";
    for (const ControlLayout& c : layout.controls) {
        auto item = std::find_if(t.items.begin(), t.items.end(),
                                 [&](const kiv::DialogItem& i) { return i.id == c.id; });
        ASSERT_NE(item, t.items.end()) << "control " << c.id << " missing";
        SCOPED_TRACE("control " + std::to_string(c.id));
        EXPECT_EQ(kindMismatch(*item, c.kind), "");
        EXPECT_TRUE(hasAll(item->style, WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(item->x, c.x);
        EXPECT_EQ(item->y, c.y);
        EXPECT_EQ(item->cx, c.cx);
        EXPECT_EQ(item->cy, c.cy);
        // Nothing may be cut off by the frame, whatever the source says.
        EXPECT_TRUE(item->x >= 0 && item->y >= 0 && item->x + item->cx <= t.cx &&
                    item->y + item->cy <= t.cy);
    }
}

// Same controls in the same order, differing at most in the frame's
// reading direction.
void expectSameControls(const kiv::DialogTemplateEx& t, const kiv::DialogTemplateEx& english) {
    EXPECT_EQ(t.style, english.style);
    EXPECT_EQ(t.exStyle & ~(WS_EX_LAYOUTRTL | WS_EX_RTLREADING), english.exStyle);
    ASSERT_EQ(t.items.size(), english.items.size());
    for (size_t i = 0; i < t.items.size(); ++i) {
        const kiv::DialogItem& a = t.items[i];
        const kiv::DialogItem& b = english.items[i];
        SCOPED_TRACE("item " + std::to_string(i));
        EXPECT_EQ(a.id, b.id);
        EXPECT_EQ(a.style, b.style);
        EXPECT_EQ(a.exStyle, b.exStyle);
        EXPECT_EQ(a.windowClass.isOrdinal, b.windowClass.isOrdinal);
        EXPECT_EQ(a.windowClass.ordinal, b.windowClass.ordinal);
        EXPECT_EQ(lower(a.windowClass.text), lower(b.windowClass.text));
        EXPECT_EQ(a.title.text, b.title.text);
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(a.cx, b.cx);
        EXPECT_EQ(a.cy, b.cy);
    }
}

BOOL CALLBACK collectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<WORD>*>(param)->push_back(LOWORD(name));
    return TRUE;
}

BOOL CALLBACK collectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
}

std::vector<WORD> resourceNames(HMODULE module, LPCWSTR type) {
    std::vector<WORD> names;
    EnumResourceNamesW(module, type, collectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

std::vector<WORD> resourceLanguages(HMODULE module, LPCWSTR type, WORD name) {
    std::vector<WORD> languages;
    EnumResourceLanguagesW(module, type, MAKEINTRESOURCEW(name), collectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// Every string the library holds, found by walking its string blocks rather
// than by asking for known numbers, so that strays show up as well.
std::set<unsigned> storedStringNumbers(HMODULE module) {
    std::set<unsigned> numbers;
    for (WORD block : resourceNames(module, RT_STRING)) {
        HRSRC info = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(block), kNeutral);
        HGLOBAL data = info ? LoadResource(module, info) : nullptr;
        const WORD* p = data ? static_cast<const WORD*>(LockResource(data)) : nullptr;
        if (!p)
            continue;
        const WORD* end = p + SizeofResource(module, info) / sizeof(WORD);
        for (unsigned i = 0; i < 16 && p < end; ++i) {
            if (*p)
                numbers.insert((block - 1u) * 16u + i);
            p += 1 + *p;
        }
    }
    return numbers;
}

struct PeFacts {
    bool valid = false;
    bool isDll = false;
    DWORD entryPoint = 0;
    unsigned importedLibraries = 0;
    DWORD delayImportSize = 0;
};

// The libraries are built for the architecture under test, like this test:
// i386 for the shipped build, AMD64 where the tests run an x86_64 build.
#ifdef _WIN64
constexpr WORD kBuiltMachine = IMAGE_FILE_MACHINE_AMD64;
#else
constexpr WORD kBuiltMachine = IMAGE_FILE_MACHINE_I386;
#endif

DWORD rvaToOffset(const std::string& file, const IMAGE_NT_HEADERS* nt, DWORD rva) {
    const IMAGE_SECTION_HEADER* s = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++s) {
        if ((const char*)(s + 1) > file.data() + file.size())
            break;
        if (rva >= s->VirtualAddress && rva < s->VirtualAddress + s->SizeOfRawData)
            return rva - s->VirtualAddress + s->PointerToRawData;
    }
    return 0;
}

PeFacts readPeFacts(const std::string& file) {
    PeFacts facts;
    if (file.size() < sizeof(IMAGE_DOS_HEADER))
        return facts;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
        static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > file.size())
        return facts;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(file.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->FileHeader.Machine != kBuiltMachine ||
        nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC)
        return facts;
    facts.valid = true;
    facts.isDll = (nt->FileHeader.Characteristics & IMAGE_FILE_DLL) != 0;
    facts.entryPoint = nt->OptionalHeader.AddressOfEntryPoint;
    const IMAGE_DATA_DIRECTORY* dirs = nt->OptionalHeader.DataDirectory;
    facts.delayImportSize = dirs[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].Size;
    const IMAGE_DATA_DIRECTORY& imports = dirs[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.Size == 0)
        return facts;
    // The linker may leave a table holding only its terminating descriptor.
    DWORD offset = rvaToOffset(file, nt, imports.VirtualAddress);
    while (offset && offset + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= file.size()) {
        const auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(file.data() + offset);
        if (d->Name == 0)
            break;
        ++facts.importedLibraries;
        offset += sizeof(IMAGE_IMPORT_DESCRIPTOR);
    }
    return facts;
}

class LangLibrary : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        code_ = GetParam();
        ASSERT_TRUE(foldersGiven());
        ASSERT_FALSE(templateTable().empty()) << "templates.rc.in not read";
        ASSERT_FALSE(expectedStringNumbers().empty()) << "en\\strings.txt not read";
        ASSERT_TRUE(fileExists(sourcePath(code_))) << "no " << code_ << "\\strings.txt";
        module_ = loadAsData(code_);
        ASSERT_TRUE(module_) << "cannot load " << toUtf8(libraryPath(code_)) << " as data, error "
                             << GetLastError();
        english_ = loadAsData("en");
        ASSERT_TRUE(english_) << "cannot load the English library";
    }

    std::string code_;
    Module module_;
    Module english_;
};

TEST_P(LangLibrary, HoldsEveryTemplateAsTabled) {
    for (const TemplateLayout& layout : templateTable()) {
        kiv::DialogTemplateEx t;
        ASSERT_TRUE(loadTemplate(module_.get(), layout.number, t));
        expectTemplateMatchesTable(code_, layout, t);
    }
}

TEST_P(LangLibrary, HasTheControlsOfTheEnglishTemplates) {
    for (const TemplateLayout& layout : templateTable()) {
        SCOPED_TRACE("template " + std::to_string(layout.number));
        kiv::DialogTemplateEx t, english;
        ASSERT_TRUE(loadTemplate(module_.get(), layout.number, t));
        ASSERT_TRUE(loadTemplate(english_.get(), layout.number, english));
        expectSameControls(t, english);
    }
}

TEST_P(LangLibrary, HoldsNoOtherTemplates) {
    std::vector<WORD> names = resourceNames(module_.get(), RT_DIALOG);
    std::sort(names.begin(), names.end());
    std::vector<WORD> expected;
    for (const TemplateLayout& layout : templateTable())
        expected.push_back(layout.number);
    EXPECT_EQ(names, expected);
}

TEST_P(LangLibrary, IsFoundWhateverTheUserLanguage) {
    for (const TemplateLayout& layout : templateTable()) {
        EXPECT_EQ(resourceLanguages(module_.get(), RT_DIALOG, layout.number),
                  std::vector<WORD>{kNeutral})
            << "template " << layout.number;
        // The wizard asks without a language.
        EXPECT_NE(FindResourceW(module_.get(), MAKEINTRESOURCEW(layout.number), RT_DIALOG), nullptr)
            << "template " << layout.number;
    }
    for (WORD block : resourceNames(module_.get(), RT_STRING))
        EXPECT_EQ(resourceLanguages(module_.get(), RT_STRING, block), std::vector<WORD>{kNeutral})
            << "string block " << block;
}

TEST_P(LangLibrary, AnswersEveryStringNumberWithText) {
    for (unsigned number : expectedStringNumbers())
        EXPECT_FALSE(loadString(module_.get(), number).empty()) << "string " << number;
    EXPECT_EQ(storedStringNumbers(module_.get()), expectedStringNumbers());
}

TEST_P(LangLibrary, StringsMatchTheirSource) {
    std::map<unsigned, std::wstring> source;
    ASSERT_TRUE(readSource(code_, source));
    std::set<unsigned> sourceNumbers;
    for (const auto& entry : source)
        sourceNumbers.insert(entry.first);
    EXPECT_EQ(sourceNumbers, expectedStringNumbers());
    for (const auto& entry : source) {
        EXPECT_EQ(toUtf8(loadString(module_.get(), entry.first)), toUtf8(entry.second))
            << "string " << entry.first;
    }
}

TEST_P(LangLibrary, KeepsTheBlankThatEndsString1013) {
    std::wstring text = loadString(module_.get(), 1013);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), L' ');
    EXPECT_GT(text.size(), 1u);
}

TEST_P(LangLibrary, CarriesNoCodeAndImportsNothing) {
    std::string file;
    ASSERT_TRUE(readFile(libraryPath(code_), file));
    PeFacts facts = readPeFacts(file);
    ASSERT_TRUE(facts.valid) << "not a PE file of the architecture under test";
    EXPECT_TRUE(facts.isDll);
    EXPECT_EQ(facts.entryPoint, 0u);
    EXPECT_EQ(facts.importedLibraries, 0u);
    EXPECT_EQ(facts.delayImportSize, 0u);
}

TEST_P(LangLibrary, LoadsAsAnOrdinaryLibraryToo) {
    HMODULE module = LoadLibraryW(libraryPath(code_).c_str());
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    EXPECT_EQ(loadString(module, 1013), loadString(module_.get(), 1013));
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(Tpl::Welcome), RT_DIALOG), nullptr);
    FreeLibrary(module);
}

// The test reads the template source on its own; it must see the templates
// and controls the pages are numbered by.
TEST(TemplateSource, AgreesWithThePagesNumbers) {
    ASSERT_TRUE(foldersGiven());
    std::vector<TemplateLayout> templates;
    ASSERT_TRUE(readTemplates(templates));
    ASSERT_EQ(templates.size(), std::size(Ctl::AllPages));
    for (size_t i = 0; i < templates.size(); ++i) {
        const Ctl::PageTemplate& page = Ctl::AllPages[i];
        EXPECT_EQ(templates[i].number, page.number);
        std::vector<DWORD> read, numbered(page.controls, page.controls + page.count);
        for (const ControlLayout& c : templates[i].controls)
            read.push_back(c.id);
        EXPECT_EQ(read, numbered) << "template " << page.number;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, LangLibrary, ::testing::ValuesIn(kAllCodes),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// The strings the English library must carry word for word; they exercise
// the quoting of the resource script: an apostrophe, parentheses,
// semicolons, double blanks and a trailing blank.
TEST(EnglishLibrary, CarriesTheReferenceTextsWordForWord) {
    ASSERT_TRUE(foldersGiven());
    Module english = loadAsData("en");
    ASSERT_TRUE(english);
    EXPECT_EQ(loadString(english.get(), 1005), L"Kivmara");
    EXPECT_EQ(loadString(english.get(), 1013), L"Select printer(s) to update to firmware level ");
    EXPECT_EQ(loadString(english.get(), 1015), L"Enter your printer's IP address here:");
    EXPECT_EQ(loadString(english.get(), 1037),
              L"The Firmware Update selected does not match the firmware in your device.  Please "
              L"verify the current firmware version on your device and then select the "
              L"corresponding Firmware Update.  The firmware version will be in the following "
              L"format: x_yz_z (x=Model;y=Revision;z=Version).  The Model and Revision of the "
              L"current firmware on the device and the selected Firmware Update should match.");
    EXPECT_EQ(loadString(english.get(), 1062), L"OK");
}

TEST(ResourceScript, KeepsTextsThatLookLikeSyntaxVerbatim) {
    ASSERT_TRUE(foldersGiven());
    const std::wstring source = envPath(L"KIV_LANG_SOURCE_DIR") + L"\\tests\\quoting.txt";
    std::map<unsigned, std::wstring> texts;
    ASSERT_TRUE(readStrings(source, texts));
    ASSERT_FALSE(texts.empty());
    const std::wstring path = envPath(L"KIV_LANG_BUILD_DIR") + L"\\tests\\quoting\\lang.dll";
    Module module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module) << "cannot load " << toUtf8(path);
    for (const auto& entry : texts)
        EXPECT_EQ(toUtf8(loadString(module.get(), entry.first)), toUtf8(entry.second))
            << "string " << entry.first;
    // The byte order mark belongs to the file, not to the first text.
    const std::wstring first = loadString(module.get(), texts.begin()->first);
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first.front(), L'\xFEFF');
    // A character beyond the first plane is a surrogate pair in the library.
    EXPECT_NE(loadString(module.get(), 1012).find(L"\xD83D\xDDA8"), std::wstring::npos);
}

TEST(StubLibrary, LacksExactlyTheTemplatesLeftOut) {
    ASSERT_TRUE(foldersGiven());
    const std::wstring path = envPath(L"KIV_LANG_BUILD_DIR") + L"\\tests\\stub\\lang.dll";
    Module module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module) << "cannot load " << toUtf8(path);
    for (const TemplateLayout& layout : templateTable()) {
        const bool left = layout.number == Tpl::SelectDevice || layout.number == Tpl::ErrorRevision;
        EXPECT_EQ(FindResourceW(module.get(), MAKEINTRESOURCEW(layout.number), RT_DIALOG) ==
                      nullptr,
                  left)
            << "template " << layout.number;
    }
    EXPECT_EQ(storedStringNumbers(module.get()), expectedStringNumbers());
}

// Languages written in other scripts, with the code points of that script.
struct Script {
    const char* code;
    std::vector<std::pair<wchar_t, wchar_t>> ranges;
};

const std::vector<Script>& nonLatinScripts() {
    static const std::vector<Script> scripts = {
        {"ja", {{0x3040, 0x30FF}, {0x4E00, 0x9FFF}}}, // kana, CJK ideographs
        {"ru", {{0x0400, 0x04FF}}},                   // Cyrillic
        {"ar", {{0x0600, 0x06FF}}},                   // Arabic
        {"el", {{0x0370, 0x03FF}}},                   // Greek
        {"zh", {{0x4E00, 0x9FFF}}},                   // CJK ideographs
        {"zh_TW", {{0x4E00, 0x9FFF}}},
        {"ko", {{0xAC00, 0xD7AF}}}, // Hangul syllables
        {"he", {{0x0590, 0x05FF}}}, // Hebrew
    };
    return scripts;
}

void PrintTo(const Script& script, std::ostream* os) {
    *os << script.code;
}

bool usesScript(const std::wstring& text, const Script& script) {
    return std::any_of(text.begin(), text.end(), [&](wchar_t c) {
        return std::any_of(
            script.ranges.begin(), script.ranges.end(),
            [c](const std::pair<wchar_t, wchar_t>& r) { return c >= r.first && c <= r.second; });
    });
}

// An encoding slip (UTF-8 read as a single-byte code page, or the other way
// round) turns these texts into Latin-1 debris that neither matches the source
// nor lies in the script's block.
class NonLatinLibrary : public ::testing::TestWithParam<Script> {};

TEST_P(NonLatinLibrary, RoundTripsItsScriptFromTheSource) {
    const Script& script = GetParam();
    ASSERT_TRUE(foldersGiven());
    ASSERT_TRUE(fileExists(sourcePath(script.code))) << "no " << script.code << "\\strings.txt";
    std::map<unsigned, std::wstring> source;
    ASSERT_TRUE(readSource(script.code, source));
    Module module = loadAsData(script.code);
    ASSERT_TRUE(module);

    unsigned inScript = 0;
    for (const auto& entry : source) {
        std::wstring built = loadString(module.get(), entry.first);
        EXPECT_EQ(built, entry.second) << "string " << entry.first;
        EXPECT_EQ(built.find(L'\xFFFD'), std::wstring::npos) << "string " << entry.first;
        if (usesScript(built, script))
            ++inScript;
    }
    // Names and short codes ("OK", "Kivmara") may stay Latin; the sentences
    // may not.
    EXPECT_GE(inScript * 3, source.size() * 2)
        << inScript << " of " << source.size() << " strings in the script";
    EXPECT_TRUE(usesScript(loadString(module.get(), 1009), script));
    EXPECT_TRUE(usesScript(loadString(module.get(), 1037), script));
}

INSTANTIATE_TEST_SUITE_P(Scripts, NonLatinLibrary, ::testing::ValuesIn(nonLatinScripts()),
                         [](const ::testing::TestParamInfo<Script>& info) {
                             return std::string(info.param.code);
                         });

} // namespace
