// The record of the firmware version now installed, left in the registry for
// other software of the same brand.
#pragma once

#include <iosfwd>
#include <string>

class KIVOptions;

// For every device with update status 1, writes the package version under
// HKLM\Software\<Vendor>Inkjet\KIV, named by config.ini's DriverModelName
// with blanks as "_". Nothing is written for an unknown or absent vendor.
// A registry call that fails is logged with its error and, when errorLines
// is given (the result lines were asked for), printed there as well; the
// answer is then false. The run's result does not depend on it.
bool recordInstalledVersion(KIVOptions* options, std::wstring version,
                            std::wostream* errorLines = nullptr);

// The registry key for a "Vendor" value, or empty when no record is kept.
std::wstring installedVersionKey(const std::wstring& vendor);
// The value name made from a "DriverModelName" value.
std::wstring installedVersionValueName(std::wstring driverModelName);
