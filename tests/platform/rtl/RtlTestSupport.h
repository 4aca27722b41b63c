// Helpers shared by the runtime tests: a guard for the global format settings; the scratch folders
// and file helpers come from testlib/TempDir.h.
#pragma once

#include "rtl/SysUtils.h"
#include "testlib/TempDir.h"

namespace rtltest {

// Restores the process-wide format settings when a test changed them.
class SettingsGuard {
public:
    SettingsGuard() : saved_(FormatSettings()) {}
    ~SettingsGuard() { FormatSettings() = saved_; }

private:
    TFormatSettings saved_;
};

constexpr const char* NBSP = "\xC2\xA0";  // the Russian thousands separator

}  // namespace rtltest
