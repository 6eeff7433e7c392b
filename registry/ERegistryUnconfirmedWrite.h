#pragma once

#include "ERegistryError.h"

namespace tessaport {

// A write that was made, but not confirmed: the new file is in place and later reads see it, yet
// flushing it to the disk failed, so a power cut could still undo it. Callers that report a
// failed write as "nothing changed" must not report this one so.
class ERegistryUnconfirmedWrite : public ERegistryError {
public:
    using ERegistryError::ERegistryError;
};

} // namespace tessaport
