#pragma once

namespace tessaport {

// tessaport-reg's exit statuses, as --help, the manual page and the README give them.
inline constexpr int kExitOk = 0;
// The registry could not be read or written, a file not read or written, or the output not
// printed.
inline constexpr int kExitFailed = 1;
// A usage error, or a value outside its list, on the command line or in a file to import.
inline constexpr int kExitUsage = 2;
// A provider was never configured: its key or one of its values is missing.
inline constexpr int kExitNotConfigured = 4;
// Not a failure: the new settings are in place, only their reaching the disk is unconfirmed.
inline constexpr int kExitUnconfirmed = 5;

// Of several providers' statuses, the one a script must see: a failure before an unconfirmed
// save, and that before "not configured".
constexpr int WorseExitStatus(int a, int b) {
    const auto rank = [](int status) {
        return status == kExitFailed          ? 3
               : status == kExitUnconfirmed   ? 2
               : status == kExitNotConfigured ? 1
                                              : 0;
    };
    return rank(a) >= rank(b) ? a : b;
}

} // namespace tessaport
