#pragma once

#include "Invocation.h"

namespace tessaport {

// Each returns the exit status; what it found is printed.
int RunGet(const Invocation &invocation);
int RunSet(const Invocation &invocation);
int RunDelete(const Invocation &invocation);
int RunExport(const Invocation &invocation);
int RunImport(const Invocation &invocation);

} // namespace tessaport
