// Version normalisation and comparison with any two texts. Beyond running
// clean under the sanitizers: a text equals itself, "equal" is symmetric, a
// difference in segment count always means the package is newer, and two
// one-segment versions are never both newer than each other.
#include "FuzzInput.h"
#include "VersionCompare.h"

#include <algorithm>

using namespace VersionCompare;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::wstring package = byteText(in, 200);
    std::wstring device = byteText(in, 200);

    std::wstring n = normalise(package);
    FUZZ_CHECK(n.find(L'.') == std::wstring::npos);
    FUZZ_CHECK(n.size() <= package.size());
    FUZZ_CHECK(packagePanelForm(package).size() <= package.size());
    FUZZ_CHECK(firmwareLetter(package).size() <= 1);

    FUZZ_CHECK(compare(package, package) == Equal);
    Outcome forward = compare(package, device);
    Outcome backward = compare(device, package);
    FUZZ_CHECK((forward == Equal) == (backward == Equal));
    size_t pkgSegments = n.empty() ? 0 : std::count(n.begin(), n.end(), L'|') + 1;
    std::wstring d = normalise(device);
    size_t devSegments = d.empty() ? 0 : std::count(d.begin(), d.end(), L'|') + 1;
    if (pkgSegments != devSegments)
        FUZZ_CHECK(forward == PackageNewer && backward == PackageNewer);
    else if (pkgSegments == 1)
        FUZZ_CHECK(forward != PackageNewer || backward != PackageNewer);
    return 0;
}
